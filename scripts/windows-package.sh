#!/usr/bin/env bash
# Makes the Windows packages from a Windows build (./build-win, or the folder given) into its
# package/ folder: the portable virel-configurator-VERSION-win64.zip and the installer
# virel-configurator-VERSION-setup.exe (NSIS), each holding the program, its Qt and MinGW DLLs,
# our MCP2200 library as its SimpleIO-UM.dll, a demo folder with its own copy on the simulated
# detector, a README and the licences.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-program.sh
build=${1:-build-win}

scripts/deps.sh nsis zip >/dev/null
qt=$(scripts/qt-mingw.sh | tail -n 1)
hidapi=$(scripts/hidapi-mingw.sh | tail -n 1)
version=$(sed -n 's/^project(virel-configurator VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=virel-configurator-$version-win64
exe=$build/app/virel-configurator.exe
sim=$build/bridge/sim/SimpleIO-UM.dll
mcp2200=$build/bridge/mcp2200/SimpleIO-UM.dll
for f in "$exe" "$sim" "$mcp2200"; do
    [ -f "$f" ] || { echo "windows-package.sh: $f is missing; build $build first" >&2; exit 1; }
done

out=$build/package
stage=$out/stage/$name
rm -rf "$out/stage" "$out/$name.zip" "$out/virel-configurator-$version-setup.exe"
mkdir -p "$stage"

# Notepad wants a byte order mark before it takes a file as UTF-8, and older ones CR LF.
windows_text() { # source target [sed script]
    { printf '\xef\xbb\xbf'; sed -e "${3:-}" -e 's/$/\r/' "$1"; } >"$2"
}

windows_program "$stage" "$exe" "$qt"
cp "$mcp2200" "$stage/SimpleIO-UM.dll"
windows_program "$stage/demo" "$exe" "$qt"
cp "$sim" "$stage/demo/SimpleIO-UM.dll"
# Debian's MinGW run-time DLLs carry their symbols: a tenth of libstdc++'s size without them.
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# Every DLL a shipped file imports is either beside the program or part of Windows.
missing=0
check_imports() { # folder [find tests]
    local dll dir
    for dll in $(find "$@" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-objdump -p {} + |
                 sed -n 's/^\s*DLL Name: //p' | sort -u); do
        for dir in "$qt/bin" "${windows_runtime_dirs[@]}"; do
            if [ -f "$dir/$dll" ] && [ ! -f "$1/$dll" ]; then
                echo "windows-package.sh: $dll is needed but missing from $1" >&2
                missing=1
            fi
        done
    done
}
check_imports "$stage" -not -path "$stage/demo/*"
check_imports "$stage/demo"
[ "$missing" -eq 0 ] || exit 1

windows_text packaging/windows/README.txt "$stage/README.txt" "s/@VERSION@/$version/g"
licenses=$stage/licenses
mkdir -p "$licenses/qt-source" "$licenses/hidapi-source"
package_version() { dpkg-query -W -f='${Version}' "$1"; }
windows_text packaging/windows/licenses.txt "$licenses/README.txt" \
    "s/@GCC_VERSION@/$(package_version gcc-mingw-w64-x86-64-posix-runtime)/;
     s/@MINGW_VERSION@/$(package_version mingw-w64-x86-64-dev)/"
sed 's/$/\r/' /usr/share/common-licenses/LGPL-3 >"$licenses/LGPL-3.txt"
sed 's/$/\r/' /usr/share/common-licenses/GPL-3 >"$licenses/GPL-3.txt"
sed 's/$/\r/' /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright >"$licenses/gcc-runtime.txt"
sed 's/$/\r/' /usr/share/doc/mingw-w64-x86-64-dev/copyright >"$licenses/mingw-w64.txt"
# hidapi lets its user choose among three licences; we take the BSD-style one.
sed 's/$/\r/' "$hidapi/LICENSE.txt" >"$licenses/hidapi.txt"
sed 's/$/\r/' "$hidapi/LICENSE-bsd.txt" >"$licenses/hidapi-bsd.txt"
cp scripts/hidapi-mingw.sh scripts/debian-source.sh cmake/hidapi/hidapi-0.15.0-wine-enumeration.patch \
    "$licenses/hidapi-source/"
cp cmake/qt/qtbase-6.4.2-without-opengl.patch scripts/qt-mingw.sh scripts/debian-source.sh \
   "$licenses/qt-source/"

# Fixed times and modes, so that the same build gives the same packages.
find "$stage" -exec touch -h -d "@${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}" {} +
find "$stage" -type d -exec chmod 755 {} + && find "$stage" -type f -exec chmod 644 {} +
(cd "$out/stage" && find "$name" -print | LC_ALL=C sort | TZ=UTC zip -q -X -9 -@ "../$name.zip")
# The installer shows the program's icon where the build drew one.
icon=()
[ ! -f "$build/app/virel-configurator.ico" ] || icon=(-DICON="$(realpath "$build/app/virel-configurator.ico")")
makensis -WX -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$(realpath "$stage")" \
         -DOUTFILE="$(realpath "$out")/virel-configurator-$version-setup.exe" "${icon[@]}" \
         packaging/windows/installer.nsi

for f in "$out/$name.zip" "$out/virel-configurator-$version-setup.exe"; do
    printf '%10d bytes  %s\n' "$(stat -c %s "$f")" "$f"
done
