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

. "$(dirname "$0")/windows-program.sh"
wine_prefix "$folder/prefix"
mkdir -p "$folder"
# Parallel tests share the prefix: the first makes it, the others wait.
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$wine" wineboot --init >/dev/null 2>&1
        "$wineserver" -w
    fi
) 9>"$folder/prefix.lock"

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
# The file is shown as it grows, so that a run that ctest ends at its timeout leaves what it
# printed until then. It is written through descriptor 3 and read through 4, and its name goes at
# once: ctest ends a suite at its time-out with SIGKILL (the script's children too), which no
# trap sees, and even then no file is left.
output=$(mktemp "$folder/output.XXXXXX")
exec 3>"$output" 4<"$output"
rm -f "$output"
status=0
program=""
shown=""
# Ended otherwise (Ctrl-C, a kill), the script takes Wine's program and its tail with it.
stop() {
    local pid
    for pid in $program $shown; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap 'stop; exit 129' HUP
trap 'stop; exit 130' INT
trap 'stop; exit 143' TERM
"$wine" "$@" >&3 2>&1 3>&- 4<&- &
program=$!
tail -n +1 -s 0.1 -f --pid="$program" <&4 3>&- &
shown=$!
wait "$program" || status=$?
wait "$shown" || true
# Wine 8 can crash as a process exits while a thread ends in the same moment: the Unix process
# dies of SIGSEGV inside Wine's ntdll.so, after the program has finished (README: "Wine's crash
# at exit"). A Qt Test suite that printed its totals with nothing failed, and its closing line,
# is counted as passed then, and the crash is noted in crashes.log beside the prefix. Any other
# death by a signal stays a failure; a crash in the program's own code is no SIGSEGV of the
# process, since Wine turns it into a Windows exception.
# The whole output, read anew from its start through the descriptor.
output=/dev/fd/4
if [ "$status" -eq 139 ] && grep -q '^Totals: [0-9]* passed, 0 failed, ' "$output" &&
   grep -q '^\*\*\*\*\*\*\*\*\* Finished testing of ' "$output"; then
    echo "wine-run.sh: Wine crashed (SIGSEGV) after $(basename "$1") had finished, every test passed;" \
         "counted as passed" | tee -a "$folder/crashes.log" >&2
    status=0
fi
# The program's own crash, though, Wine reports and then may exit with 0, at exit say: a failure.
if grep -q '^wine: Unhandled ' "$output" && [ "$status" -eq 0 ]; then
    echo "wine-run.sh: $(basename "$1") crashed (an unhandled exception, above)" >&2
    status=1
fi
exit "$status"
