#!/usr/bin/env bash
# Runs inside a guest of scripts/cable-boot.sh: the real program, with our MCP2200 library,
# against the virtual cable (build/bridge/vcable/virel-vcable) on the guest's real kernel.
#
#   cable-scenarios.sh PATH RESULTS    PATH: hidraw, gpio (hid-mcp2200 loaded) or wine
#
# One scenario a function, each judged from the cable's trace and the program's service log
# (and our library's lines on standard error). A line per scenario, "PASS" or "FAIL", with its
# time; then the figures of the start-up; RESULTS gets the traces and logs. Exits with 1 when a
# scenario failed.
set -uo pipefail
cd "$(dirname "$0")/.."
path=$1 results=$2
build=${VIREL_BUILD:-$PWD/build}
library=${VIREL_CABLE_LIBRARY:-$build/bridge/mcp2200}
export HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$results" && chmod 700 "$XDG_RUNTIME_DIR"
# Process substitution needs it; devtmpfs does not make it.
[ -e /dev/fd ] || ln -s /proc/self/fd /dev/fd
# shellcheck source=windows-program.sh
source scripts/windows-program.sh
# shellcheck source=windows-ui.sh
source scripts/windows-ui.sh

trace=$results/cable.txt fifo=/tmp/cable.fifo
cable_pid="" program_pid=""
cable() { echo "$*" >"$fifo"; }

# now: seconds on the cable's clock are not ours; scenario times are wall times of the guest.
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# after_mark TEXT: the trace from the line "mark TEXT" on.
after_mark() { awk -v m="mark $1" 'index($0, m) { on = 1 } on' "$trace"; }

# wait_for SECONDS COMMAND...: runs the command every second until it succeeds; seldom, as every
# process started under software emulation takes the program's processor from it.
wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < end)) || return 1
        sleep 1
    done
}

# read_after TEXT: the trace since the mark holds a whole configuration read, the A3 frame
# answered by the marker and five settings.
read_after() {
    after_mark "$1" | awk '$2 == "detector" && $3 == "frame" && $4 == "A3" { f = 1 }
        f && $2 == "detector" && $3 == "reply" && $4 == "53" && NF == 9 { ok = 1 }
        END { exit !ok }'
}

start_cable() {
    rm -f "$fifo"
    # A chip answers in its own time, whatever the PC does: the cable runs before anything else.
    chrt -f 10 "$build/bridge/vcable/virel-vcable" --trace "$trace" --control "$fifo" \
        --detector "${VIREL_CABLE_DETECTOR:-polling}" >"$results/cable.out" 2>&1 &
    cable_pid=$!
    wait_for 20 grep -q -x plugged "$results/cable.out"
}

# The node the program must open: the last one the cable was given.
node() { awk '$2 == "plug" && $4 ~ /^\/dev\// { n = $4 } END { print n }' "$trace"; }

portable=""
wine_setup() {
    local zip
    zip=$(ls "$build"/../build-win/package/virel-configurator-*-win64.zip 2>/dev/null | head -n 1)
    [ -n "$zip" ] || { echo "no Windows zip under build-win/package" >&2; return 1; }
    mkdir -p /tmp/zip && unzip -q -o "$zip" -d /tmp/zip
    portable=$(ls -d /tmp/zip/virel-configurator-*-win64)
    # A copy of the prefix scripts/cable-run.sh made on the host.
    cp -a build-cable/wine-prefix /tmp/prefix && wine_prefix /tmp/prefix || return 1
    # Wine's HID bus follows the cable's comings and goings through udevd, as on a user's
    # machine; its own watch of /dev, without udevd, drops a node plugged in again, as it takes
    # the mode devtmpfs gives the new node for its going. No rules: they would load hid-mcp2200.
    local rules
    rules=$(readlink -f /lib/udev/rules.d)
    mount -t tmpfs -o mode=755 tmpfs "$rules" && /lib/systemd/systemd-udevd --daemon --resolve-names=never
}

