#!/usr/bin/env bash
# Installs the Debian packages that building and testing Pixscope need.
# Quick when everything is there already; needs root (or sudo) otherwise.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n fonts-arphic-uming xvfb xauth xdotool
  libpng-dev libjpeg62-turbo-dev liblcms2-dev
  desktop-file-utils groff-base appstream
  dpkg-dev file lintian
  # The other readers the readers command runs, and its tests with them.
  python3-pil imagemagick graphicsmagick libgdk-pixbuf2.0-bin ffmpeg netpbm libvips-tools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
