# The Windows build (cross-compiled with cmake/mingw-w64-x86_64.cmake): the libraries come from the
# prefix that scripts/windows/build-libraries.sh makes (passed as CMAKE_FIND_ROOT_PATH), GL, GLU and
# the Win32 libraries from the mingw sysroot. The media are not generated here: the native build's
# media folder (mediagen and rarpack output) is passed as GLIMMERDALE_MEDIA_DIR.
#
# The libraries get the target names the rest of the build uses on Linux, so the subsystems link
# the same names on both platforms.

enable_language(RC)
find_package(Threads REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(JPEG REQUIRED)
find_package(Vorbis CONFIG REQUIRED)
find_library(GLIMMERDALE_GLEW_LIBRARY glew32s REQUIRED)
find_path(GLIMMERDALE_GLEW_INCLUDE GL/glew.h REQUIRED)
find_library(GLIMMERDALE_GLU_LIBRARY glu32 REQUIRED)

function(glimmerdale_windows_target name)
  cmake_parse_arguments(ARG "" "" "LIBS;INCLUDES;DEFINITIONS" ${ARGN})
  add_library(${name} INTERFACE IMPORTED)
  set_target_properties(${name} PROPERTIES INTERFACE_LINK_LIBRARIES "${ARG_LIBS}"
    INTERFACE_INCLUDE_DIRECTORIES "${ARG_INCLUDES}" INTERFACE_COMPILE_DEFINITIONS "${ARG_DEFINITIONS}")
endfunction()

# GLEW linked statically: every user must see GLEW_STATIC, or the link looks for __imp___glew....
glimmerdale_windows_target(PkgConfig::GLEW LIBS ${GLIMMERDALE_GLEW_LIBRARY} OpenGL::GL
  INCLUDES ${GLIMMERDALE_GLEW_INCLUDE} DEFINITIONS GLEW_STATIC)
glimmerdale_windows_target(PkgConfig::GLU LIBS ${GLIMMERDALE_GLU_LIBRARY} OpenGL::GL)
glimmerdale_windows_target(PkgConfig::VORBIS LIBS Vorbis::vorbisfile)

# One self-contained program: no libstdc++, libgcc or winpthread DLLs beside it. Release builds
# drop the symbols (the libraries' debug sections would double the program's code size).
add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)

set(GLIMMERDALE_MEDIA_DIR "" CACHE PATH "The native build's media folder (mediagen and rarpack output)")
