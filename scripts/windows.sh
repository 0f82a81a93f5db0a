#!/usr/bin/env bash
# Builds what needs no Qt for 64-bit Windows with mingw-w64 into ./build-win (the bridge loader,
# the simulated detector as SimpleIO-UM.dll, the loader's console test), checks the DLL's
# exports, and runs the test under Wine once per library layout. The last line is the total,
# "N passed, M failed"; the script fails when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh g++-mingw-w64-x86-64-posix wine64

milliseconds() { echo $(($(date +%s%N) / 1000000)); }
started=$(milliseconds)
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DVIREL_WITHOUT_QT=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo --no-warn-unused-cli >/dev/null
cmake --build build-win -j2 >/dev/null
built=$(milliseconds)

passed=0
failed=0
tally() { # ok|FAIL what
    printf '%-4s %s\n' "$1" "$2"
    if [ "$1" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# The simulated DLL exports the eight entry points and the control interface its header
# declares, undecorated, and nothing else.
dll=build-win/bridge/sim/SimpleIO-UM.dll
exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
          sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | sort)
expected=$( (printf '%s\n' InitMCP2200 IsConnected ConfigureIO SetPin ClearPin ReadPin \
                           fnSetBaudRate ConfigureMCP2200
             sed -n 's/^SIM_EXPORT .*\b\(sim_[a-z_]*\)(.*/\1/p' bridge/sim/SimControl.h) | sort)
echo "SimpleIO-UM.dll exports: $(echo "$exports" | tr "\n" " ")"
if [ "$exports" = "$expected" ]; then
    tally ok "SimpleIO-UM.dll exports exactly the entry points and the control interface"
else
    tally FAIL "SimpleIO-UM.dll exports: $(diff <(echo "$expected") <(echo "$exports") | tr '\n' ' ')"
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
lay_out missing
lay_out notdll
echo "not a library" >"$root/layouts/notdll/SimpleIO-UM.dll"
lay_out dependent "$stand_ins/libdependent_bridge_dll.dll"
lay_out partial "$stand_ins/libpartial_bridge_dll.dll"
lay_out sim "$dll"
lay_out planted
mkdir -p "$root/layouts/planted-cwd"
cp "$dll" "$root/layouts/planted-cwd/SimpleIO-UM.dll"
mkdir -p "$root/cwd"

export WINEPREFIX=$root/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
# The first start makes the prefix, which takes most of the time; its messages are no test's.
"$wine" wineboot --init >/dev/null 2>&1
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
# Wine maps the Unix root to drive Z:.
planted_dir=$root/layouts/planted-cwd
run_layout planted "$planted_dir" "Z:${planted_dir//\//\\}"
"${wine%/wine64}/wineserver" -k 2>/dev/null || true
finished=$(milliseconds)

seconds() { printf '%d.%01d' $(($1 / 1000)) $(($1 % 1000 / 100)); }
echo "Windows build $(seconds $((built - started))) s, Wine prefix $(seconds $((prefixed - built))) s," \
     "test runs $(seconds $((finished - prefixed))) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
