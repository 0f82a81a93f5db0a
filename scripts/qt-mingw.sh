#!/usr/bin/env bash
# Makes Qt 6.4.2 for 64-bit Windows (mingw-w64, posix threads) ready in ./build-qt (or in
# $VIREL_QT_CACHE) and prints its folder as the last line of standard output; everything else
# goes to standard error.
#
# With VIREL_QT_MINGW_ARCHIVE set to a prebuilt archive (qt-6.4.2-mingw-w64-x86_64-posix.tar.xz),
# its sha256 is checked and it is unpacked. Without it, the same Qt is built from Debian 12's own
# qt6-base source with the flags below: about three quarters of an hour of two cores. Either way
# the result is made in a temporary folder, renamed into place, and then recorded in a file
# beside it (NAME.done: the archive's sha256, or the source version that was built); a second
# run trusts the folder only with that record, and otherwise makes it anew.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD

name=qt-6.4.2-mingw-w64-x86_64-posix
archive_sha256=03f14b0b4dd425c969479b6f99729976d15d8661c5822004fa9a1b0b2a3726e9
source_version=6.4.2+dfsg-10
cache=${VIREL_QT_CACHE:-$project/build-qt}
qt=$cache/$name

done_file=$qt.done
from_archive="archive sha256 $archive_sha256"
from_source="built from qt6-base $source_version"

say() { echo "qt-mingw: $*" >&2; }

if [ -f "$done_file" ] && [ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
    case "$(cat "$done_file")" in
    "$from_archive" | "$from_source")
        echo "$qt"
        exit 0
        ;;
    esac
fi
if [ -e "$qt" ]; then
    say "$qt is not recorded as complete in $done_file; making it anew"
fi
scripts/deps.sh g++-mingw-w64-x86-64-posix xz-utils >&2
mkdir -p "$cache"

if [ -n "${VIREL_QT_MINGW_ARCHIVE:-}" ]; then
    say "checking $VIREL_QT_MINGW_ARCHIVE"
    echo "$archive_sha256  $VIREL_QT_MINGW_ARCHIVE" | sha256sum --check --quiet >&2 || {
        say "the archive's sha256 is not $archive_sha256"
        exit 1
    }
    rm -rf "$done_file" "$qt" "$qt.partial"
    mkdir "$qt.partial"
    tar -xJf "$VIREL_QT_MINGW_ARCHIVE" -C "$qt.partial"
    mv "$qt.partial/$name" "$qt"
    rmdir "$qt.partial"
    echo "$from_archive" >"$done_file"
    echo "$qt"
    exit 0
fi

# From source, fetched with Debian's checksums (scripts/debian-source.sh).
scripts/deps.sh ninja-build dpkg-dev patch >&2
started=$SECONDS
. scripts/debian-source.sh
debian_source "$cache" "qt6-base=$source_version"
say "unpacking the source"
src=$cache/source/qtbase
rm -rf "$src"
mkdir -p "$src"
tar -xJf "$cache"/source/qt6-base_6.4.2+dfsg.orig.tar.xz -C "$src" --strip-components=1
# Without OpenGL and Direct2D, two lines of the Windows platform plugin do not build.
patch -d "$src" -p1 <cmake/qt/qtbase-6.4.2-without-opengl.patch >&2

build=$cache/qtbase-build
rm -rf "$build" "$done_file" "$qt" "$qt.partial"
cmake -S "$src" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$project/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_INSTALL_PREFIX="$qt" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
      -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
      -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF \
      -DFEATURE_testlib=ON -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_direct2d=OFF \
      -DFEATURE_tabletevent=OFF -DFEATURE_accessibility=ON >&2
ninja -C "$build" -j2 >&2
# Into a folder of its own, renamed once complete: Qt's CMake files find their prefix from
# where they are, as the archive's do.
cmake --install "$build" --prefix "$qt.partial" >&2
find "$qt.partial" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
mv "$qt.partial" "$qt"
echo "$from_source" >"$done_file"
rm -rf "$build" "$src"
say "built from source in $((SECONDS - started)) s"
echo "$qt"
