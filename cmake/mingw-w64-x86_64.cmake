# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread model, so std::thread and
# std::mutex work). Libraries built for Windows are found only under CMAKE_FIND_ROOT_PATH (the
# libraries prefix, given on the command line) and the mingw sysroot, never among the host's own
# -dev packages of the same names.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_FIND_ROOT_PATH=<prefix>

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GLIMMERDALE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GLIMMERDALE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GLIMMERDALE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${GLIMMERDALE_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${GLIMMERDALE_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${GLIMMERDALE_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${GLIMMERDALE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run through Wine (CTest and gtest_discover_tests use the emulator).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
