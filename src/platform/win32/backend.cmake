# The whole Windows backend.
if(NOT WIN32)
  return()
endif()
file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
target_sources(gd_platform PRIVATE ${sources})
target_link_libraries(gd_platform PUBLIC gdi32 user32 advapi32 winmm opengl32 comctl32 shell32)
