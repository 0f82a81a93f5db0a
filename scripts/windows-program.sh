# Sourced by the Windows scripts: the program's folder as it ships, and the start-up read in the
# simulated detector's trace (VIREL_SIM_TRACE).

# Where Debian's mingw-w64 keeps the run-time DLLs that Qt and the program were linked against.
windows_runtime_dirs=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)

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
