# Sourced by the Windows scripts: Wine and its variables, an X server of the script's own, the
# program's folder as it ships, its traced start and the start-up read in the simulated
# detector's trace (VIREL_SIM_TRACE).

# Where Debian's mingw-w64 keeps the run-time DLLs that Qt and the program were linked against.
windows_runtime_dirs=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)

# Debian's 64-bit Wine, called directly: the wine wrapper would want the 32-bit one too.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

# wine_prefix PREFIX: every later Wine run uses that prefix, prints no debugging messages
# (unless WINEDEBUG says otherwise) and offers to install neither Mono nor Gecko.
own_prefix=""
wine_prefix() {
    own_prefix=$1
    export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
}

# windows_path PATH: the absolute Unix path as Windows programs see it: Wine maps the Unix root
# to drive Z:.
windows_path() { echo "Z:${1//\//\\}"; }

# start_xvfb FOLDER: starts an X server of the script's own on a free display, waits until it
# accepts clients and exports DISPLAY for it; its process id is in xvfb. FOLDER keeps the
# display's number. Fails when the server has not come up within 10 s.
xvfb=""
start_xvfb() {
    local number="" i
    : >"$1/display"
    # Xvfb writes the number, a line, once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>/dev/null &
    xvfb=$!
    for ((i = 0; i < 100; i++)); do
        if read -r number <"$1/display" && [ -n "$number" ]; then
            export DISPLAY=:$number
            return 0
        fi
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    echo "Xvfb did not come up" >&2
    return 1
}

# stop_xvfb: ends the X server start_xvfb started, if it runs.
stop_xvfb() {
    [ -n "$xvfb" ] || return 0
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    xvfb=""
}

# stop_windows_programs: ends every Wine program of the prefix wine_prefix set, and Wine's
# server of it, and the X server start_xvfb started; the prefixes of others stay as they are.
# The scripts run it on every exit (trap stop_windows_programs EXIT).
stop_windows_programs() {
    if [ -n "$own_prefix" ] && [ -d "$own_prefix" ]; then
        WINEPREFIX=$own_prefix "$wineserver" -k 2>/dev/null || true
        WINEPREFIX=$own_prefix "$wineserver" -w 2>/dev/null || true
    fi
    stop_xvfb
}

# windows_program FOLDER EXE QT: the program with the Qt and MinGW DLLs and the plugins it loads.
windows_program() {
    mkdir -p "$1/platforms" "$1/styles"
    cp "$2" "$3"/bin/Qt6{Core,Gui,Widgets}.dll "$1/"
    cp "${windows_runtime_dirs[0]}"/{libgcc_s_seh-1,libstdc++-6}.dll \
       "${windows_runtime_dirs[1]}/libwinpthread-1.dll" "$1/"
    cp "$3/plugins/platforms/qwindows.dll" "$1/platforms/"
    cp "$3/plugins/styles/qwindowsvistastyle.dll" "$1/styles/"
}

# startup_read TRACE: prints the lines of the start-up read, the 0xAA frame answered 0x55 and
# then the 0xA3 frame answered by the marker and five settings; fails without all four.
startup_read() {
    [ -f "$1" ] && awk 'BEGIN { split("frame AA/reply 55/frame A3/reply 53", step, "/") }
        $2 " " $3 == step[s + 1] && NF == (s == 3 ? 8 : 3) { s++; print }
        END { exit s < 4 }' "$1"
}

# start_traced PROGRAM TRACE: starts the Windows PROGRAM (a Unix or a Windows path) under Wine in
# the background, with the simulated detector's trace in TRACE (made anew), and waits up to 30 s
# for the start-up read in it; fails if it has not come by then. The handshake comes half a
# second after the start, the read some 1.2 s after it; the program runs on until
# "$wineserver" -k (or stop_windows_programs) ends it, and then `wait "$traced"` reaps it.
traced=""
start_traced() {
    local i
    rm -f "$2"
    # In a subshell of its own, which reports its end by wineserver -k to nowhere.
    (VIREL_SIM_TRACE=$(windows_path "$2") "$wine" "$1"; :) >/dev/null 2>&1 &
    traced=$!
    for ((i = 0; i < 120; i++)); do
        startup_read "$2" >/dev/null && return 0
        sleep 0.25
    done
    return 1
}
