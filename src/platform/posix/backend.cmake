# POSIX on Linux: the settings file, processes, signals, local time, the linked-in blobs, the gamma
# guardian, the locks of copies side by side, process memory.
glimmerdale_platform_backend(LINUX)
