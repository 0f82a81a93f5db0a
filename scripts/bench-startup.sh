#!/usr/bin/env bash
# Compares the configurator's start-up with a plain Qt Widgets window's (tools/barewindow) on a
# private Xvfb server: the time from the start to the first mapped window, the CPU time the main
# thread had used by then, and the peak resident set size once each program has run on for a
# settling time. The two programs are run in alternating pairs, the first of each pair swapping
# every time, so that a machine's load drifting during the run weighs on both alike. Prints the
# medians and their ratios, and the median of the pairs' own ratios.
#     scripts/bench-startup.sh [PAIRS]        (default 20; SETTLE_MS=1000 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-20}
settle_ms=${SETTLE_MS:-1000}

scripts/deps.sh xvfb libxcb1-dev
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target virel-configurator virel_barewindow virel_firstmap simpleio_sim \
    > /dev/null

work=$(mktemp -d)
# Without -noreset the server resets whenever its last client leaves, refusing the next meanwhile.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3> "$work/display" 2> /dev/null &
xvfb=$!
trap 'kill "$xvfb" 2> /dev/null; wait "$xvfb" 2> /dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { echo "bench-startup: Xvfb did not start" >&2; exit 1; }

# The configurator runs on the simulated detector, as ./run.sh starts it, so its bridge
# bring-up is part of the figure. Both programs get the same environment.
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
export LD_LIBRARY_PATH="$PWD/build/bridge/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
bare=build/tools/barewindow/virel_barewindow
app=build/app/virel-configurator

# One run: appends "map_ms main_cpu_ms peak_rss_kib" to the program's file.
measure() {
    local line
    if ! line=$(build/tools/firstmap/virel_firstmap "$settle_ms" "$1" 2> "$work/stderr"); then
        echo "bench-startup: $1 did not start" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
    sed -E 's/map_ms=([0-9.]+) main_cpu_ms=([-0-9.]+) peak_rss_kib=([0-9]+)/\1 \2 \3/' <<< "$line" \
        >> "$2"
}

# A first run of each fills the page cache and the font cache; it is not counted.
measure "$bare" /dev/null
measure "$app" /dev/null
for i in $(seq "$pairs"); do
    if [ $((i % 2)) -eq 1 ]; then
        measure "$bare" "$work/bare"
        measure "$app" "$work/app"
    else
        measure "$app" "$work/app"
        measure "$bare" "$work/bare"
    fi
done

median() { # column of a file
    cut -d' ' -f"$2" "$1" | sort -g | awk '{v[NR] = $1} END {
        if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
pair_ratio_median() { # column: the median of the pairs' own ratios
    paste -d' ' <(cut -d' ' -f"$1" "$work/app") <(cut -d' ' -f"$1" "$work/bare") |
        awk '{print $1 / $2}' | sort -g | awk '{v[NR] = $1} END {
        if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

printf 'start-up under Xvfb, %d alternating pairs, each run settled %d ms after its first map\n' \
    "$(wc -l < "$work/app")" "$settle_ms"
printf '%-24s %14s %14s %14s\n' "" "first map ms" "main CPU ms" "peak RSS MiB"
row() { # label, decimals, the three figures
    printf "%-24s %14.${2}f %14.${2}f %14.${2}f\n" "$1" "$3" "$4" "$5"
}
for program in bare app; do
    label="configurator (median)"
    [ "$program" = bare ] && label="bare Qt window (median)"
    row "$label" 1 "$(median "$work/$program" 1)" "$(median "$work/$program" 2)" \
        "$(awk -v k="$(median "$work/$program" 3)" 'BEGIN {print k / 1024}')"
done
ratio() { # column
    awk -v a="$(median "$work/app" "$1")" -v b="$(median "$work/bare" "$1")" 'BEGIN {print a / b}'
}
row "ratio of the medians" 3 "$(ratio 1)" "$(ratio 2)" "$(ratio 3)"
row "median of pair ratios" 3 "$(pair_ratio_median 1)" "$(pair_ratio_median 2)" \
    "$(pair_ratio_median 3)"