# start_program NAME [RUNNER...]: the configurator on the X display, its standard error in
# RESULTS/NAME.stderr.
start_program() {
    local name=$1
    shift
    if [ "$path" = wine ]; then
        (cd "$portable" && exec nice -n -10 "$@" "$wine" "$portable/virel-configurator.exe") \
            >/dev/null 2>"$results/$name.stderr" &
    else
        nice -n -10 env QT_QPA_PLATFORM="${platform:-xcb}" LD_LIBRARY_PATH="$library" \
            "$@" "$build/app/virel-configurator" >/dev/null 2>"$results/$name.stderr" &
    fi
    program_pid=$!
}

stop_program() {
    [ -n "$program_pid" ] || return 0
    if [ "$path" = wine ]; then "$wineserver" -k; fi
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    program_pid=""
}

second_pid=""
stop_second() {
    [ -n "$second_pid" ] || return 0
    kill "$second_pid" 2>/dev/null
    wait "$second_pid" 2>/dev/null
    second_pid=""
    # Under Wine the second has a main window too, and the clicks after this one are for the
    # first's: they wait until it is the only one.
    wait_for 30 one_main_window
}
one_main_window() { [ "$(xdotool search --onlyvisible --name "$main_window" 2>/dev/null | wc -l)" -le 1 ]; }

failures=0
# scenario NAME FUNCTION: runs it, prints its line and time.
scenario() {
    local start why
    stop_second
    start=$(now)
    # In this shell, so that what it starts is known to the scenarios after it.
    if "$2" >"$results/why.txt" 2>&1; then
        echo "PASS $path $1 ($(since "$start") s)"
    else
        why=$(cat "$results/why.txt")
        echo "FAIL $path $1 ($(since "$start") s): ${why:-no reason given}"
        failures=$((failures + 1))
    fi
}

fail() {
    local up=down x=down
    [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null && up=up
    kill -0 "$xvfb" 2>/dev/null && x=up
    echo "$* (program $up, X server $x)"
    return 1
}

# 1. The program started with the cable plugged in reads the detector's settings.
startup() {
    # Wine's first start brings up its services and its HID bus as well: minutes when emulated.
    local limit=120
    [ "$path" != wine ] || limit=600
    cable mark start
    start_program first
    wait_for "$limit" read_after start || fail "no configuration read in the trace" || return
    wait_for 30 window_at "$main_window" || fail "no main window" || return
    cable summary
}

# 2. "Сброс" then "Сохранить": the detector stores the defaults and the read-back verifies them.
write_verified() {
    local x y box
    read -r x y < <(window_at "$main_window") || fail "no main window" || return
    cable mark write
    click_at $((x + 580)) $((y + 251)) && click_at $((x + 580)) $((y + 220))
    wait_for 60 xdotool search --onlyvisible --name '^Конфигурация$' || fail "no result box" || return
    box=$(xdotool search --onlyvisible --name '^Конфигурация$' | head -n 1)
    # Closed whatever it says: a box left open would keep the scenarios after this one waiting.
    xdotool windowfocus --sync "$box" key Return
    # The written bytes, the commit, and the read-back giving the same bytes.
    after_mark write | awk '$2 == "detector" && $3 == "frame" && $4 == "A6" && NF == 9 {
            w = $5 " " $6 " " $7 " " $8 " " $9 }
        w != "" && $3 == "frame" && $4 == "A9" { c = 1 }
        c && $3 == "reply" && $4 == "53" && NF == 9 { r = $5 " " $6 " " $7 " " $8 " " $9 }
        END { print "written " w ", read back " r; exit !(c && w != "" && r == w) }' ||
        fail "the write was not stored and read back as written" || return
}

# 3. The cable pulled while idle and plugged back: the reason is logged, "Считать" reads again.
replug() {
    cable mark unplug
    cable unplug
    wait_for 30 grep -q 'pulled out' "$results/first.stderr"
    local told=$?
    cable plug
    ((told == 0)) || fail "no reason for the pulled cable" || return
    sleep 2
    cable mark replugged
    click_read
    wait_for 60 read_after replugged || fail "no read after plugging back" || return
}

