#!/usr/bin/env bash
# Checks an installed configurator under PREFIX (a `cmake --install` prefix or the usr/ of an
# unpacked .deb): the files are where they belong, the program's RUNPATH leads to the
# hardware bridge library, and the demo launcher puts the simulated one first.
# Usage: check_layout.sh PREFIX
set -uo pipefail

prefix=$(readlink -f "$1")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

program=$prefix/bin/virel-configurator
demo=$prefix/bin/virel-configurator-demo
hardware=$prefix/lib/virel-configurator/libSimpleIO-UM.so
simulated=$prefix/lib/virel-configurator/sim/libSimpleIO-UM.so

handover=$prefix/lib/virel-configurator/mcp2200-to-hidraw
for f in "$program" "$demo" "$handover"; do
    [ -f "$f" ] && [ -x "$f" ] && pass "${f#$prefix/} is an executable file" \
        || fail "${f#$prefix/} missing or not executable"
done
for f in "$hardware" "$simulated" \
         "$prefix/lib/udev/rules.d/70-virel-configurator.rules" \
         "$prefix/share/applications/org.example.virel_configurator.desktop" \
         "$prefix/share/metainfo/org.example.virel_configurator.metainfo.xml" \
         "$prefix/share/doc/virel-configurator/copyright"; do
    [ -f "$f" ] && pass "${f#$prefix/} present" || fail "${f#$prefix/} missing"
done
for size in 64 128; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/virel-configurator.png
    kind=$(file -b "$icon" 2>/dev/null || true)
    if grep -q "PNG image data, $size x $size" <<< "$kind"; then
        pass "${size}x${size} icon"
    else
        fail "${icon#$prefix/} is not a ${size}x${size} PNG"
    fi
done
if [ -f "$hardware" ] && [ -f "$simulated" ] && cmp -s "$hardware" "$simulated"; then
    fail "the hardware and the simulated library are the same file"
fi
# (readelf's output is taken whole first: grep -q closing a pipe early would fail the pipe.)
hardware_symbols=$(readelf --dyn-syms -W "$hardware" 2>/dev/null || true)
if grep -q ' sim_' <<< "$hardware_symbols"; then
    fail "lib/virel-configurator/libSimpleIO-UM.so is the simulated library"
fi
# Where the kernel has hid-mcp2200, udev must not load it: the cable stays on hidraw.
grep -qx 'blacklist hid_mcp2200' "$prefix/lib/modprobe.d/virel-configurator.conf" 2>/dev/null \
    && pass "modprobe.d keeps hid-mcp2200 from loading" \
    || fail "lib/modprobe.d/virel-configurator.conf does not blacklist hid_mcp2200"
grep -q 'TAG+="uaccess"' "$prefix/lib/udev/rules.d/70-virel-configurator.rules" 2>/dev/null \
    && grep -qi '04d8' "$prefix/lib/udev/rules.d/70-virel-configurator.rules" \
    && pass "udev rule grants the seat's user access" || fail "udev rule lacks uaccess for 04d8"

for doc in share/doc/virel-configurator/changelog share/man/man1/virel-configurator.1 \
           share/man/man1/virel-configurator-demo.1; do
    gzip -t "$prefix/$doc.gz" 2>/dev/null && pass "$doc.gz" || fail "$doc.gz missing or not gzip"
done

desktop=$prefix/share/applications/org.example.virel_configurator.desktop
metainfo=$prefix/share/metainfo/org.example.virel_configurator.metainfo.xml
# Software centres join the two by id: the metainfo launches the desktop entry by its file name.
if [ -f "$metainfo" ] && ! grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo"; then
    fail "the metainfo does not launch $(basename "$desktop")"
fi
if [ -f "$desktop" ] && command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" && pass "desktop entry is valid" \
        || fail "desktop entry does not validate"
fi
if [ -f "$metainfo" ] && command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >/dev/null && pass "AppStream metadata is valid" \
        || fail "AppStream metadata does not validate"
