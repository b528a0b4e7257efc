# POSIX on Linux: the settings file, processes, signals, local time, the linked-in blobs, the gamma
# guardian, the locks of copies side by side, process memory.
if(WIN32)
  return()
endif()
file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
target_sources(gd_platform PRIVATE ${sources})
