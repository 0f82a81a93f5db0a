#!/usr/bin/env bash
# Makes the kit that scripts/cable-boot.sh boots QEMU guests from, and prints its folder as the
# last line of standard output; everything else goes to standard error. Must run as root
# (debootstrap, chroot). A second run only checks what is there and prints the folder.
#
#   scripts/cable-kit.sh
#
# The folder is ./build-cable/kit, or $VIREL_CABLE_KIT. For each kernel it holds
# KIT/RELEASE/ (RELEASE as `uname -r` says it) with:
#   vmlinuz        Debian's kernel image
#   modules/lib/modules/RELEASE
#                  Debian's modules, plus updates/hid-mcp2200.ko built here, depmod'ed
#   initrd.img     busybox and the modules that reach a 9p root, /init being cable-init.sh
#   hid-mcp2200.c  the driver's source as that kernel's Debian source has it
# and KIT/NAME -> RELEASE for the names cable-boot.sh takes: 6.12 (Debian 13's kernel) and
# newest (the newest kernel of Debian 13's backports).
#
# The kernels are Debian's own packages at the versions pinned below, fetched through Debian's
# signed index with a sources list of our own (KIT/apt), so the system's lists stay as they are;
# each file must also have the sha256 pinned here. The driver is built out of tree from the
# very kernel's Debian source, against its headers, with its compiler (gcc 14 in a Debian 13
# root that debootstrap makes in KIT/root).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

kit=${VIREL_CABLE_KIT:-$repo/build-cable/kit}
mirror=http://deb.debian.org/debian
security_mirror=http://deb.debian.org/debian-security

# name release package=version sha256 sha1: the current versions on 9 December 2026, 6.12.121
# from trixie-security and 7.3.4 from trixie-backports. The sha1 finds the file on
# snapshot.debian.org should the mirror have dropped that version (snapshot.debian.org is not
# reachable from every network: it was not from the machine these pins were made on).
pins="
6.12 6.12.121+deb13-amd64 linux-image-6.12.121+deb13-amd64-unsigned=6.12.121-1 a8d6375876522f09714aa67e2c12e147d2016682d2590d77072187671f1cbeab 076fed1179d0371a4783b8a7ac8fdc01d67c51e0
6.12 6.12.121+deb13-amd64 linux-headers-6.12.121+deb13-amd64=6.12.121-1 769ae18c1417871b631da88bc2b084bdc13ce1434b4194031b85bbee6d16773c 09fc6ec5882eb636f8edb1a7714bff59cbac9907
6.12 6.12.121+deb13-amd64 linux-headers-6.12.121+deb13-common=6.12.121-1 3f7909c2ffd51ea112751eebb95d730f5dbb645c412b92f3fe0b52dfe205c19d 97a01d445835749e589dea6e19680c5dbb46a4ee
6.12 6.12.121+deb13-amd64 linux-kbuild-6.12.121+deb13=6.12.121-1 33c160b8e14523aa4e87badf4e612a9da93cd79ea8c30e72613e37ff82a269a1 9a759b4c2d958dee732ef07c841df3f3853085b2
6.12 6.12.121+deb13-amd64 linux-source-6.12=6.12.121-1 22bc7e8374699d49d9ecbc294848d6e92c37d59ab5fee40cf3cd6e6f51909fb4 5759a64cdee76c7f385370fceed90a82633839b8
newest 7.3.4+deb13-amd64 linux-binary-unsigned-7.3.4+deb13-amd64=7.3.4-1~bpo13+1 f7192653d0b077ddb7059842822a9f4dc28395ec9e5fd2fc31064cc3b1ed3edb 69417c901dadbdc44e4aa7a2cd163f57356d1dea
newest 7.3.4+deb13-amd64 linux-modules-7.3.4+deb13-amd64=7.3.4-1~bpo13+1 b3ea01922c9f133767a83cf6891c19b3693858ded617bf22d1e34f95382c08ea 45cbbd130ed4a215720efcde754ede75539775b2
newest 7.3.4+deb13-amd64 linux-base-7.3.4+deb13-amd64=7.3.4-1~bpo13+1 5663505495b5c90be94af42105c7b28629802516779102dac48d5a00cc00fccf 8f4611248c4b168992aea335aceb0b94d017f4a3
newest 7.3.4+deb13-amd64 linux-headers-7.3.4+deb13-amd64=7.3.4-1~bpo13+1 1c43249a7b98aee4af60f2b822ddb04a9e96c1c9e8b013e5f74d3d9faf318699 03c567cbb8c74571d98630957f846cb57e91c146
newest 7.3.4+deb13-amd64 linux-headers-7.3.4+deb13-common=7.3.4-1~bpo13+1 886647d4a7b05d2aedd22f8e16917c5b75e97e8946966d6bac48962c40b19a06 8c8f53adf789d61222ddca97e6916b0a30512efa
newest 7.3.4+deb13-amd64 linux-kbuild-7.3.4+deb13=7.3.4-1~bpo13+1 248cce12d48862f7d38ca51efdb759c031192543d144f18bd36a5df37f156244 977755b5a9f82ecdac54fab10b252c6c55c6afe6
newest 7.3.4+deb13-amd64 linux-source-7.3=7.3.4-1~bpo13+1 703e369ddd4cce971452f5a593ee55df3a5c10c83caf0fa0df039633ed181ee3 94589443b986be97e5c0a149375aad80b208c7d6
"
# What reaches the host's root over virtio-9p (their dependencies come from modules.dep), and
# overlay for a host without /lib/modules.
initramfs_modules="virtio_pci 9pnet_virtio 9p overlay"

