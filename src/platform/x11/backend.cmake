# X11 on Linux: a host's window (GLX), the preview, XRandR gamma and monitors, DPMS, the screen-saver
# extension's idle time.
glimmerdale_platform_backend(LINUX LIBS X11::X11 X11::Xrandr X11::Xext X11::Xss)
