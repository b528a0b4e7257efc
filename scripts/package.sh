#!/usr/bin/env bash
# Makes every release file into dist/, one function per platform, each building in a folder of its
# own (tests and benchmarks off):
#   package_linux     dist/glimmerdale_<version>_amd64.deb   (CPack's DEB generator; lintian checks it)
#   package_windows   dist/Glimmerdale-<version>-setup.exe     (NSIS)
#                     dist/Glimmerdale-<version>-windows.zip   (Glimmerdale.scr and Install.txt)
#                     dist/Glimmerdale-<version>-windows.sha256  (SHA-256 sums of both, sha256sum -c)
# PACKAGE_BUILD_DIR names the Linux build folder (default build-package/), PACKAGE_WINDOWS_BUILD_DIR
# the Windows one (default build-package-windows/; its media come from the Linux build in build/).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dist="$root/dist"

package_linux() {
  local build=${PACKAGE_BUILD_DIR:-build-package}
  echo "package: Linux .deb (building in $build/)"
  # Debian's own build flags with every hardening feature: stack protector, fortified functions,
  # full RELRO with immediate binding.
  local -x DEB_BUILD_MAINT_OPTIONS=hardening=+all
  local cppflags cflags cxxflags ldflags
  cppflags=$(dpkg-buildflags --get CPPFLAGS)
  cflags=$(dpkg-buildflags --get CFLAGS)
  cxxflags=$(dpkg-buildflags --get CXXFLAGS)
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMERDALE_TESTS=OFF -DGLIMMERDALE_BENCH=OFF \
        -DCMAKE_C_FLAGS="$cppflags $cflags" -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" \
        -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
  cmake --build "$build" -j"$(nproc)"
  local staging
  staging=$(mktemp -d)
  # CPack strips the program and works out the Depends line with dpkg-shlibdeps.
  (cd "$build" && cpack -G DEB -B "$staging") >"$staging/cpack.log" 2>&1 || {
    cat "$staging/cpack.log"
    rm -rf "$staging"
    return 1
  }
  local deb
  deb=$(basename "$staging"/glimmerdale_*_amd64.deb)
  mv "$staging/$deb" "$dist/$deb"
  rm -rf "$staging"
  echo "package: $dist/$deb ($(du -h "$dist/$deb" | cut -f1))"
  echo "package: Depends: $(dpkg-deb -f "$dist/$deb" Depends)"
  # Every tag down to the informational ones; lintian's own warning about running as root is not
  # about the package.
  local report
  report=$(lintian -E -I --pedantic "$dist/$deb" 2>&1 | grep -v 'running with root privileges' || true)
  echo "package: lintian: ${report:-no tags}"
  if grep -q '^E:' <<<"$report"; then
    echo "package: lintian found errors"
    return 1
  fi
}

package_windows() {
  local build=${PACKAGE_WINDOWS_BUILD_DIR:-build-package-windows}
  echo "package: Windows setup program and zip (building in $build/)"
  # The libraries from Debian's sources are shared with the development build (build-windows/).
  WINDOWS_BUILD_DIR=$build WINDOWS_LIBRARY_DIR=build-windows/libraries BUILD_TYPE=Release WINDOWS_TESTS=OFF \
    JOBS=${JOBS:-$(nproc)} CMAKE_ARGS= \
    bash scripts/build-windows.sh --target Glimmerdale installer
  local version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  local setup=Glimmerdale-$version-setup.exe zip=Glimmerdale-$version-windows.zip
  local sums=Glimmerdale-$version-windows.sha256
  [ -n "$version" ] && [ -f "$build/$setup" ] || { echo "package: $build/$setup was not made"; return 1; }
  cp "$build/$setup" "$dist/$setup"

  # The zip for installing by hand: the program and a short text, with Windows line ends so that
  # every Notepad shows it. Entries dated by SOURCE_DATE_EPOCH when it is set, without extra
  # attributes, so the same program gives the same zip.
  local staging
  staging=$(mktemp -d)
  cp "$build/Glimmerdale.scr" "$staging/Glimmerdale.scr"
  sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/windows/Install.txt >"$staging/Install.txt"
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    touch -d "@$SOURCE_DATE_EPOCH" "$staging/Glimmerdale.scr" "$staging/Install.txt"
  fi
  rm -f "$dist/$zip"
  (cd "$staging" && zip -q -X -9 "$dist/$zip" Glimmerdale.scr Install.txt)
  rm -rf "$staging"

  (cd "$dist" && sha256sum "$setup" "$zip" >"$sums")
  echo "package: $dist/$setup ($(du -h "$dist/$setup" | cut -f1))"
  echo "package: $dist/$zip ($(du -h "$dist/$zip" | cut -f1))"
  echo "package: $dist/$sums"
}

bash scripts/install-deps.sh
mkdir -p "$dist"
package_linux
package_windows
echo "package: release files in $dist/:"
ls -l "$dist"