say() { echo "cable-kit: $*" >&2; }
die() {
    say "$*"
    exit 1
}

[ "$(id -u)" -eq 0 ] || die "must run as root (debootstrap, chroot)"
scripts/deps.sh qemu-system-x86 debootstrap busybox-static cpio gzip xz-utils zstd kmod \
    dpkg curl ca-certificates coreutils util-linux debian-archive-keyring >&2
started=$SECONDS
mkdir -p "$kit/debs"
# Guests started side by side each run this script first.
exec 8>"$kit/.lock"
flock 8

# Rebuilds a step only when what it is made from changed: its marker holds their checksum.
step_done() { [ -f "$kit/.done-$1" ] && [ "$(cat "$kit/.done-$1")" = "$2" ]; }
built=""
mark_done() {
    echo "$2" >"$kit/.done-$1"
    built=1
}

apt_dir=$kit/apt
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
             -o Dir::State::status=/dev/null -o APT::Architecture=amd64
             -o APT::Sandbox::User=root)
apt_updated=""
apt_update() {
    [ -n "$apt_updated" ] && return
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg suite
    : >"$apt_dir/sources.list"
    for suite in trixie trixie-updates trixie-backports; do
        echo "deb [signed-by=$keyring] $mirror $suite main" >>"$apt_dir/sources.list"
    done
    echo "deb [signed-by=$keyring] $security_mirror trixie-security main" >>"$apt_dir/sources.list"
    apt-get "${apt_options[@]}" update >&2
    apt_updated=1
}

