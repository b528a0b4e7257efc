# GIO (GTK's GLib) on Linux, over D-Bus: the system's sleep, the desktop watch, the desktop set-up.
if(WIN32)
  return()
endif()
file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
target_sources(gd_platform PRIVATE ${sources})
target_link_libraries(gd_platform PUBLIC PkgConfig::GTK3)
