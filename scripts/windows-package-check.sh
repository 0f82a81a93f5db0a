#!/usr/bin/env bash
# Tests the packages scripts/windows-package.sh made in BUILD_DIR/package/ (./build-win by
# default) under Wine, with its prefix in BUILD_DIR/package/wine/. A line per check, then
# "N passed, M failed"; fails when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-program.sh
. scripts/windows-ui.sh
build=${1:-build-win}

scripts/deps.sh wine64 xvfb unzip xdotool xclip >/dev/null
version=$(sed -n 's/^project(virel-configurator VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=$(realpath "$build/package")
work=$out/wine
rm -rf "$work"
mkdir -p "$work/zip"
unzip -q "$out/virel-configurator-$version-win64.zip" -d "$work/zip"
portable=$work/zip/virel-configurator-$version-win64
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
# The programs run as shipped, on the qwindows platform plugin, so Wine needs an X server.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap '"$server" -k 2>/dev/null || true; kill $xvfb' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
# Before the prefix starts: its desktop process keeps the display it started with.
export DISPLAY=:$(cat "$work/display")
"$wine" wineboot --init >/dev/null 2>&1
touch "$work/booted"

passed=0
failed=0
check() { # what command...
    if "${@:2}"; then echo "ok   $1"; passed=$((passed + 1)); else echo "FAIL $1"; failed=$((failed + 1)); fi
}
reads() { # program
    local trace=$work/trace.txt i
    rm -f "$trace"
    # In a subshell of its own, which reports the kill below to nowhere.
    (VIREL_SIM_TRACE="Z:${trace//\//\\}" "$wine" "$1"; :) >/dev/null 2>&1 &
    for ((i = 0; i < 60; i++)); do startup_read "$trace" >/dev/null && break; sleep 0.25; done
    "$server" -k
    wait $! || true
    startup_read "$trace" >/dev/null
}

dir=C:\\VirelTest
installed=$WINEPREFIX/drive_c/VirelTest
start_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\virel-configurator'
install() { "$wine" "$out/virel-configurator-$version-setup.exe" /S "/D=$dir"; }
installs_zip() { install && diff -r -x Uninstall.exe "$portable" "$installed"; }
# The unzipped program with our library and no cable: its service log gives our reason right
# after the disconnected line, and a handshake asked for again ("Считать") leaves it running.
explains_no_cable() {
    local log="" again="" reason=">> No MCP2200 (04d8:00df) found on USB. Check that the cable is plugged in, or try another USB port."
    (cd "$portable" && "$wine" "$portable/virel-configurator.exe"; :) >/dev/null 2>&1 &
    log=$(service_log) && click_read && sleep 2 && click_read && sleep 3 && again=$(service_log) || true
    local running=no
    xdotool search --onlyvisible --name "$main_window" >/dev/null 2>&1 && running=yes
    "$server" -k
    wait $! || true
    grep -A1 -x '>> The device is DISCONNECTED' <<<"$log" | sed 's/^/     log: /'
    [ "$running" = yes ] && [ "$(grep -A1 -x '>> The device is DISCONNECTED' <<<"$log" | tail -n 1)" = "$reason" ] &&
        [ "$(grep -c -x -F "$reason" <<<"$again")" = 1 ]
}
# The uninstaller runs from a copy in the temporary folder and returns at once; the server
# ends when the copy has.
uninstall_leaves() { # what must stay in the install folder, if anything
    "$wine" "$dir\\Uninstall.exe" /S && timeout 120 "$server" -w || return 1
    local key_left menu_left folder_left i
    # Up to 20 s more for a copy that outlived the server's wait.
    for ((i = 0; i < 40; i++)); do
        key_left=no
        ! "$wine" reg query "$key" >/dev/null 2>&1 || key_left=yes
        menu_left=$(find "$start_menu" -mindepth 1 -newer "$work/booted")
        folder_left=""
        [ ! -e "$installed" ] || folder_left=$(cd "$installed" && find . -mindepth 1)
        [ "$key_left" = no ] && [ -z "$menu_left" ] && [ "$folder_left" = "$1" ] &&
            { [ -n "$1" ] || [ ! -e "$installed" ]; } && return 0
        sleep 0.5
    done
    echo "     left: registry key $key_left; Start menu: ${menu_left:-nothing}; install folder: ${folder_left:-nothing}"
    return 1
}
entry_complete() {
    local v values
    values=$("$wine" reg query "$key" | tr -d '\r' | tr -s ' ' | sed 's/$/ /')
    for v in DisplayName DisplayIcon Publisher UninstallString QuietUninstallString EstimatedSize NoModify \
             NoRepair "DisplayVersion REG_SZ $version" "InstallLocation REG_SZ $dir"; do
        grep -qF " $v " <<<"$values" || return 1
    done
}
# A shortcut holds its target as text.
demo_target() {
    find "$start_menu" -name '*.lnk' -newer "$work/booted" -exec cat {} + | tr -d '\000' |
        grep -ao '[A-Z]:\\[ -~]*\\demo\\virel-configurator\.exe' | head -n 1
}

check "silent install into $dir: the zip's files, our SimpleIO-UM.dll beside the program" installs_zip
check "unzipped program, our SimpleIO-UM.dll, no cable: reason logged, handshake retried" explains_no_cable
cp "$portable/demo/SimpleIO-UM.dll" "$portable/"
check "unzipped program reads the simulated detector beside it" reads "$portable/virel-configurator.exe"
check "unzipped demo reads its simulated detector" reads "$portable/demo/virel-configurator.exe"
check "installed-programs entry complete" entry_complete
demo=$(demo_target)
check "Start-menu demo shortcut targets $dir\\demo (${demo:-none})" test "$demo" = "$dir\\demo\\virel-configurator.exe"
check "demo shortcut's program reads its simulated detector" reads "${demo:-none}"
check "silent uninstall leaves nothing of ours, our SimpleIO-UM.dll too" uninstall_leaves ""
install
cp "$portable/demo/SimpleIO-UM.dll" "$installed/"
check "installed program reads a SimpleIO-UM.dll put over ours" reads "$dir\\virel-configurator.exe"
install
check "installing again keeps a SimpleIO-UM.dll put over ours" cmp -s "$portable/demo/SimpleIO-UM.dll" "$installed/SimpleIO-UM.dll"
check "silent uninstall leaves the user's SimpleIO-UM.dll, only it" uninstall_leaves ./SimpleIO-UM.dll

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
