# GTK 3 on Linux: the dialog toolkit.
glimmerdale_platform_backend(LINUX LIBS PkgConfig::GTK3)
