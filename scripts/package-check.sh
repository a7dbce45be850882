#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it as a user would, runs the
# installed programs, removes it and checks that nothing of it stays under /usr.
# Needs root (or sudo): it installs into the system.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive

rm -f "$build"/pixscope_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/pixscope_*_*.deb)
dpkg-deb --info "$deb"
lint_status=0
lint=$(lintian --fail-on error "$deb" 2>&1) || lint_status=$?
grep -v 'running with root privileges' <<<"$lint" || true
[ "$lint_status" -eq 0 ] || { echo "lintian found errors"; exit 1; }

# A package left by an earlier run would hide what this one installs.
if dpkg-query -W -f='${Status}' pixscope 2>/dev/null | grep -q "install ok installed"; then
  "${as_root[@]}" apt-get purge -y pixscope >/dev/null
fi
"${as_root[@]}" apt-get install -y --no-install-recommends "$deb" >/dev/null
mapfile -t owned < <(dpkg-query -L pixscope | while read -r f; do [ -f "$f" ] && echo "$f"; done)
echo "installed ${#owned[@]} files"

status=0
check() { # WHAT COMMAND...: runs the command, which must succeed
  local what=$1
  shift
  "$@" >/dev/null 2>&1 || { echo "FAILED: $what"; status=1; }
}
version=$(dpkg-query -W -f='${Version}' pixscope)
[ "$(/usr/bin/pixscope-cli --version)" = "pixscope $version" ] || { echo "FAILED: --version"; status=1; }
check "pixscope-cli report" /usr/bin/pixscope-cli report samples/sample-8bit.bmp
check "pixscope --help" /usr/bin/pixscope --help
check "desktop entry" desktop-file-validate /usr/share/applications/pixscope.desktop
check "metainfo" appstreamcli validate --no-net /usr/share/metainfo/io.pixscope.Pixscope.metainfo.xml

"${as_root[@]}" apt-get purge -y pixscope >/dev/null
for f in "${owned[@]}"; do
  [ ! -e "$f" ] || { echo "FAILED: left after removal: $f"; status=1; }
done
[ ! -e /usr/share/doc/pixscope ] || { echo "FAILED: /usr/share/doc/pixscope left"; status=1; }
[ "$status" -eq 0 ] && echo "package installed, ran and was removed cleanly"
exit "$status"
