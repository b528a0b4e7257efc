#!/usr/bin/env bash
# Makes every release file into dist/, one function per platform, each building in a folder of its
# own (tests and benchmarks off):
#   package_linux   dist/glimmerdale_<version>_amd64.deb   (CPack's DEB generator; lintian checks it)
# PACKAGE_BUILD_DIR names the Linux build folder (default build-package/).
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

bash scripts/install-deps.sh
mkdir -p "$dist"
package_linux
echo "package: release files in $dist/:"
ls -l "$dist"
