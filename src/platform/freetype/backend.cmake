# FreeType on Linux: the bitmap font.
glimmerdale_platform_backend(LINUX LIBS PkgConfig::FREETYPE DEFINITIONS GLIMMERDALE_FONT_DIR="${GLIMMERDALE_FONT_DIR}")
