#!/usr/bin/env bash
# The cable's whole path, run for real: boots QEMU guests with Debian's kernels
# (scripts/cable-kit.sh, scripts/cable-boot.sh) and runs scripts/cable-scenarios.sh in each,
# the real program against the virtual cable on every path a user's cable takes:
#
#   hidraw        Debian 13's 6.12, no hid-mcp2200: our library over hidraw
#   gpio-6.12     6.12 with the kernel's hid-mcp2200 loaded: the GPIO chip
#   gpio-newest   the newest kernel Debian has, hid-mcp2200 loaded (setters give back a count)
#   wine          6.12 over hidraw, the Windows zip's program under Wine
#
#   cable-run.sh [PATH...]    (all four by default)
#
# Needs scripts/build.sh's build (with build/bridge/vcable) and, for wine, the zip of
# scripts/windows-package.sh. The Linux guests run two at a time, a core each, then the wine
# guest alone with two. Results in build-cable/results/PATH/. Prints each
# scenario's line and time, each path's figures, and exits non-zero when a scenario failed.
set -uo pipefail
cd "$(dirname "$0")/.."
paths=("$@")
[ ${#paths[@]} -gt 0 ] || paths=(wine hidraw gpio-6.12 gpio-newest)
start=$SECONDS
scripts/cable-kit.sh >/dev/null || { echo "FAIL: the kit could not be made"; exit 1; }
echo "cable: kit ready after $((SECONDS - start)) s"
# The guests run on the host's root: what the scenarios drive the program with is installed here.
scripts/deps.sh xvfb xdotool xclip >/dev/null || { echo "FAIL: the scenarios' tools could not be installed"; exit 1; }

results=$PWD/build-cable/results
# Wine's first start is minutes under software emulation: the prefix is made here, where it takes
# seconds, and each wine guest starts from a copy of it.
wine_prefix_ready() {
    local prefix=$PWD/build-cable/wine-prefix bus='HKLM\System\CurrentControlSet\Services\winebus'
    # What the prefix is made with; a prefix made otherwise is made again.
    local made="winebus: Enable SDL 0"
    # udevd for the guest, which tells Wine's HID bus of the cable's comings and goings.
    scripts/deps.sh wine64 fonts-wine unzip udev >/dev/null || return 1
    [ "$(cat "$prefix/.ready" 2>/dev/null)" = "$made" ] && return 0
    rm -rf "$prefix"
    # Wine's HID bus reads hidraw only with its SDL bus off when there is no libSDL2.
    # shellcheck source=windows-program.sh
    (source scripts/windows-program.sh && wine_prefix "$prefix" && "$wine" wineboot -i &&
        "$wine" reg add "$bus" /v 'Enable SDL' /t REG_DWORD /d 0 /f &&
        "$wineserver" -w) >/dev/null 2>&1 && echo "$made" >"$prefix/.ready"
}
# run PATH: one guest, its scenarios, its lines prefixed by nothing; status in PATH/rc.
run() {
    local dir=$results/$1 kernel=6.12 driver=() guest=$1 begin=$SECONDS cpus=1
    case $1 in
        gpio-6.12) driver=(--driver hid-mcp2200) guest=gpio ;;
        gpio-newest) kernel=newest driver=(--driver hid-mcp2200) guest=gpio ;;
        hidraw) ;;
        # A pin call under Wine passes through three processes: on one emulated core one in
        # six waited longer than the detector's 100 ms, and the detector gave up its frames.
        wine) cpus=${VIREL_CABLE_WINE_CPUS:-2} ;;
        *) echo "FAIL $1: no such path"; echo 1 >"$dir.rc"; return ;;
    esac
    rm -rf "$dir" && mkdir -p "$dir"
    scripts/cable-boot.sh "$kernel" "$dir" "${driver[@]}" --cpus "$cpus" --timeout "${VIREL_CABLE_TIMEOUT:-1500}" \
        -- scripts/cable-scenarios.sh "$guest" "$dir" >"$dir/host.log" 2>&1
    echo $? >"$dir.rc"
    echo "cable: $1 took $((SECONDS - begin)) s" >>"$dir/host.log"
}

mkdir -p "$results"
linux=() wine_too=""
for p in "${paths[@]}"; do
    if [ "$p" = wine ]; then wine_too=1; else linux+=("$p"); fi
done
if [ -n "$wine_too" ]; then
    wine_prefix_ready || { echo "FAIL: no Wine prefix for the wine guest"; exit 1; }
fi
# The Linux guests two at a time, a core each; the Wine guest alone after them, on both cores:
# a third emulated core beside two stalled the others' frames beyond the detector's 100 ms.
for ((i = 0; i < ${#linux[@]}; i += 2)); do
    run "${linux[i]}" &
    [ $((i + 1)) -ge ${#linux[@]} ] || run "${linux[i + 1]}"
    wait
done
[ -z "$wine_too" ] || run wine

status=0
for p in "${paths[@]}"; do
    dir=$results/$p
    echo "== $p"
    grep -E '^(PASS|FAIL|SKIP|figures|silent chip:) |^cable: ' "$dir/host.log" 2>/dev/null || tail -n 20 "$dir/host.log"
    [ "$(cat "$dir.rc" 2>/dev/null)" = 0 ] || status=1
done
echo "cable: all paths took $((SECONDS - start)) s"
exit $status
