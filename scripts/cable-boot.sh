#!/usr/bin/env bash
# Boots one QEMU guest on Debian's kernel KERNEL, the host's root as its own (read-only), runs
# CMD ARGS there as root and exits with CMD's exit status. Must run as root.
#
#   scripts/cable-boot.sh KERNEL RESULTS [--driver hid-mcp2200] [--cpus N] [--timeout S] \
#       -- CMD ARGS...
#
# KERNEL   6.12 (Debian 13's kernel), newest (the newest of Debian 13's backports), or a
#          release as `uname -r` says it (a folder of the kit that scripts/cable-kit.sh makes,
#          which this script runs first; a second run of it takes seconds).
# RESULTS  a host folder, made if missing, shared writable and mounted in the guest at the same
#          path. It receives guest.log (CMD's standard output and error, which are also on the
#          serial console), guest.rc (CMD's exit status), boot.log (the serial console),
#          guest.job (the command as the guest reads it) and, when the guest failed before CMD,
#          guest.setup-error. Every run replaces them; one run at a time per folder.
# --driver hid-mcp2200
#          also loads our out-of-tree build of that driver, before CMD makes any device.
#          uhid and hid-generic are always loaded.
# --cpus N guest processors (1); --timeout S: QEMU is killed after S seconds (900).
#
# CMD runs from the folder this script was called from (so that folder must be visible in the
# guest: not under /tmp, /run, /var/tmp or /root unless under RESULTS), with stdin /dev/null,
# PATH, HOME=/tmp/home, USER=root and LANG=C.UTF-8; nothing else of the caller's environment
# (pass variables with `env NAME=VALUE CMD...`). The guest has /tmp, /var/tmp, /run, /root and
# /dev/shm as tmpfs, the kit's modules on /lib/modules, no network but loopback and 4 GiB (the
# Wine guest copies its prefix of some 700 MB into its /tmp).
#
# Once the guest is off, prints guest.log on standard output (this script's own lines go to
# standard error) and exits with CMD's status; 125 with a message for bad arguments and when the
# guest never wrote guest.rc (setup failed, the guest crashed, or the time limit was hit).
# Guests run side by side: each has only its own RESULTS, no ports. The kit is
# $VIREL_CABLE_KIT as for cable-kit.sh. QEMU uses software emulation (tcg) unless
# VIREL_CABLE_ACCEL=kvm: in a nested, paravirtual KVM Debian's kernels stop on an emulation
# failure. A guest reaches CMD in about 15 s of wall time on an idle host, up to a minute on a
# loaded one.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

say() { echo "cable-boot: $*" >&2; }
usage() {
    [ $# -gt 0 ] && say "$*"
    echo "usage: $0 KERNEL RESULTS [--driver hid-mcp2200] [--cpus N] [--timeout S] -- CMD ARGS..." >&2
    exit 125
}

[ $# -ge 2 ] || usage
kernel=$1
results=$2
shift 2
driver=""
cpus=1
timeout=900
while [ $# -gt 0 ]; do
    case $1 in
    --driver) [ $# -ge 2 ] || usage "--driver needs a module"; driver=$2; shift 2 ;;
    --cpus) [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || usage "--cpus needs a count"; cpus=$2; shift 2 ;;
    --timeout) [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || usage "--timeout needs seconds"; timeout=$2; shift 2 ;;
    --) shift; break ;;
    *) usage "unknown option $1" ;;
    esac
done
[ $# -gt 0 ] || usage "no command after --"
case $driver in
"" | hid-mcp2200) ;;
*) usage "the kit has no driver $driver (only hid-mcp2200)" ;;
esac
die() {
    say "$*"
    exit 125
}
[ "$(id -u)" -eq 0 ] || die "must run as root"

# The paths travel on the kernel command line and in QEMU's options.
path_ok() {
    [[ $1 =~ ^/[^[:space:],:]*$ ]] || die "$1: no spaces, commas or colons in the guest's paths"
}
mkdir -p "$results"
results=$(cd "$results" && pwd -P)
path_ok "$results"
path_ok "$repo"
[ "$results" != / ] || die "RESULTS cannot be /"
exec 9<"$results"
flock -n 9 || die "another guest is using $results"

