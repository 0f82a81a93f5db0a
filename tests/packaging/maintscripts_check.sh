#!/usr/bin/env bash
# The package's maintainer scripts. Where udev runs, postinst reloads the rules and triggers
# the hidraw and gpio devices again, and postrm reloads the rules after a removal; where it
# does not (a chroot, a container), where udevadm is missing or fails, they still succeed.
# postinst runs the installed hand-over of cables from hid-mcp2200 to hidraw, between the two,
# and succeeds when it fails. A running udev is stood in for by a /run/udev, the installed
# hand-over by an overlay on /usr/lib, in a mount namespace of the check's own.
# Usage: maintscripts_check.sh DIR_WITH_POSTINST_AND_POSTRM   (exit 77: cannot make the namespace)
set -uo pipefail

scripts=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fake" "$work/none"
# Records its arguments; fails when told to, as udevadm does when no daemon listens.
cat > "$work/fake/udevadm" <<'FAKE'
#!/bin/sh
echo "$*" >> "$UDEVADM_LOG"
exit "${UDEVADM_EXIT:-0}"
FAKE
chmod +x "$work/fake/udevadm"
mkdir -p "$work/usrlib/virel-configurator"
cat > "$work/usrlib/virel-configurator/mcp2200-to-hidraw" <<'FAKE'
#!/bin/sh
echo handover >> "$UDEVADM_LOG"
exit "${HANDOVER_EXIT:-0}"
FAKE
chmod +x "$work/usrlib/virel-configurator/mcp2200-to-hidraw"

if ! unshare -m sh -c 'mount -t tmpfs tmpfs /run' 2>/dev/null; then
    echo "skip: no mount namespace can be made here"
    exit 77
fi

mount=$(command -v mount)
reload='control --reload-rules'
trigger='trigger --action=change --subsystem-match=hidraw --subsystem-match=gpio'
# script | argument | udevadm: fake, failing or none | udev running | hand-over installed:
# none, fake or failing | expected calls (; between)
cases=(
    "postinst|configure|fake|yes|none|$reload;$trigger"
    "postinst|configure|failing|yes|none|$reload;$trigger"
    "postinst|configure|fake|no|none|"
    "postinst|configure|none|yes|none|"
    "postinst|abort-upgrade|fake|yes|none|"
    "postinst|configure|fake|yes|fake|$reload;handover;$trigger"
    "postinst|configure|fake|yes|failing|$reload;handover;$trigger"
    "postinst|configure|fake|no|fake|handover"
    "postinst|abort-upgrade|fake|yes|fake|"
    "postrm|remove|fake|yes|none|$reload"
    "postrm|remove|failing|yes|none|$reload"
    "postrm|remove|fake|no|none|"
    "postrm|purge|fake|yes|none|"
    "postrm|upgrade|fake|yes|none|"
)
failures=0
for case in "${cases[@]}"; do
    IFS='|' read -r script argument udevadm running handover expected <<< "$case"
    log=$work/log
    : > "$log"
    path=$work/fake
    [ "$udevadm" = none ] && path=$work/none
    exit_code=0
    [ "$udevadm" = failing ] && exit_code=1
    setup="$mount -t tmpfs tmpfs /run"
    [ "$running" = yes ] && setup="$setup && mkdir /run/udev"
    [ "$handover" != none ] &&
        setup="$setup && $mount -t overlay -o 'lowerdir=$work/usrlib:/usr/lib' overlay /usr/lib"
    handover_exit=0
    [ "$handover" = failing ] && handover_exit=1
    unshare -m /bin/sh -c "$setup && exec env -i PATH='$path' UDEVADM_LOG='$log' \
        UDEVADM_EXIT=$exit_code HANDOVER_EXIT=$handover_exit /bin/sh '$scripts/$script' '$argument'"
    status=$?
    calls=$(paste -sd ';' "$log")
    name="$script $argument (udevadm $udevadm, udev running: $running, hand-over: $handover)"
    if [ "$status" -ne 0 ]; then
        echo "FAIL: $name exited with $status"
        failures=$((failures + 1))
    elif [ "$calls" != "$expected" ]; then
        echo "FAIL: $name called '$calls', expected '$expected'"
        failures=$((failures + 1))
    else
        echo "ok: $name"
    fi
done
[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
