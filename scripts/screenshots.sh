#!/usr/bin/env bash
# Makes the README's pictures from the real program on the simulated detector, headless:
# docs/main-window.png (after the detector's settings have been read) and docs/service-form.png.
set -euo pipefail
cd "$(dirname "$0")/.."

# The texts are Russian: without a font that has Cyrillic they would render as boxes.
scripts/deps.sh
if ! fc-list :lang=ru family | grep -q .; then
    echo "screenshots: no font with Cyrillic letters is installed" >&2
    exit 1
fi

scripts/build.sh
mkdir -p docs
LD_LIBRARY_PATH="$PWD/build/bridge/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
QT_QPA_PLATFORM=offscreen \
    build/tools/screenshots/virel_screenshots docs
