#!/usr/bin/env bash
# Makes hidapi's Windows backend ready as a static library for 64-bit Windows (mingw-w64) in
# ./build-hidapi (or in $VIREL_HIDAPI_CACHE) and prints its folder as the last line of standard
# output; everything else goes to standard error. The folder holds include/hidapi.h and
# hidapi_winapi.h, lib/libhidapi.a and hidapi's licence texts (LICENSE*.txt), for the packages'
# licences.
#
# The source is the upstream tarball of Debian unstable's hidapi package, fetched with Debian's
# checksums, and it must also have the sha256 below: unstable replaces its Debian revisions, the
# tarball stays. cmake/hidapi's patch makes its enumeration work under Wine. The folder is made
# under another name and renamed once complete: a second run trusts it and only prints it.
set -euo pipefail
cd "$(dirname "$0")/.."

version=0.15.0
tarball_sha256=5d84dec684c27b97b921d2f3b73218cb773cf4ea915caee317ac8fc73cef8136
patch_file=$PWD/cmake/hidapi/hidapi-$version-wine-enumeration.patch
cache=${VIREL_HIDAPI_CACHE:-$PWD/build-hidapi}
out=$cache/hidapi-$version-mingw-w64-x86_64

say() { echo "hidapi-mingw: $*" >&2; }

if [ -f "$out/include/hidapi_winapi.h" ]; then
    echo "$out"
    exit 0
fi
# Made by an earlier version of this script, without the Windows header.
rm -rf "$out"
scripts/deps.sh g++-mingw-w64-x86-64-posix patch >&2
started=$SECONDS
. scripts/debian-source.sh
tarball=hidapi_$version.orig.tar.gz
debian_source "$cache" hidapi sid "$tarball"
echo "$tarball_sha256  $cache/source/$tarball" | sha256sum --check --quiet >&2 || {
    say "the tarball's sha256 is not $tarball_sha256"
    exit 1
}

partial=$out.partial
src=$partial/source
rm -rf "$partial"
trap 'rm -rf "$partial"' EXIT
mkdir -p "$src" "$partial/include" "$partial/lib"
tar -xzf "$cache/source/$tarball" -C "$src" --strip-components=1
patch -d "$src" -p1 --quiet <"$patch_file" >&2
# hidapi's own code is built as it comes, without our warning flags.
x86_64-w64-mingw32-gcc-posix -O2 -I"$src/hidapi" -c "$src/windows/hid.c" -o "$src/hid.o"
# hidapi.h marks every function dllexport, for a hidapi.dll of its own; linked into our DLL,
# they must not leave it, so the object's export directives go.
x86_64-w64-mingw32-objcopy --remove-section=.drectve "$src/hid.o"
x86_64-w64-mingw32-ar rcs "$partial/lib/libhidapi.a" "$src/hid.o"
cp "$src/hidapi/hidapi.h" "$src/windows/hidapi_winapi.h" "$partial/include/"
cp "$src"/LICENSE*.txt "$partial/"
rm -rf "$src"
mv "$partial" "$out"
say "built in $((SECONDS - started)) s"
echo "$out"