fi
if [ -f "$desktop" ] && ! grep -qx 'Exec=virel-configurator' "$desktop"; then
    fail "desktop entry does not start virel-configurator"
fi

# RUNPATH (not the older RPATH, which LD_LIBRARY_PATH could not override) of the program.
dynamic=$(readelf -d -W "$program" 2>/dev/null || true)
runpath=$(sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p' <<< "$dynamic")
if grep -q '(RPATH)' <<< "$dynamic"; then
    fail "the program carries an RPATH, which would win over LD_LIBRARY_PATH"
fi
found=""
IFS=: read -r -a dirs <<< "$runpath"
for dir in "${dirs[@]}"; do
    dir=${dir//\$ORIGIN/$prefix/bin}
    dir=${dir//\$\{ORIGIN\}/$prefix/bin}
    if [ -z "$found" ] && [ -f "$dir/libSimpleIO-UM.so" ]; then
        found=$(readlink -f "$dir/libSimpleIO-UM.so")
    fi
done
if [ -n "$found" ] && [ "$found" = "$(readlink -f "$hardware")" ]; then
    pass "RUNPATH '$runpath' finds $found"
else
    fail "RUNPATH '$runpath' does not lead to lib/virel-configurator/libSimpleIO-UM.so"
fi

# The launcher puts the sim folder, relative to itself, at the front of LD_LIBRARY_PATH.
if [ -f "$demo" ]; then
    demo_path=$(sed -n 's/^LD_LIBRARY_PATH="\([^$]*\)\$here\/\([^$"]*\)\${.*/\2/p' "$demo")
    if [ -n "$demo_path" ] && [ -f "$prefix/bin/$demo_path/libSimpleIO-UM.so" ] \
        && [ "$(readlink -f "$prefix/bin/$demo_path/libSimpleIO-UM.so")" = "$(readlink -f "$simulated")" ]; then
        pass "demo launcher points at ${demo_path}"
    else
        fail "demo launcher does not point at the sim folder"
    fi
fi

# Where the program loads the bridge itself, watch the dynamic loader do it: the plain
# program must take the hardware library, the launcher the simulated one. SKIP_LOADER_RUN, set
# to a reason, leaves this out where the loader cannot be watched as the program sees it.
loaded_by() {
    local log out pid
    log=$(mktemp)
    out=$(mktemp -d)
    # Without an inherited LD_LIBRARY_PATH: the program alone must find the hardware library.
    (cd "$out" && exec env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen LD_DEBUG=libs \
        LD_DEBUG_OUTPUT="$log" timeout 30 "$@" >/dev/null 2>&1) &
    pid=$! # timeout itself: stopping it stops the program
    for _ in $(seq 1 150); do
        if grep -qs 'calling init: .*libSimpleIO-UM\.so' "$log".*; then
            break
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    cat "$log".* 2>/dev/null | sed -n 's/.*calling init: \(.*libSimpleIO-UM\.so\)$/\1/p' | head -n1 \
        | xargs -r readlink -f
    rm -rf "$log" "$log".* "$out"
}
program_symbols=$(readelf --dyn-syms -W "$program" 2>/dev/null || true)
if [ -n "${SKIP_LOADER_RUN:-}" ]; then
    echo "skipped: the loader run, because $SKIP_LOADER_RUN"
elif grep -q ' dlopen' <<< "$program_symbols"; then
    got=$(loaded_by "$program")
    [ "$got" = "$(readlink -f "$hardware")" ] && pass "the program loads $got" \
        || fail "the program loaded '${got:-nothing}' instead of the hardware library"
    got=$(loaded_by "$demo")
    [ "$got" = "$(readlink -f "$simulated")" ] && pass "the demo launcher loads $got" \
        || fail "the demo launcher loaded '${got:-nothing}' instead of the simulated library"
else
    echo "note: the program does not load a bridge library yet; loader run skipped"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed under $prefix"
    exit 1
fi
echo "installed layout under $prefix is complete"
