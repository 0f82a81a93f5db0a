#!/usr/bin/env bash
# Checks that every tracked C++ source and header is formatted as .clang-format asks; prints the
# offending lines and fails otherwise. Format a file with `clang-format -i FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format > /dev/null || scripts/deps.sh clang-format

mapfile -t files < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${files[@]}"
echo "check-format: ${#files[@]} files formatted"
