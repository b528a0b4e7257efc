# GIO (from GTK's GLib) on Linux, over D-Bus: the system's sleep, the desktop watch, the desktop set-up.
glimmerdale_platform_backend(LINUX LIBS PkgConfig::GTK3)
