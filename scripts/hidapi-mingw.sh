#!/usr/bin/env bash
# Makes hidapi's Windows backend ready as a static library for 64-bit Windows (mingw-w64) in
# ./build-hidapi (or in $VIREL_HIDAPI_CACHE) and prints its folder as the last line of standard
# output; everything else goes to standard error. The folder holds include/hidapi.h,
# lib/libhidapi.a and hidapi's licence texts (LICENSE*.txt), for the packages' licences.
#
# The source is Debian 12's own hidapi package, fetched with Debian's checksums; its upstream
# tarball must also have the sha256 below. A second run only prints the folder.
set -euo pipefail
cd "$(dirname "$0")/.."

version=0.13.1
source_version=$version-1
tarball_sha256=476a2c9a4dc7d1fc97dd223b84338dbea3809a84caea2dcd887d9778725490e3
cache=${VIREL_HIDAPI_CACHE:-$PWD/build-hidapi}
out=$cache/hidapi-$version-mingw-w64-x86_64

say() { echo "hidapi-mingw: $*" >&2; }

if [ -f "$out/lib/libhidapi.a" ]; then
    echo "$out"
    exit 0
fi
scripts/deps.sh g++-mingw-w64-x86-64-posix dpkg-dev >&2
started=$SECONDS
. scripts/debian-source.sh
debian_source "$cache" "hidapi=$source_version"
tarball=$cache/source/hidapi_$version.orig.tar.gz
echo "$tarball_sha256  $tarball" | sha256sum --check --quiet >&2 || {
    say "the tarball's sha256 is not $tarball_sha256"
    exit 1
}

src=$cache/hidapi-source
rm -rf "$src" "$out"
mkdir -p "$src" "$out/include" "$out/lib"
tar -xzf "$tarball" -C "$src" --strip-components=1
# hidapi's own code is built as it comes, without our warning flags.
x86_64-w64-mingw32-gcc-posix -O2 -I"$src/hidapi" -c "$src/windows/hid.c" -o "$src/hid.o"
# hidapi.h marks every function dllexport, for a hidapi.dll of its own; linked into our DLL,
# they must not leave it, so the object's export directives go.
x86_64-w64-mingw32-objcopy --remove-section=.drectve "$src/hid.o"
x86_64-w64-mingw32-ar rcs "$out/lib/libhidapi.a" "$src/hid.o"
cp "$src/hidapi/hidapi.h" "$out/include/"
cp "$src"/LICENSE*.txt "$out/"
rm -rf "$src"
say "built in $((SECONDS - started)) s"
echo "$out"
