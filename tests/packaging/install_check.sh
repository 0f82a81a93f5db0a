#!/usr/bin/env bash
# Installs the build tree into a fresh prefix and checks what landed there.
# Usage: install_check.sh BUILD_DIR STAGE_DIR
set -euo pipefail
build=$1
stage=$2
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null
"$(dirname "$0")/check_layout.sh" "$stage"
