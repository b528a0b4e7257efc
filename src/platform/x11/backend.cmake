# X11 on Linux: a host's window (GLX), the preview, XRandR gamma and monitors, DPMS, the screen-saver
# extension's idle time.
if(WIN32)
  return()
endif()
file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
target_sources(gd_platform PRIVATE ${sources})
target_link_libraries(gd_platform PUBLIC X11::X11 X11::Xrandr X11::Xext X11::Xss)
