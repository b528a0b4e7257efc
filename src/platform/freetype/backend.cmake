# FreeType on Linux: the bitmap font.
if(WIN32)
  return()
endif()
file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
target_sources(gd_platform PRIVATE ${sources})
target_link_libraries(gd_platform PUBLIC PkgConfig::FREETYPE)
target_compile_definitions(gd_platform PRIVATE GLIMMERDALE_FONT_DIR="${GLIMMERDALE_FONT_DIR}")
