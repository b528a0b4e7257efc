# SDL2 on Linux: the window and GL context, events, audio, clocks, message boxes, BMP conversion.
if(WIN32)
  return()
endif()
file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
target_sources(gd_platform PRIVATE ${sources})
target_link_libraries(gd_platform PUBLIC PkgConfig::SDL2)
