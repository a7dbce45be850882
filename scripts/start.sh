#!/usr/bin/env bash
# Installs what is missing, builds Pixscope and starts it.
# Until the window program lands, this runs the headless pixscope-cli on a sample.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

echo "Pixscope's window is not built yet; showing the report of samples/sample-24bit.bmp"
echo "with the headless companion: build/pixscope-cli report samples/sample-24bit.bmp"
echo
exec build/pixscope-cli report "${@:-samples/sample-24bit.bmp}"
