#!/bin/sh
# The init of the guests that scripts/cable-boot.sh starts; not for running by hand. POSIX sh,
# for busybox and for the host's /bin/sh alike.
#
# Stage 1 is the initramfs's /init (cable-kit.sh copies this file there): it loads the modules
# up to virtio-9p, mounts the host's root read-only and switch_roots into it, running stage 2 of
# this same file as the host has it (cable.init=PATH on the kernel command line).
#
# Stage 2 sets up the guest on the host's read-only root: proc, sys, devtmpfs, tmpfs on /tmp,
# /run, /var/tmp and /root, the kit's modules on /lib/modules (cable.modules=PATH), uhid and,
# when asked, hid-mcp2200, and the results folder (cable.results=PATH, shared writable) at the
# host's path. It then runs the command that RESULTS/guest.job gives, from the folder it names,
# with its output in RESULTS/guest.log and on the serial console, writes its exit status to
# RESULTS/guest.rc and powers the guest off. A failure before the command leaves its reason in
# RESULTS/guest.setup-error instead of guest.rc.

arg() { echo " $(cat /proc/cmdline) " | sed -n "s/.*[[:space:]]$1=\([^[:space:]]*\).*/\1/p"; }

# Marks the stages on the console with the guest's uptime, to tell where boot time goes.
mark() { echo "cable-init: $* at $(cut -d' ' -f1 /proc/uptime) s" >/dev/console; }

# busybox (busybox-static on the host) powers off at once; sysrq is the fallback, and once the
# root's transport is gone nothing can be run any more, hence the loop.
off() {
    sync
    /bin/busybox poweroff -f
    echo o >/proc/sysrq-trigger
    while :; do :; done
}

stage1() {
    /bin/busybox --install -s /bin
    export PATH=/bin
    mount -t proc proc /proc
    mount -t sysfs sysfs /sys
    mount -t devtmpfs devtmpfs /dev
    while read -r module; do
        insmod "/modules/$module" || echo "cable-init: insmod $module failed" >/dev/console
    done </modules/order
    if ! mount -t 9p -o ro,trans=virtio,version=9p2000.L,msize=512000,cache=loose \
        hostroot /newroot; then
        echo "cable-init: the host's root did not mount over 9p" >/dev/console
        off
    fi
    mark "the host's root mounted"
    init=$(arg cable.init)
    umount /dev /sys
    umount /proc
    exec switch_root /newroot /bin/sh "$init" stage2
}

stage2() {
    export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
    mount -t proc proc /proc
    mount -t sysfs sysfs /sys
    mount -t devtmpfs devtmpfs /dev
    mkdir -p /dev/pts /dev/shm
    # What udev would add and devtmpfs does not; bash's process substitution needs /dev/fd.
    ln -s /proc/self/fd /dev/fd
    ln -s fd/0 /dev/stdin
    ln -s fd/1 /dev/stdout
    ln -s fd/2 /dev/stderr
    mount -t devpts -o gid=5,mode=620,ptmxmode=666 devpts /dev/pts
    mount -t tmpfs -o mode=1777 tmpfs /dev/shm
    for dir in /tmp /var/tmp; do mount -t tmpfs -o mode=1777 tmpfs "$dir"; done
    for dir in /run /root; do mount -t tmpfs -o mode=755 tmpfs "$dir"; done
    mkdir -p /run/lock /tmp/home
    results=$(arg cable.results)
    modules=$(arg cable.modules)
    mkdir -p "$results" 2>/dev/null
    if ! mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 results "$results"; then
        echo "cable-init: the results folder $results did not mount" >/dev/console
        off
    fi
    rm -f "$results/guest.rc" "$results/guest.setup-error"

    fail() {
        echo "cable-init: $*" | tee "$results/guest.setup-error" >/dev/console
        off
    }
    # A host without /lib/modules gets one through a read-only overlay over /usr/lib.
    if [ -d /lib/modules ]; then
        mount --bind "$modules" /lib/modules || fail "binding $modules on /lib/modules failed"
    else
        mount -t overlay -o "lowerdir=${modules%/modules}:/usr/lib" overlay /usr/lib ||
            fail "the overlay that brings /lib/modules failed"
    fi
    [ -d "/lib/modules/$(uname -r)" ] || fail "no modules for $(uname -r) in $modules"
    ip link set lo up 2>/dev/null

    CABLE_CWD=/
    CABLE_DRIVER=
    # shellcheck disable=SC1091
    . "$results/guest.job" || fail "no job in $results/guest.job"
    load() { said=$(modprobe "$1" 2>&1) || fail "modprobe $1 failed: $said"; }
    load uhid
    load hid-generic
    [ -z "$CABLE_DRIVER" ] || load "$CABLE_DRIVER"
    [ -c /dev/uhid ] || fail "no /dev/uhid"
    cd "$CABLE_CWD" || fail "the folder $CABLE_CWD is not there in the guest"

    export HOME=/tmp/home USER=root LOGNAME=root SHELL=/bin/sh TERM=dumb LANG=C.UTF-8
    log=$results/guest.log
    : >"$log"
    # The log is written straight to its file, so that what the command leaves running cannot
    # hold the guest up; tail copies it to the console until the command ends.
    mark "the command starts"
    cable_job </dev/null >"$log" 2>&1 &
    job=$!
    tail -n +1 -s 0.2 -f --pid="$job" "$log" >/dev/console 2>&1 &
    copier=$!
    wait "$job"
    rc=$?
    wait "$copier"
    mark "the command ended with status $rc"
    echo "$rc" >"$results/guest.rc.new"
    mv "$results/guest.rc.new" "$results/guest.rc"
    off
}

# The kernel hands init the words of its command line it does not know, so stage 1 is told by
# the initramfs's files rather than by its arguments.
if [ "${1:-}" = stage2 ]; then
    stage2
elif [ -f /modules/order ]; then
    stage1
else
    echo "cable-init: for the guests of scripts/cable-boot.sh only" >&2
    exit 2
fi
