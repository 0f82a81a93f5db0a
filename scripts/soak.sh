#!/usr/bin/env bash
# The fault soak: the real main window on the simulated detector under random user actions,
# message-box answers and faults, for SOAK_SECONDS (180 by default), headless. SOAK_SEED repeats
# a run. Fails on any violation.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/build.sh
LD_LIBRARY_PATH="$PWD/build/bridge/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
QT_QPA_PLATFORM=offscreen \
    build/tests/soak/virel_soak "${SOAK_SECONDS:-180}" ${SOAK_SEED:+"$SOAK_SEED"}
