#!/usr/bin/env bash
# The package's maintainer scripts. Where udev runs, postinst reloads the rules and triggers
# the hidraw and gpio devices again, and postrm reloads the rules after a removal; where it
# does not (a chroot, a container), where udevadm is missing or fails, they still succeed.
# A running udev is stood in for by a /run/udev in a mount namespace of the check's own.
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

if ! unshare -m sh -c 'mount -t tmpfs tmpfs /run' 2>/dev/null; then
    echo "skip: no mount namespace can be made here"
    exit 77
fi

mount=$(command -v mount)
reload='control --reload-rules'
trigger='trigger --action=change --subsystem-match=hidraw --subsystem-match=gpio'
# script | argument | udevadm: fake, failing or none | udev running | expected calls (; between)
cases=(
    "postinst|configure|fake|yes|$reload;$trigger"
    "postinst|configure|failing|yes|$reload;$trigger"
    "postinst|configure|fake|no|"
    "postinst|configure|none|yes|"
    "postinst|abort-upgrade|fake|yes|"
    "postrm|remove|fake|yes|$reload"
    "postrm|remove|failing|yes|$reload"
    "postrm|remove|fake|no|"
    "postrm|purge|fake|yes|"
    "postrm|upgrade|fake|yes|"
)
failures=0
for case in "${cases[@]}"; do
    IFS='|' read -r script argument udevadm running expected <<< "$case"
    log=$work/log
    : > "$log"
    path=$work/fake
    [ "$udevadm" = none ] && path=$work/none
    exit_code=0
    [ "$udevadm" = failing ] && exit_code=1
    setup="$mount -t tmpfs tmpfs /run"
    [ "$running" = yes ] && setup="$setup && mkdir /run/udev"
    unshare -m /bin/sh -c "$setup && exec env -i PATH='$path' UDEVADM_LOG='$log' \
        UDEVADM_EXIT=$exit_code /bin/sh '$scripts/$script' '$argument'"
    status=$?
    calls=$(paste -sd ';' "$log")
    name="$script $argument (udevadm $udevadm, udev running: $running)"
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
