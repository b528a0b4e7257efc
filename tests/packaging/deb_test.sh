#!/usr/bin/env bash
# The .deb of this build: CPack makes it, it unpacks into a scratch root (dpkg -x) with every file
# where it belongs, its Depends line comes from dpkg-shlibdeps, the command on the path runs from
# that root, and lintian reports no errors.
# Usage: deb_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "deb_test: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$work/out/glimmerdale_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") (made: $(ls "$work/out"))"

root="$work/root"
dpkg-deb -x "$deb" "$root"
hack="$root/usr/libexec/xscreensaver/glimmerdale"
[ -x "$hack" ] || fail "no program in /usr/libexec/xscreensaver"
file "$hack" | grep -q 'ELF 64-bit.*, stripped' || fail "the program is not a stripped ELF: $(file "$hack")"
[ -x "$root/usr/bin/glimmerdale" ] || fail "no glimmerdale command in /usr/bin"
xmllint --noout "$root/usr/share/xscreensaver/config/glimmerdale.xml" || fail "the XScreenSaver file is no XML"
grep -q '<screensaver name="glimmerdale"' "$root/usr/share/xscreensaver/config/glimmerdale.xml" ||
  fail "the XScreenSaver file names another hack"
grep -q '^Exec=glimmerdale /c$' "$root/usr/share/applications/glimmerdale.desktop" ||
  fail "the desktop entry does not start the options dialog"
file "$root/usr/share/icons/hicolor/48x48/apps/glimmerdale.png" | grep -q 'PNG image data, 48 x 48' ||
  fail "no 48 x 48 icon"
zcat "$root/usr/share/man/man6/glimmerdale.6.gz" | grep -q '^\.TH GLIMMERDALE 6' || fail "no manual page"
zcat "$root/usr/share/man/man6/glimmerdale.6.gz" | grep -q 'set\\-as\\-screensaver' ||
  fail "the manual page does not name --set-as-screensaver"
# The theme MATE's and Xfce's screensavers list: in their category, shown by them only, run from
# libexec/xscreensaver (one of the folders they take theme programs from) in their window.
theme="$root/usr/share/applications/screensavers/glimmerdale.desktop"
grep -q '^Categories=Screensaver;$' "$theme" || fail "no screensaver theme entry"
grep -q '^OnlyShowIn=MATE;XFCE;$' "$theme" || fail "the theme entry would show in every desktop's menus"
grep -q '^Exec=glimmerdale --root$' "$theme" || fail "the theme entry does not run the program in its window"
if command -v desktop-file-validate >/dev/null; then
  for entry in "$theme" "$root/usr/share/applications/glimmerdale.desktop" \
    "$root/usr/share/glimmerdale/glimmerdale-idle-launcher.desktop"; do
    desktop-file-validate --no-hints "$entry" || fail "$(basename "$entry") is no valid desktop entry"
  done
fi
# The idle launcher's autostart entry ships off: in no autostart folder until a user turns it on.
grep -q '^Exec=glimmerdale --idle-launcher$' "$root/usr/share/glimmerdale/glimmerdale-idle-launcher.desktop" ||
  fail "no autostart entry for the idle launcher"
[ ! -e "$root/etc/xdg/autostart" ] || fail "the idle launcher would start for every user"
[ -f "$root/usr/share/doc/glimmerdale/copyright" ] || fail "no copyright file"
zcat "$root/usr/share/doc/glimmerdale/changelog.gz" | head -1 | grep -q "^glimmerdale ($version)" ||
  fail "the changelog does not start with this version"
if find "$root" -type l | grep -q .; then fail "links in the package: $(find "$root" -type l)"; fi

# XScreenSaver only where it is wanted: installed on every desktop it would not run by itself.
[ -z "$(dpkg-deb -f "$deb" Recommends)" ] || fail "the package recommends $(dpkg-deb -f "$deb" Recommends)"
[ "$(dpkg-deb -f "$deb" Suggests)" = xscreensaver ] || fail "the package does not suggest xscreensaver"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libsdl2-2.0-0 libxrandr2 libgtk-3-0 libvorbisfile3 libglew2.2 libwayland-client0 libxss1 \
  fonts-dejavu-core; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done

# The command finds the program beside it, wherever the tree lies.
"$root/usr/bin/glimmerdale" --help | grep -q -- '--window-id' || fail "the command did not run the program"

if command -v lintian >/dev/null; then
  report=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
  if grep -q '^E:' <<<"$report"; then fail "lintian errors:
$report"; fi
fi
echo "deb_test: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB) is complete"
