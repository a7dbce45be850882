#!/usr/bin/env bash
# cmake --install puts every file where the desktop looks for it, and the desktop
# entry and manual pages are valid.
set -euo pipefail
shopt -s extglob
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/pixscope bin/pixscope-cli
  share/applications/pixscope.desktop
  share/man/man1/pixscope.1.gz share/man/man1/pixscope-cli.1.gz
  share/metainfo/io.pixscope.Pixscope.metainfo.xml
  share/doc/pixscope/copyright share/doc/pixscope/changelog.gz
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/pixscope.png")
done
status=0
for f in "${expected[@]}"; do
  if [ ! -s "$prefix/$f" ]; then
    echo "not installed: $f"
    status=1
  fi
done
# Each icon is as large as its folder says (a PNG's width and height follow its first 16 bytes).
for size in 16 32 48 64 128 256; do
  [ "$(od -An -tx1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/pixscope.png" | tr -d ' \n')" = \
    "$(printf '%08x%08x' "$size" "$size")" ] || { echo "icon $size"; status=1; }
done
[ -x "$prefix/bin/pixscope" ] && [ -x "$prefix/bin/pixscope-cli" ] || { echo "not executable"; status=1; }

desktop-file-validate "$prefix/share/applications/pixscope.desktop" || status=1
for key in "Exec=pixscope %F" "MimeType=image/bmp;image/x-bmp;image/x-ms-bmp;" \
           "Categories=Graphics;Viewer;RasterGraphics;" "Name=Pixscope" "Icon=pixscope"; do
  grep -qxF "$key" "$prefix/share/applications/pixscope.desktop" || { echo "missing: $key"; status=1; }
done
grep -q '^Name\[zh_CN\]=' "$prefix/share/applications/pixscope.desktop" || status=1
grep -q '^Comment\[zh_CN\]=' "$prefix/share/applications/pixscope.desktop" || status=1

for page in pixscope pixscope-cli; do
  warnings=$(zcat "$prefix/share/man/man1/$page.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)
  if [ -n "$warnings" ]; then
    echo "$page.1: $warnings"
    status=1
  fi
done
appstreamcli validate --no-net "$prefix/share/metainfo/io.pixscope.Pixscope.metainfo.xml" \
  >/dev/null || { echo "metainfo"; status=1; }
# One version, the project's, in both programs and the metainfo's release.
version=$(sed -n 's/^project(pixscope VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
for program in pixscope pixscope-cli; do
  [ "$("$prefix/bin/$program" --version)" = "pixscope $version" ] ||
    { echo "$program --version"; status=1; }
done
grep -qF "<release version=\"$version\"" \
  "$prefix/share/metainfo/io.pixscope.Pixscope.metainfo.xml" || { echo "release"; status=1; }
"$prefix/bin/pixscope" --help | head -n 1 | grep -qxF "usage: $prefix/bin/pixscope [FILE...]" ||
  { echo "pixscope --help"; status=1; }
# expect CODE TEXT COMMAND...: the command exits with CODE and says TEXT (a pattern).
expect() {
  local code=$1 text=$2 rc=0 said
  shift 2
  said=$("$@" 2>&1) || rc=$?
  [ "$rc" = "$code" ] && [[ $said == $text ]] || { echo "$*: $rc $said"; status=1; }
}
# Without a display it says so and fails; after "--" even "--help" is a file's name.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/pixscope")
expect 1 "*no display to open a window on*" "${nodisplay[@]}" a.bmp
expect 1 "*no display to open a window on*" "${nodisplay[@]}" -- --help
# With a display it keeps its window up until the user ends it, and says what went
# wrong in a message box, not on the terminal.
expect 124 "!(*Can't Read Files*)" env QT_QPA_PLATFORM=offscreen timeout 2 \
  "$prefix/bin/pixscope" "$prefix/missing.bmp"
expect 2 "usage: make-icons DIR" "$build/make-icons"
expect 1 "make-icons: cannot write /dev/null/16x16/apps/pixscope.png" "$build/make-icons" /dev/null
exit $status
