#!/usr/bin/env bash
# Tests the packages scripts/windows-package.sh made in BUILD_DIR/package/ (./build-win by
# default) under Wine, with its prefix in BUILD_DIR/package/wine/. A line per check, then
# "N passed, M failed"; fails when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-program.sh
. scripts/windows-ui.sh
build=${1:-build-win}

passed=0
failed=0
total() { echo "$passed passed, $failed failed"; }
check() { # what command...
    if "${@:2}"; then echo "ok   $1"; passed=$((passed + 1)); else echo "FAIL $1"; failed=$((failed + 1)); fi
}
# A step the checks cannot do without: its failure ends the script at once, with the total.
required() { # what command...
    "${@:2}" && return 0
    echo "FAIL $1: exit status $?"
    failed=$((failed + 1))
    total
    exit 1
}
# Wine's programs and the X server, whatever ends the script.
trap stop_windows_programs EXIT
# The Debian packages a fresh machine lacks.
needs() { scripts/deps.sh wine64 fonts-wine xvfb unzip xdotool xclip >/dev/null; }
required "the packages it needs (scripts/deps.sh)" needs

version=$(sed -n 's/^project(virel-configurator VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=$(realpath -m "$build/package")
work=$out/wine
portable=$work/zip/virel-configurator-$version-win64
unzip_package() {
    rm -rf "$work" && mkdir -p "$work/zip" &&
        unzip -q "$out/virel-configurator-$version-win64.zip" -d "$work/zip"
}
required "the zip unpacked into $work/zip" unzip_package
wine_prefix "$work/prefix"
# The programs run as shipped, on the qwindows platform plugin, so Wine needs an X server.
required "an X server (Xvfb)" start_xvfb "$work"
boot_prefix() { "$wine" wineboot --init >/dev/null 2>&1 && touch "$work/booted"; }
required "the Wine prefix (wineboot --init)" boot_prefix

# A Windows program that holds the file it is given open, shared with no one, until it is
# ended, and says "held" once it does: a SimpleIO-UM.dll that is there but cannot be read.
hold_source='#include <stdio.h>
#include <windows.h>
int wmain(int argc, wchar_t **argv)
{
    if (argc != 2 || CreateFileW(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) == INVALID_HANDLE_VALUE)
        return 1;
    puts("held");
    fflush(stdout);
    Sleep(INFINITE);
    return 0;
}'
make_hold() { x86_64-w64-mingw32-gcc -municode -o "$work/hold.exe" -x c - <<<"$hold_source"; }
required "the file holder $work/hold.exe" make_hold

trace=$work/trace.txt
reads() { # program
    local status=0
    start_traced "$1" "$trace" || status=$?
    "$wineserver" -k
    wait "$traced" || true
    return "$status"
}

dir=C:\\VirelTest
installed=$WINEPREFIX/drive_c/VirelTest
start_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\virel-configurator'
session='HKLM\System\CurrentControlSet\Control\Session Manager'
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
    "$wineserver" -k
    wait $! || true
    local disconnected
    disconnected=$(grep -A1 -x '>> The device is DISCONNECTED' <<<"$log") || true
    sed 's/^/     log: /' <<<"$disconnected"
    [ "$running" = yes ] && [ "$(tail -n 1 <<<"$disconnected")" = "$reason" ] &&
        [ "$(grep -c -x -F "$reason" <<<"$again")" = 1 ]
}
# The uninstaller runs from a copy in the temporary folder and returns at once; the server
# ends when the copy has, and with it every Wine program of the prefix: what is left then stays.
uninstall_leaves() { # what must stay in the install folder, if anything
    "$wine" "$dir\\Uninstall.exe" /S && timeout 120 "$wineserver" -w || return 1
    local key_left=no menu_left folder_left=""
    ! "$wine" reg query "$key" >/dev/null 2>&1 || key_left=yes
    menu_left=$(find "$start_menu" -mindepth 1 -newer "$work/booted")
    [ ! -e "$installed" ] || folder_left=$(cd "$installed" && find . -mindepth 1)
    [ "$key_left" = no ] && [ -z "$menu_left" ] && [ "$folder_left" = "$1" ] &&
        { [ -n "$1" ] || [ ! -e "$installed" ]; } && return 0
    echo "     left: registry key $key_left; Start menu: ${menu_left:-nothing}; install folder: ${folder_left:-nothing}"
    return 1
}
# Uninstalling while the installed program runs: what is in use cannot be deleted, so it goes at
# restart, and Windows' list of what goes then names it; so does the uninstaller, which runs in
# place (_?=) and is waited for, and which is in use itself then. After Wine's restart nothing of
# ours is left, only the user's SimpleIO-UM.dll.
uninstall_while_running() {
    local f in_use pending key_left=no missing="" left
    install && cp "$portable/demo/SimpleIO-UM.dll" "$installed/" || return 1
    start_traced "$dir\\virel-configurator.exe" "$trace" || return 1
    "$wine" "$dir\\Uninstall.exe" /S "_?=$dir" || return 1
    ! "$wine" reg query "$key" >/dev/null 2>&1 || key_left=yes
    in_use=$(cd "$installed" && find . -type f ! -name SimpleIO-UM.dll | sort)
    pending=$("$wine" reg query "$session" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
    # One name a line: no word splitting, no globbing.
    while IFS= read -r f; do
        f=${f#./}
        [ -z "$f" ] || grep -qiF "$dir\\${f//\//\\}\\0" <<<"$pending" || missing+=" $f"
    done <<<"$in_use"
    "$wineserver" -k
    wait "$traced" || true
    "$wineserver" -w
    "$wine" wineboot --restart >/dev/null 2>&1
    "$wineserver" -w
    left=$(cd "$installed" && find . -mindepth 1)
    echo "     in use at the uninstall: $(tr '\n' ' ' <<<"$in_use")"
    [ "$key_left" = no ] && grep -qx ./virel-configurator.exe <<<"$in_use" &&
        grep -qx ./Uninstall.exe <<<"$in_use" && [ -z "$missing" ] && [ "$left" = ./SimpleIO-UM.dll ] &&
        return 0
    echo "     left: registry key $key_left; not marked for the restart:${missing:- none}; after it: ${left:-nothing}"
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
        grep -ao '[A-Z]:\\[ -~]*\\demo\\virel-configurator\.exe' | sed -n 1p
}
# The steps between checks are part of the check after them, which fails with them.
zip_reads_ours_replaced() {
    cp "$portable/demo/SimpleIO-UM.dll" "$portable/" && reads "$portable/virel-configurator.exe"
}
reads_put_over_ours() {
    install && cp "$portable/demo/SimpleIO-UM.dll" "$installed/" && reads "$dir\\virel-configurator.exe"
}
install_keeps_put_over_ours() {
    install && cmp -s "$portable/demo/SimpleIO-UM.dll" "$installed/SimpleIO-UM.dll"
}
# The installer cannot read the SimpleIO-UM.dll there, so it cannot tell it for ours: it keeps it,
# and installs the rest. (Under Wine a file held so cannot be written either: an installer that
# took it for none would fail to write over it and keep it too; the check shows the install
# goes through around it.)
install_keeps_unreadable() {
    local held=$work/held.txt status=0 i
    rm -f "$held"
    ("$wine" "$work/hold.exe" "$dir\\SimpleIO-UM.dll" >"$held" 2>&1; :) &
    for ((i = 0; i < 80; i++)); do grep -qs held "$held" && break; sleep 0.25; done
    grep -q held "$held" && install || status=1
    "$wineserver" -k
    wait $! || true
    [ "$status" -eq 0 ] && cmp -s "$portable/demo/SimpleIO-UM.dll" "$installed/SimpleIO-UM.dll"
}

check "silent install into $dir: the zip's files, our SimpleIO-UM.dll beside the program" installs_zip
check "unzipped program, our SimpleIO-UM.dll, no cable: reason logged, handshake retried" explains_no_cable
check "unzipped program reads the simulated detector beside it" zip_reads_ours_replaced
check "unzipped demo reads its simulated detector" reads "$portable/demo/virel-configurator.exe"
check "installed-programs entry complete" entry_complete
demo=$(demo_target) || true
check "Start-menu demo shortcut targets $dir\\demo (${demo:-none})" test "$demo" = "$dir\\demo\\virel-configurator.exe"
check "demo shortcut's program reads its simulated detector" reads "${demo:-none}"
check "silent uninstall leaves nothing of ours, our SimpleIO-UM.dll too" uninstall_leaves ""
check "installed program reads a SimpleIO-UM.dll put over ours" reads_put_over_ours
check "installing again keeps a SimpleIO-UM.dll put over ours" install_keeps_put_over_ours
check "installing keeps a SimpleIO-UM.dll it cannot read, and installs the rest" install_keeps_unreadable
check "silent uninstall leaves the user's SimpleIO-UM.dll, only it" uninstall_leaves ./SimpleIO-UM.dll
check "uninstall while the program runs: the files in use go at restart, and then all of ours" \
    uninstall_while_running

total
[ "$failed" -eq 0 ]