# 5. A second instance while the first holds the cable is told it is busy; the first still reads.
second_instance() {
    local first=$program_pid
    platform=offscreen start_program second
    second_pid=$program_pid program_pid=$first
    wait_for 60 grep -qi 'busy' "$results/second.stderr" ||
        fail "the second instance was not told the cable is busy" || return
    stop_second
    cable mark still-first
    click_read
    wait_for 60 read_after still-first || fail "the first instance no longer reads" || return
}

# The service log, opened only now: its form, open, would slow every exchange before under
# software emulation. It has the reads and the pulled cable's reason in it.
service_form() {
    log=$(service_log) || fail "no service log" || return
    [ "$(grep -c -x 'Config get OK' <<<"$log")" -ge 3 ] || fail "fewer than three reads in the service log" || return
    grep -q 'was lost: the cable was pulled out' <<<"$log" ||
        fail "the service log does not say the cable was pulled out" || return
}

# 6. The chip stops answering in the middle of a read: the exchange ends within 2 s with the
# reason, and the window answers throughout: the freeze probe pings the main window as a window
# manager does, and each answer needs the program's event loop.
silent_chip() {
    local told went ended longest base window probe=$build/tools/freezeprobe/virel_freezeprobe prober
    [ -x "$probe" ] || fail "no freeze probe at $probe" || return
    window=$(xdotool search --onlyvisible --name "$main_window" | head -n 1)
    [ -n "$window" ] || fail "no main window" || return
    told=$(wc -l <"$results/first.stderr")
    # What an answer costs while the program idles, under emulation too: taken off.
    nice -n -10 "$probe" "$window" >"$results/freeze-idle.txt" 2>>"$results/probe.stderr" &
    prober=$!
    sleep 3
    kill "$prober"
    wait "$prober" 2>/dev/null
    base=$(awk '{ print int($1) }' "$results/freeze-idle.txt" | sort -n |
        awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : "" }')
    [ -n "$base" ] || fail "the idle program answered no ping: $(cat "$results/probe.stderr")" || return
    # As the program runs, so that what is timed is the program, not the probe's share of it.
    nice -n -10 "$probe" "$window" >"$results/freeze.txt" 2>>"$results/probe.stderr" &
    prober=$!
    cable mark silent
    cable silent-after 150
    click_read
    wait_for 60 went_silent || { kill "$prober"; fail "the cable never went silent"; return 1; }
    wait_for 30 reason_since "$told"
    # The exchange has ended when the program sends nothing more.
    sleep 3
    kill "$prober"
    wait "$prober" 2>/dev/null
    # The windows the failed read left open, for the scenarios after this one.
    xdotool search --onlyvisible --name . getwindowname %@ >"$results/windows-after-silent.txt" 2>&1
    cable answer
    went=$(after_mark silent | awk '$2 == "silent" { print $1; exit }')
    ended=$(after_mark silent | awk '$2 == "report-out" { t = $1 } END { print t }')
    longest=$(awk '{ print int($1) }' "$results/freeze.txt" | sort -n | tail -n 1)
    [ -z "$longest" ] || longest=$((longest > base ? longest - base : 0))
    echo "silent chip: exchange went on $(awk -v a="$went" -v b="$ended" 'BEGIN { printf "%.2f", b - a }') s after the chip hung; longest freeze ${longest:-?} ms of $(wc -l <"$results/freeze.txt") pings (each less the idle program's $base ms)" >"$results/silent.txt"
    reason_since "$told" || fail "no reason that the chip does not answer" || return
    awk -v a="$went" -v b="$ended" 'BEGIN { exit !(b - a <= 2) }' ||
        fail "the exchange went on $(awk -v a="$went" -v b="$ended" 'BEGIN { print b - a }') s" || return
    [ -n "$longest" ] || fail "no ping answered: $(cat "$results/probe.stderr")" || return
    ((longest <= 500)) || fail "the window froze $longest ms" || return
}
went_silent() { after_mark silent | awk '$2 == "silent" { found = 1 } END { exit !found }'; }
reason_since() { tail -n +"$(($1 + 1))" "$results/first.stderr" | grep -q 'does not answer'; }