cwd=$(pwd -P)
case $cwd/ in
"$results"/*) ;;
/tmp/* | /var/tmp/* | /run/* | /root/* | /dev/* | /proc/* | /sys/*)
    die "the guest does not see $cwd (its /tmp, /run, /var/tmp and /root are its own)" ;;
esac

kit=$("$repo/scripts/cable-kit.sh" | tail -n 1)
if [ -z "$kernel" ] || [ ! -f "$kit/$kernel/vmlinuz" ]; then
    die "no kernel $kernel in the kit; it has: $(cd "$kit" && for k in */vmlinuz; do
        printf '%s ' "${k%/vmlinuz}"; done)"
fi
kdir=$(cd "$kit/$kernel" && pwd -P)
release=${kdir##*/}
path_ok "$kdir"

quote() { printf "'%s'" "${1//\'/\'\\\'\'}"; }
rm -f "$results"/guest.{log,rc,rc.new,setup-error,job} "$results/boot.log"
{
    echo "CABLE_CWD=$(quote "$cwd")"
    echo "CABLE_DRIVER=$(quote "$driver")"
    printf 'cable_job() {'
    for word in "$@"; do printf ' %s' "$(quote "$word")"; done
    printf '\n}\n'
} >"$results/guest.job"

accel=${VIREL_CABLE_ACCEL:-tcg}
case $accel in
# A processor without SMAP and AVX: two features of QEMU 7.2's software CPU kill Wine's programs.
# With SMAP, IRETQ at user level reads its stack as the kernel would, and Wine's system call
# return (an IRETQ) oopses the guest's kernel; with AVX2, a VPMASKMOVD in Qt's image conversion,
# a masked load whose masked lanes lie in the unmapped page before its buffer, faults. Turning
# the two off alone leaves VAES, whose code in Qt also takes AVX2 for granted.
tcg) cpu=Westmere ;;
kvm) cpu=host ;;
*) die "VIREL_CABLE_ACCEL is tcg or kvm, not $accel" ;;
esac
append="console=ttyS0 quiet panic=-1 cable.init=$repo/scripts/cable-init.sh"
append+=" cable.results=$results cable.modules=$kdir/modules/lib/modules"

started=$SECONDS
timeout -k 10 "$timeout" qemu-system-x86_64 -nodefaults -no-user-config -machine pc \
    -accel "$accel" -cpu "$cpu" -smp "$cpus" -m 4096 -display none -monitor none -no-reboot \
    -serial "file:$results/boot.log" -kernel "$kdir/vmlinuz" -initrd "$kdir/initrd.img" \
    -append "$append" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$results,mount_tag=results,security_model=none,multidevs=remap" \
    </dev/null &
qemu=$!
trap 'kill "$qemu" 2>/dev/null' EXIT
trap 'exit 130' INT TERM
qemu_rc=0
wait "$qemu" || qemu_rc=$?
trap - EXIT
took=$((SECONDS - started))

[ -f "$results/guest.log" ] && cat "$results/guest.log"
if [ "$qemu_rc" -eq 124 ] || [ "$qemu_rc" -eq 137 ]; then
    say "the guest ($release) hit the time limit of $timeout s: QEMU killed"
elif [ "$qemu_rc" -ne 0 ]; then
    say "QEMU ($release) failed with status $qemu_rc"
fi
if [ -f "$results/guest.rc" ]; then
    rc=$(cat "$results/guest.rc")
    say "guest on $release ($accel) ran $took s; the command's status: $rc"
    exit "$rc"
fi
if [ -f "$results/guest.setup-error" ]; then
    say "the guest ($release) failed before the command: $(cat "$results/guest.setup-error")"
else
    say "the guest ($release) wrote no guest.rc after $took s; its console's end ($results/boot.log):"
    tail -n 20 "$results/boot.log" >&2 || true
fi
exit 125
