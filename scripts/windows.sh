#!/usr/bin/env bash
# Builds the whole configurator for 64-bit Windows with mingw-w64 and Qt for Windows
# (scripts/qt-mingw.sh) into ./build-win, warning-free, and under Wine: checks the simulated
# DLL's exports, runs the bridge loader's console test once per library layout, runs every Qt
# test suite through ctest, and starts the real program with the simulated SimpleIO-UM.dll
# beside it on an Xvfb display: the simulator's trace must show the start-up read, and the
# window is saved as build-win/wine/main-window.png. The last line is the total,
# "N passed, M failed"; the script fails when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-program.sh

scripts/deps.sh g++-mingw-w64-x86-64-posix wine64 fonts-wine xvfb xauth x11-apps xdotool \
                imagemagick

milliseconds() { echo $(($(date +%s%N) / 1000000)); }
seconds() { printf '%d.%01d' $(($1 / 1000)) $(($1 % 1000 / 100)); }
started=$(milliseconds)

passed=0
failed=0
tally() { # ok|FAIL what
    printf '%-4s %s\n' "$1" "$2"
    if [ "$1" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
total() { echo "$passed passed, $failed failed"; }
# A step that the rest cannot do without: its failure ends the script at once, with the total.
required() { # what command...
    "${@:2}" && return 0
    tally FAIL "$1: exit status $?"
    total
    exit 1
}
# Wine's programs and the X server, whatever ends the script.
trap stop_windows_programs EXIT

# Our MCP2200 library for Windows is built over hidapi's Windows backend, made from Debian's
# source; CMake takes its folder from the environment.
hidapi_folder() { VIREL_HIDAPI_MINGW=$(scripts/hidapi-mingw.sh | tail -n 1) && [ -n "$VIREL_HIDAPI_MINGW" ]; }
required "hidapi for Windows (scripts/hidapi-mingw.sh)" hidapi_folder
export VIREL_HIDAPI_MINGW
qt_folder() { qt=$(scripts/qt-mingw.sh | tail -n 1) && [ -n "$qt" ]; }
required "Qt for Windows (scripts/qt-mingw.sh)" qt_folder
configure() {
    cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
          -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DQT_HOST_PATH=/usr \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo --no-warn-unused-cli >/dev/null
}
required "the Windows build's configuration" configure
# The whole log is kept; its warnings and errors are shown.
build() {
    local status=0
    cmake --build build-win -j2 >build-win/build.log 2>&1 || status=$?
    grep -E 'warning|error' build-win/build.log || true
    return "$status"
}
required "the Windows build, build-win/build.log" build
built=$(milliseconds)

if grep -q -E 'warning:' build-win/build.log; then
    tally FAIL "the Windows build has warnings"
else
    tally ok "the Windows build has no warnings"
fi

# The simulated DLL exports the eight entry points and the control interface its header
# declares, undecorated, and nothing else.
dll=build-win/bridge/sim/SimpleIO-UM.dll
# Under pipefail a failed objdump would end the script here; an empty list is a failure below.
exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
          sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | sort) || true
expected=$( (printf '%s\n' InitMCP2200 IsConnected ConfigureIO SetPin ClearPin ReadPin \
                           fnSetBaudRate ConfigureMCP2200
             sed -n 's/^SIM_EXPORT .*\b\(sim_[a-z_]*\)(.*/\1/p' bridge/sim/SimControl.h) | sort)
echo "SimpleIO-UM.dll exports: $(echo "$exports" | tr "\n" " ")"
if [ "$exports" = "$expected" ]; then
    tally ok "SimpleIO-UM.dll exports exactly the entry points and the control interface"
else
    tally FAIL "SimpleIO-UM.dll exports: $(diff <(echo "$expected") <(echo "$exports") | tr '\n' ' ')"
fi

# The program carries its icon (resource types 3 and 14) and its version information (16).
resource_types=$(x86_64-w64-mingw32-objdump -p build-win/app/virel-configurator.exe |
                 sed -n 's/^0[0-9a-f][0-9a-f]   Entry: ID: 0x0*\([0-9a-f]*\),.*/\1/p' | tr '\n' ' ') ||
    true
if [ "$resource_types" = "3 e 10 " ]; then
    tally ok "virel-configurator.exe carries its icon and version information"
else
    tally FAIL "virel-configurator.exe resource types: $resource_types"
fi

# One folder per layout; the program always runs from a working directory without a DLL,
# except in "planted", where the working directory and PATH hold one and the program's own
# folder none.
root=$PWD/build-win/wine
rm -rf "$root/layouts"
exe=build-win/tests/bridgeloader/tst_bridgeloader.exe
stand_ins=build-win/tests/bridgeloader
lay_out() { # layout [file for SimpleIO-UM.dll]
    mkdir -p "$root/layouts/$1"
    cp "$exe" "$root/layouts/$1/"
    [ $# -lt 2 ] || cp "$2" "$root/layouts/$1/SimpleIO-UM.dll"
}
lay_out_all() {
    lay_out missing &&
        lay_out notdll &&
        echo "not a library" >"$root/layouts/notdll/SimpleIO-UM.dll" &&
        lay_out dependent "$stand_ins/libdependent_bridge_dll.dll" &&
        lay_out partial "$stand_ins/libpartial_bridge_dll.dll" &&
        lay_out sim "$dll" &&
        lay_out planted &&
        lay_out mcp2200 build-win/bridge/mcp2200/SimpleIO-UM.dll &&
        mkdir -p "$root/layouts/planted-cwd" "$root/cwd" &&
        cp "$dll" "$root/layouts/planted-cwd/SimpleIO-UM.dll"
}
required "the loader's layouts in $root/layouts" lay_out_all

wine_prefix "$root/prefix"
# The first start makes the prefix, which takes most of the time; its messages are no test's.
boot_prefix() { "$wine" wineboot --init >/dev/null 2>&1; }
required "the Wine prefix (wineboot --init)" boot_prefix
prefixed=$(milliseconds)
run_layout() { # layout working-directory [WINEPATH]
    local output status=0
    # A Windows console program ends its lines with CR LF.
    output=$(cd "$2" && WINEPATH=${3:-} "$wine" "$root/layouts/$1/tst_bridgeloader.exe" "$1" 2>&1 |
             tr -d '\r') || status=$?
    echo "$output" | grep -v -E '^[0-9]+ passed, [0-9]+ failed$' || true
    local summary
    summary=$(echo "$output" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1) || true
    if [ -z "$summary" ]; then
        tally FAIL "$1: no summary (exit status $status)"
        return
    fi
    local p f
    read -r p _ f _ <<<"$summary"
    passed=$((passed + p))
    failed=$((failed + f))
    [ "$f" -ne 0 ] || [ "$status" -eq 0 ] || tally FAIL "$1: exit status $status"
}
for layout in missing notdll dependent partial sim; do
    run_layout "$layout" "$root/cwd"
done
planted_dir=$root/layouts/planted-cwd
run_layout planted "$planted_dir" "$(windows_path "$planted_dir")"
# Our MCP2200 library, with no cable here: all nine entry points bound, and its reason.
run_layout mcp2200 "$root/cwd"
"$wineserver" -k 2>/dev/null || true
loader_done=$(milliseconds)

# Every Qt suite under Wine: the build's test emulator is scripts/wine-run.sh.
ctest_log=build-win/ctest.log
suites=$(ctest --test-dir build-win -N | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p') || true
ctest_status=0
rm -f "$root/crashes.log"
ctest --test-dir build-win -j2 --output-on-failure >"$ctest_log" 2>&1 || ctest_status=$?
# Wine's own crashes at exit after a suite had passed (scripts/wine-run.sh) are said, not counted.
[ ! -s "$root/crashes.log" ] || sed 's/^/note /' "$root/crashes.log"
results=0
failed_before=$failed
while read -r name result; do
    results=$((results + 1))
    [ "$result" = Passed ] && tally ok "suite $name under Wine" || tally FAIL "suite $name: $result"
done < <(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([a-z0-9_]*\) \.*\** *\([A-Za-z]*\).*/\1 \2/p' \
         "$ctest_log")
# No suite run, a result for each suite not found, or a failure without a failed suite: all of
# them failures, never a pass by default.
if [ "${suites:-0}" -eq 0 ]; then
    tally FAIL "ctest found no suite in build-win"
elif [ "$results" -ne "$suites" ]; then
    tally FAIL "ctest: $results results read for $suites suites (see $ctest_log)"
elif [ "$ctest_status" -ne 0 ] && [ "$failed" -eq "$failed_before" ]; then
    tally FAIL "ctest: exit status $ctest_status, no suite failed (see $ctest_log)"
fi
# What failed, if anything did: no match is no failure of the script.
if ! grep -q -E '^100% tests passed' "$ctest_log"; then
    grep -E -A30 'FAIL!|\*\*\*' "$ctest_log" | sed -n '1,60p' || true
fi
suites_done=$(milliseconds)

# The real program, as a user starts it, with the simulated detector beside it, drawn by Wine
# on an X display: the simulator's trace shows what it did on the line.
run=$root/program
rm -rf "$run"
program_folder() { windows_program "$run" build-win/app/virel-configurator.exe "$qt" && cp "$dll" "$run/"; }
required "the program's folder $run" program_folder
trace=$root/startup-trace.txt
picture=$root/main-window.png
rm -f "$picture"
required "an X server (Xvfb)" start_xvfb "$root"
# Whether the read came is told below, from the trace.
start_traced "$run/virel-configurator.exe" "$trace" || true
sleep 1
window=$(xdotool search --onlyvisible --name 'Вирел' 2>/dev/null | head -n 1) || true
# The whole screen when the window was not found; a failed import is told below.
shot=$(import -window "${window:-root}" "$picture" 2>&1) || true
stop_windows_programs
wait "$traced" 2>/dev/null || true
if read_lines=$(startup_read "$trace"); then
    echo "$read_lines" | sed 's/^/     trace: /'
    tally ok "virel-configurator.exe read the simulated detector at start-up"
else
    tally FAIL "virel-configurator.exe: no start-up read in $trace"
fi
[ -s "$picture" ] && tally ok "main window saved as $picture" ||
    tally FAIL "no picture of the main window${shot:+: $shot}"
finished=$(milliseconds)

echo "Windows build $(seconds $((built - started))) s, Wine prefix $(seconds $((prefixed - built))) s," \
     "loader runs $(seconds $((loader_done - prefixed))) s," \
     "suites $(seconds $((suites_done - loader_done))) s, program $(seconds $((finished - suites_done))) s"
total
[ "$failed" -eq 0 ]
