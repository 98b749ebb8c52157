#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs
# is there and valid, then builds the Debian package and checks its computed
# dependencies. Exit 77 (a skip for ctest) only when a checker is missing.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli man cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup --test)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --install "$build" --prefix "$work/usr" >/dev/null
id=org.brantle.ConfigHelper
expected=(
  bin/brantle-config-helper bin/virtual-board
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/256x256/apps/$id.png
  share/man/man1/brantle-config-helper.1 share/man/man1/virtual-board.1
  share/doc/brantle-config-helper/LICENSE
)
for file in "${expected[@]}"; do
  [ -s "$work/usr/$file" ] || fail "not installed: $file"
done
for program in brantle-config-helper virtual-board; do
  [ -x "$work/usr/bin/$program" ] || fail "not executable: bin/$program"
done
# The udev rule of the serial port, where the build has one.
for rule in "$(dirname "$0")"/../../data/udev/*.rules; do
  [ -e "$rule" ] || continue
  find "$work/usr" -name "$(basename "$rule")" | grep -q . || fail "not installed: $(basename "$rule")"
done

desktop=$work/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop entry"
grep -qx "Name=BRANTLE Config Helper" "$desktop" || fail "desktop entry name"
grep -qx "StartupWMClass=$id" "$desktop" || fail "StartupWMClass"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry icon"
appstreamcli validate --no-net "$work/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "AppStream metadata"; }
for page in brantle-config-helper virtual-board; do
  text=$(MANWIDTH=80 LC_ALL=C.UTF-8 man -l --warnings "$work/usr/share/man/man1/$page.1" 2>"$work/man.log")
  [ ! -s "$work/man.log" ] || { cat "$work/man.log"; fail "man page $page warns"; }
  grep -q "^NAME" <<<"$text" && grep -q "$page" <<<"$text" || fail "man page $page does not render"
done

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack -G DEB"; }
deb=$(ls "$work"/package/*.deb 2>/dev/null | head -1)
if [ -z "$deb" ]; then
  fail "no .deb built"
else
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for library in libwxgtk3.2 libgtk-3 libc6; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library"
  done
  dpkg-deb -c "$deb" >"$work/contents"
  grep -q "usr/share/applications/$id.desktop" "$work/contents" || fail ".deb lacks the desktop entry"
fi
[ $failed -eq 0 ] && echo "install and package: all checks passed"
exit $failed
