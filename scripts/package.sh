#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree (./build, as scripts/build.sh
# leaves it, or the folder given), checks its file list and dependencies, unpacks it into a
# temporary root and checks the layout and the program's RUNPATH there.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "package.sh: $build is not configured; run scripts/build.sh first" >&2
    exit 1
fi
rm -f "$build"/virel-configurator_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/virel-configurator_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
echo "package: $deb"

contents=$(dpkg-deb -c "$deb")
missing=0
for f in usr/bin/virel-configurator \
         usr/bin/virel-configurator-demo \
         usr/lib/virel-configurator/libSimpleIO-UM.so \
         usr/lib/virel-configurator/sim/libSimpleIO-UM.so \
         usr/lib/udev/rules.d/70-virel-configurator.rules \
         usr/share/applications/org.example.virel_configurator.desktop \
         usr/share/metainfo/org.example.virel_configurator.metainfo.xml \
         usr/share/doc/virel-configurator/copyright \
         usr/share/doc/virel-configurator/changelog.gz \
         usr/share/man/man1/virel-configurator.1.gz \
         usr/share/man/man1/virel-configurator-demo.1.gz \
         usr/share/icons/hicolor/64x64/apps/virel-configurator.png \
         usr/share/icons/hicolor/128x128/apps/virel-configurator.png; do
    if grep -qE " \./$f\$" <<< "$contents"; then
        echo "ok: /$f in the package"
    else
        echo "FAIL: /$f missing from the package"
        missing=1
    fi
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for p in libqt6widgets6 libhidapi-hidraw0; do
    if grep -qE "(^|, )$p( |,|$)" <<< "$depends"; then
        echo "ok: depends on $p"
    else
        echo "FAIL: no dependency on $p"
        missing=1
    fi
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
tests/packaging/check_layout.sh "$root/usr" || missing=1

if [ "$missing" -ne 0 ]; then
    echo "package.sh: the package is incomplete" >&2
    exit 1
fi
echo "package.sh: $deb is complete"
