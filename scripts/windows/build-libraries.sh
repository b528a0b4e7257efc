#!/usr/bin/env bash
# Builds the libraries of the Windows build from Debian's own source packages with the mingw-w64
# toolchain, as static libraries, into a prefix that is built once and reused:
#
#   bash scripts/windows/build-libraries.sh [LIBRARY_DIR]      (default build-windows/libraries)
#
#   libjpeg-turbo, libogg, libvorbis, GLEW   apt-get source (debian-sources.sources, pinned versions)
#   GoogleTest                               /usr/src/googletest (Debian's googletest package)
#   zlib, GLU, OpenGL                        the mingw sysroot (libz-mingw-w64-dev, mingw-w64)
#
# The prefix is LIBRARY_DIR/prefix; LIBRARY_DIR/prefix/stamp names what it was built from, and a
# prefix whose stamp matches is left alone. Debian's patches are applied (apt-get source unpacks with
# dpkg-source); the apt lists and downloads stay under LIBRARY_DIR.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
library_dir=$(mkdir -p "${1:-$root/build-windows/libraries}" && cd "${1:-$root/build-windows/libraries}" && pwd)
prefix=$library_dir/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${JOBS:-2}

# Pinned source versions: a new Debian point release must not change the build under our feet.
packages=(libjpeg-turbo=1:2.1.5-2 libogg=1.3.5-3 libvorbis=1.3.7-1 glew=2.2.0-4)
gtest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo missing)

recipe="${packages[*]} googletest=$gtest_version $(cat "$0" "$here/debian-sources.sources" "$toolchain" | sha256sum | cut -c1-16)"
if [ -f "$prefix/stamp" ] && [ "$(cat "$prefix/stamp")" = "$recipe" ]; then
  echo "windows libraries: up to date in $prefix"
  exit 0
fi
if [ ! -d /usr/src/googletest/googletest ]; then
  echo "windows libraries: /usr/src/googletest is missing (install Debian's googletest package)" >&2
  exit 1
fi

started=$(date +%s)
step() { echo "windows libraries: $* ($(( $(date +%s) - started )) s)"; }

rm -rf "$prefix" "$library_dir/src" "$library_dir/work"
mkdir -p "$prefix" "$library_dir/src" "$library_dir/work" "$library_dir/apt/lists/partial" \
  "$library_dir/apt/cache/archives/partial" "$library_dir/apt/sources"
cp "$here/debian-sources.sources" "$library_dir/apt/sources/"
apt_options=(
  -o Dir::Etc::SourceList=/dev/null
  -o Dir::Etc::SourceParts="$library_dir/apt/sources"
  -o Dir::State::Lists="$library_dir/apt/lists"
  -o Dir::Cache="$library_dir/apt/cache"
  -o APT::Sandbox::User=root
  -q
)
step "fetching the source package index"
apt-get "${apt_options[@]}" update >"$library_dir/work/apt-update.log" 2>&1 ||
  { cat "$library_dir/work/apt-update.log" >&2; exit 1; }
step "fetching ${packages[*]}"
(cd "$library_dir/src" && apt-get "${apt_options[@]}" source "${packages[@]}") \
  >"$library_dir/work/apt-source.log" 2>&1 || { cat "$library_dir/work/apt-source.log" >&2; exit 1; }

source_of() {
  local dir
  dir=$(find "$library_dir/src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1)
  [ -n "$dir" ] || { echo "windows libraries: no unpacked source for $1" >&2; exit 1; }
  echo "$dir"
}

# A CMake project of one library: configure, build and install into the prefix, quietly; the log is
# kept and shown when something fails.
cmake_library() {
  local name=$1 source=$2
  shift 2
  local log=$library_dir/work/$name.log
  step "building $name"
  {
    cmake -S "$source" -B "$library_dir/work/$name" -G "Unix Makefiles" \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$prefix" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
      -DBUILD_TESTING=OFF "$@" &&
      cmake --build "$library_dir/work/$name" -j"$jobs" &&
      cmake --install "$library_dir/work/$name"
  } >"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "windows libraries: $name failed (log: $log)" >&2; exit 1; }
}

# No nasm for the SIMD parts: the scalar decoder is fast enough for loading a few pictures.
cmake_library libjpeg-turbo "$(source_of libjpeg-turbo)" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_JAVA=OFF
cmake_library libogg "$(source_of libogg)" -DINSTALL_DOCS=OFF
cmake_library libvorbis "$(source_of libvorbis)"

# GLEW's own Makefile makes a broken static library for mingw; one translation unit is all it is.
# GLEW_NO_GLU: the program takes GLU from mingw's own import library.
step "building glew"
glew=$(source_of glew)
mkdir -p "$library_dir/work/glew" "$prefix/lib" "$prefix/include/GL"
x86_64-w64-mingw32-gcc-posix -O2 -DGLEW_STATIC -DGLEW_NO_GLU -I"$glew/include" \
  -c "$glew/src/glew.c" -o "$library_dir/work/glew/glew.o"
x86_64-w64-mingw32-gcc-ar-posix rcs "$prefix/lib/libglew32s.a" "$library_dir/work/glew/glew.o"
cp "$glew/include/GL/glew.h" "$glew/include/GL/wglew.h" "$prefix/include/GL/"

cmake_library googletest /usr/src/googletest -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF

rm -rf "$library_dir/work"
echo "$recipe" >"$prefix/stamp"
step "done, in $prefix"
