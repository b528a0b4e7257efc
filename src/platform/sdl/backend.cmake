# SDL2 on Linux: the window and GL context, events, audio, clocks, message boxes, BMP conversion.
glimmerdale_platform_backend(LINUX LIBS PkgConfig::SDL2)
