#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configurator on the simulated detector.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
export LD_LIBRARY_PATH="$PWD/build/bridge/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
exec build/app/virel-configurator