# 4. A node the user may not open: the reason names the node and the remedy.
permission() {
    local n
    n=$(node)
    [ -n "$n" ] || fail "no device node" || return
    chmod 600 "$n"
    platform=offscreen start_program nobody setpriv --reuid=65534 --regid=65534 --clear-groups
    wait_for 60 grep -q "on $n cannot be opened: permission denied" "$results/nobody.stderr" ||
        fail "no permission reason for $n: $(head -c 300 "$results/nobody.stderr")" || return
    stop_program
    grep -q -i 'plug\|log out\|udevadm' "$results/nobody.stderr" || fail "no remedy in the reason" || return
}

# 7. Where the kernel's GPIO driver holds the cable, the package hands it over to hidraw (its
# postinst runs the same script): the driver is gone, the cable has a hidraw node, and the
# program started then reads through it.
handover() {
    packaging/mcp2200-to-hidraw 2>"$results/handover.stderr" ||
        fail "the hand-over failed: $(cat "$results/handover.stderr")" || return
    [ ! -d /sys/bus/hid/drivers/mcp2200 ] || fail "hid-mcp2200 is still loaded" || return
    wait_for 20 hidraw_node || fail "the cable got no hidraw node" || return
    cable mark handover
    start_program handover
    wait_for 120 read_after handover || fail "no read through $(hidraw_node)" || return
    stop_program
}
hidraw_node() {
    local nodes=(/sys/bus/hid/devices/*:04D8:00DF.*/hidraw/hidraw*)
    [ -e "${nodes[0]}" ] && echo "/dev/${nodes[0]##*/}"
}

# What the scenarios start to look and click runs after the program, the X server and the cable.
renice -n 10 $$ >/dev/null
[ "$path" = wine ] && { wine_setup || exit 1; }
# An X server of our own, its messages kept.
nice -n -10 Xvfb -audit 4 -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$results/display" 2>"$results/xvfb.log" &
xvfb=$!
wait_for 30 test -s "$results/display" || { echo "FAIL $path: no X server"; exit 1; }
export DISPLAY=:$(cat "$results/display")
start_cable || { echo "FAIL $path: the virtual cable did not come up"; cat "$results/cable.out"; exit 1; }
# Emulated, a pin call through Wine's HID stack took up to a quarter of a second (a Windows
# machine takes about a millisecond): there the detector waits a second for a stalled clock.
[ "$path" != wine ] || cable stall-limit 1000
scenario "start-up read" startup
if ((failures > 0)); then
    # Without a program that reads, the others would only wait out their limits.
    echo "SKIP $path: the other scenarios, as the start-up read failed"
    stop_program
    cable quit
    exit 1
fi
scenario "verified write" write_verified
scenario "second instance" second_instance
scenario "silent chip" silent_chip
scenario "replug while idle" replug
scenario "service log" service_form
stop_program
if [ "$path" = wine ]; then
    # Windows gives a HID device to every user: under Wine a node the user may not open only
    # hides the device, as no Windows machine does.
    echo "SKIP $path permission: Windows has no per-user access to a HID device"
else
    scenario "permission" permission
fi
[ "$path" != gpio ] || scenario "hand-over to hidraw" handover

cable quit
wait "$cable_pid" 2>/dev/null
# The start-up's figures, from the cable's summary at the end of the start-up read: the chip's
# CONFIGUREs (each a write of its non-volatile memory), the line drops outside frames and the
# median bit period.
after_mark start | awk -v path="$path" '$2 == "summary" { sub(/^[^ ]+ summary /, ""); print "figures " path ": " $0; exit }'
cat "$results/silent.txt" 2>/dev/null
stop_xvfb
dmesg >"$results/dmesg.txt" 2>&1
exit $((failures > 0))
