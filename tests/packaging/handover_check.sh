#!/usr/bin/env bash
# The hand-over of MCP2200 cables from the kernel's hid-mcp2200 to hid-generic: with the driver
# loaded as a module it is unloaded (modprobe -r, else rmmod), and a cable left with no driver
# is probed again; a built-in or busy driver keeps its cables and is told; other devices are
# left alone. sysfs and the module tools are stood in for, in a mount namespace of the check's
# own: a tmpfs on /sys and tools in PATH that act as the kernel would.
# Usage: handover_check.sh SCRIPT   (exit 77: cannot make the namespace)
set -uo pipefail

script=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
# Unloading the driver leaves its cables to hid-generic, or to no driver when GENERIC=no.
for tool in modprobe rmmod; do
    cat > "$work/bin/$tool" <<FAKE
#!/bin/sh
echo "$tool \$*" >> "\$CALLS"
[ "\$$(echo "$tool" | tr a-z A-Z)_EXIT" = 0 ] || exit 1
for device in /sys/bus/hid/devices/*; do
    [ "\$(cat "\$device/driver/name" 2>/dev/null)" = mcp2200 ] || continue
    rm "\$device/driver"
    [ "\$GENERIC" = yes ] && ln -s /sys/bus/hid/drivers/hid-generic "\$device/driver"
done
rm -rf /sys/module/hid_mcp2200 /sys/bus/hid/drivers/mcp2200
exit 0
FAKE
done
chmod +x "$work/bin/"*

if ! unshare -m sh -c 'mount -t tmpfs tmpfs /sys' 2>/dev/null; then
    echo "skip: no mount namespace can be made here"
    exit 77
fi

# Lays out the fake sysfs: DRIVER none, module or builtin; CABLE none, bound or unbound; OTHER
# yes: an unbound device of another maker beside it.
layout='
mount -t tmpfs tmpfs /sys
mkdir -p /sys/bus/hid/devices /sys/bus/hid/drivers/hid-generic
echo hid-generic > /sys/bus/hid/drivers/hid-generic/name
: > /sys/bus/hid/drivers_probe
if [ "$DRIVER" != none ]; then
    mkdir -p /sys/bus/hid/drivers/mcp2200 /sys/module/hid_mcp2200
    echo mcp2200 > /sys/bus/hid/drivers/mcp2200/name
    [ "$DRIVER" = module ] && echo live > /sys/module/hid_mcp2200/initstate
fi
if [ "$CABLE" != none ]; then
    mkdir /sys/bus/hid/devices/0003:04D8:00DF.0001
    [ "$CABLE" = bound ] && ln -s /sys/bus/hid/drivers/mcp2200 /sys/bus/hid/devices/0003:04D8:00DF.0001/driver
fi
[ "$OTHER" = yes ] && mkdir /sys/bus/hid/devices/0003:046D:C52B.0002
'
# name | driver | cable | other | modprobe -r exits | rmmod exits | hid-generic binds |
# exit status | tool calls (; between) | names written to drivers_probe
cases=(
    "cable on the module|module|bound|no|0|0|yes|0|modprobe -r hid_mcp2200|"
    "modprobe fails, rmmod unloads|module|bound|no|1|0|yes|0|modprobe -r hid_mcp2200;rmmod hid_mcp2200|"
    "module in use|module|bound|no|1|1|yes|1|modprobe -r hid_mcp2200;rmmod hid_mcp2200|"
    "built-in driver|builtin|bound|no|0|0|yes|1||"
    "unloaded, nothing binds the cable|module|bound|no|0|0|no|0|modprobe -r hid_mcp2200|0003:04D8:00DF.0001"
    "no driver, an unbound cable|none|unbound|yes|0|0|yes|0||0003:04D8:00DF.0001"
    "no driver, no cable|none|none|yes|0|0|yes|0||"
)
failures=0
for case in "${cases[@]}"; do
    IFS='|' read -r name driver cable other modprobe_exit rmmod_exit generic status calls probes \
        <<< "$case"
    : > "$work/calls"
    unshare -m env -i PATH="$work/bin:/usr/bin:/bin" CALLS="$work/calls" DRIVER="$driver" \
        CABLE="$cable" OTHER="$other" MODPROBE_EXIT="$modprobe_exit" RMMOD_EXIT="$rmmod_exit" \
        GENERIC="$generic" /bin/sh -c "$layout
/bin/sh '$script' 2>'$work/said'
echo \$? > '$work/status'
tr '\n' ' ' < /sys/bus/hid/drivers_probe > '$work/probes'"
    got_status=$(cat "$work/status")
    got_calls=$(paste -sd ';' "$work/calls")
    got_probes=$(sed 's/ $//' "$work/probes")
    if [ "$got_status" != "$status" ] || [ "$got_calls" != "$calls" ] \
        || [ "$got_probes" != "$probes" ]; then
        echo "FAIL: $name: exit $got_status, calls '$got_calls', probed '$got_probes';" \
            "expected exit $status, calls '$calls', probed '$probes'"
        sed 's/^/    said: /' "$work/said"
        failures=$((failures + 1))
    elif [ "$status" != 0 ] && [ ! -s "$work/said" ]; then
        echo "FAIL: $name: exit $status without a word why"
        failures=$((failures + 1))
    else
        echo "ok: $name"
    fi
done
[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