# The .deb of one pin, checked against its sha256, in KIT/debs.
deb_file() { echo "$kit/debs/${1%%=*}.deb"; }
fetch_deb() {
    local pin=$1 sha256=$2 sha1=$3 file
    file=$(deb_file "$pin")
    # A file once checked is not read again while its size and time stay.
    if [ -f "$file" ] && [ "$(cat "$file.checked" 2>/dev/null)" = "$sha256 $(stat -c '%s %Y' "$file")" ]; then
        return
    fi
    if [ -f "$file" ] && echo "$sha256  $file" | sha256sum --check --quiet >/dev/null 2>&1; then
        echo "$sha256 $(stat -c '%s %Y' "$file")" >"$file.checked"
        return
    fi
    apt_update
    rm -rf "$kit/debs/download" && mkdir -p "$kit/debs/download"
    if (cd "$kit/debs/download" && apt-get "${apt_options[@]}" download "$pin" >&2); then
        mv "$kit/debs/download"/*.deb "$file"
    elif [ "$sha1" != - ]; then
        # Debian's mirror keeps only the current versions; snapshot.debian.org keeps every
        # file by its sha1. Not reachable from every network, hence only the fallback.
        say "$pin has left the mirror; trying snapshot.debian.org"
        curl -fsSL --max-time 900 -o "$file" "https://snapshot.debian.org/file/$sha1" >&2 ||
            die "$pin is neither on the mirror nor on snapshot.debian.org: move its pin on"
    else
        die "$pin has left the mirror and has no sha1 for snapshot.debian.org: move its pin on"
    fi
    echo "$sha256  $file" | sha256sum --check --quiet >&2 || {
        rm -f "$file"
        die "$pin does not have the sha256 pinned here"
    }
    echo "$sha256 $(stat -c '%s %Y' "$file")" >"$file.checked"
}

while read -r _ _ pin sha256 sha1; do
    [ -n "$pin" ] && fetch_deb "$pin" "$sha256" "$sha1"
done <<<"$pins"

# The build root: Debian 13 with the compiler its kernels are built with.
root=$kit/root
root_packages=gcc-14,make,libc6-dev,libelf1t64,libssl3t64,zlib1g,pahole
if ! step_done root "$root_packages"; then
    say "making a Debian 13 root in $root"
    rm -rf "$root"
    debootstrap --variant=minbase --include="$root_packages" trixie "$root" "$mirror" >&2
    mark_done root "$root_packages"
fi

pin_field() { awk -v n="$1" -v f="$2" '$1 == n { print $f; exit }' <<<"$pins"; }
pins_of() { awk -v n="$1" '$1 == n { print $3 }' <<<"$pins"; }

# The modules listed, after those each needs, as modules.dep has them.
module_closure() {
    local tree=$1 m
    shift
    for m in "$@"; do
        awk -v want="$m" '
            function name(path) { sub(/.*\//, "", path); sub(/\.ko(\.[a-z]+)?$/, "", path)
                                  gsub(/-/, "_", path); return path }
            { sub(/:$/, "", $1); deps[name($1)] = $0; file[name($1)] = $1 }
            function visit(n,   parts, i, count) {
                if (n in seen) return
                seen[n] = 1
                if (!(n in file)) return
                count = split(deps[n], parts, " ")
                for (i = count; i >= 2; i--) visit(name(parts[i]))
                print file[n]
            }
            END { visit(want) }' "$tree/modules.dep"
    done | awk '!seen[$0]++'
}

build_kernel() {
    local name=$1 release out x tree src_pkg hash ko
    release=$(pin_field "$name" 2)
    out=$kit/$release
    x=$out/modules
    tree=$x/lib/modules/$release
    hash=$(for p in $(pins_of "$name"); do echo "$p"; done | sha256sum | cut -c1-16)

    if ! step_done "kernel-$release" "$hash"; then
        say "unpacking Linux $release"
        rm -rf "$out"
        mkdir -p "$x" "$out/unpacked"
        for p in $(pins_of "$name"); do
            case $p in
            linux-source-* | linux-headers-* | linux-kbuild-*) ;;
            *) dpkg-deb -x "$(deb_file "$p")" "$out/unpacked" ;;
            esac
        done
        # Packages put modules in /lib or /usr/lib; the kit keeps one lib/modules.
        if [ -d "$out/unpacked/usr/lib/modules/$release" ]; then
            mkdir -p "$x/lib/modules" && mv "$out/unpacked/usr/lib/modules/$release" "$tree"
        else
            mkdir -p "$x/lib/modules" && mv "$out/unpacked/lib/modules/$release" "$tree"
        fi
        # Linux 6.12's packages put the image in /boot, later ones beside the modules.
        if [ -f "$out/unpacked/boot/vmlinuz-$release" ]; then
            mv "$out/unpacked/boot/vmlinuz-$release" "$out/vmlinuz"
            cp "$out/unpacked/boot/config-$release" "$out/config"
        else
            mv "$tree"/vmlinuz* "$out/vmlinuz"
            cp "$tree/config" "$out/config"
        fi
        rm -rf "$out/unpacked"
        rm -f "$kit/.done-driver-$release" "$kit/.done-initrd-$release"
        mark_done "kernel-$release" "$hash"
    fi

    # The driver, from that kernel's own Debian source, built against its headers.
    src_pkg=$(pins_of "$name" | grep '^linux-source-')
    if ! step_done "driver-$release" "$hash $(cat "$kit/.done-root")"; then
        say "building hid-mcp2200 for Linux $release"
        for p in $(pins_of "$name" | grep -E '^linux-(headers|kbuild)-'); do
            dpkg-deb -x "$(deb_file "$p")" "$root"
        done
        local tarball=./usr/src/${src_pkg%%=*}.tar.xz build=$root/build/$release
        rm -rf "$build" && mkdir -p "$build"
        dpkg-deb --fsys-tarfile "$(deb_file "$src_pkg")" | tar -xO "$tarball" |
            tar -xJ -C "$build" --strip-components=3 --wildcards '*/drivers/hid/hid-mcp2200.c' \
                '*/drivers/hid/hid-ids.h'
        cp "$build/hid-mcp2200.c" "$out/hid-mcp2200.c"
        echo 'obj-m := hid-mcp2200.o' >"$build/Kbuild"
        # objtool reads /proc; a mount namespace of its own takes that mount away afterwards.
        # shellcheck disable=SC2016
        unshare --mount --propagation private sh -c 'mount -t proc proc "$1/proc" &&
            exec chroot "$1" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp \
                make -C "/usr/src/linux-headers-$2" "M=/build/$2" modules' - "$root" "$release" >&2
        mkdir -p "$tree/updates"
        cp "$build/hid-mcp2200.ko" "$tree/updates/"
        depmod -b "$x" "$release"
        mark_done "driver-$release" "$hash $(cat "$kit/.done-root")"
    fi

    # The initramfs: busybox, the modules up to the 9p root, and the first stage of cable-init.
    hash=$(cat scripts/cable-init.sh /bin/busybox "$tree/modules.dep" | sha256sum | cut -c1-16)
    if ! step_done "initrd-$release" "$hash"; then
        say "making the initramfs for Linux $release"
        local ird=$out/initrd
        rm -rf "$ird" && mkdir -p "$ird/bin" "$ird/modules" "$ird/dev" "$ird/proc" "$ird/sys" \
            "$ird/newroot"
        cp /bin/busybox "$ird/bin/busybox"
        ln -s busybox "$ird/bin/sh"
        cp scripts/cable-init.sh "$ird/init"
        chmod 755 "$ird/init"
        : >"$ird/modules/order"
        # shellcheck disable=SC2086
        for ko in $(module_closure "$tree" $initramfs_modules); do
            local base=${ko##*/}
            case $base in
            *.ko.xz) xz -dc "$tree/$ko" >"$ird/modules/${base%.xz}" ;;
            *.ko.zst) zstd -qdc "$tree/$ko" >"$ird/modules/${base%.zst}" ;;
            *.ko.gz) gzip -dc "$tree/$ko" >"$ird/modules/${base%.gz}" ;;
            *) cp "$tree/$ko" "$ird/modules/$base" ;;
            esac
            echo "${base%.ko*}.ko" >>"$ird/modules/order"
        done
        (cd "$ird" && find . | cpio --quiet -o -H newc | gzip -1) >"$out/initrd.img.new"
        mv "$out/initrd.img.new" "$out/initrd.img"
        rm -rf "$ird"
        mark_done "initrd-$release" "$hash"
    fi
    ln -sfn "$release" "$kit/$name"
}

for name in $(awk 'NF { print $1 }' <<<"$pins" | uniq); do
    build_kernel "$name"
done
[ -n "$built" ] && say "kit ready in $((SECONDS - started)) s"
echo "$kit"
