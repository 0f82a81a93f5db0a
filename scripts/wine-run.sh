#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine: wine-run.sh QT_PREFIX WINE_FOLDER PROGRAM [ARG...]
# The Windows build uses it as its test emulator, so ctest runs every suite under Wine.
# WINE_FOLDER holds the prefix, made on first use. Qt's DLLs and MinGW's run-time DLLs are
# found through WINEPATH, Qt's plugins through QT_PLUGIN_PATH. Wine hands a program no
# variable whose name begins with QT_, but takes WINEQT_X as QT_X: each QT_ variable set here is
# passed on that way.
set -euo pipefail
qt=$1
folder=$2
shift 2

windows_path() { echo "Z:${1//\//\\}"; }

export WINEPREFIX=$folder/prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
mkdir -p "$folder"
# Parallel tests share the prefix: the first makes it, the others wait.
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$wine" wineboot --init >/dev/null 2>&1
        "${wine%/wine64}/wineserver" -w
    fi
) 9>"$folder/prefix.lock"

. "$(dirname "$0")/windows-program.sh"
WINEPATH=""
for dir in "$qt/bin" "${windows_runtime_dirs[@]}"; do
    WINEPATH+="${WINEPATH:+;}$(windows_path "$dir")"
done
export WINEPATH
export QT_PLUGIN_PATH=$(windows_path "$qt/plugins")
# A Windows Qt program without a console logs to the debugger; the tests' output belongs in ctest's.
export QT_FORCE_STDERR_LOGGING=1
while IFS='=' read -r name _; do
    export "WINE$name=${!name}"
done < <(env | grep -E '^QT_[A-Z_]*=')
# Wine's services, started by whichever program needs them first, inherit its output and keep
# it open until the prefix shuts down; through a file, a run's end is seen when the program ends.
output=$(mktemp "$folder/output.XXXXXX")
status=0
"$wine" "$@" >"$output" 2>&1 || status=$?
cat "$output"
rm -f "$output"
exit "$status"
