# Sourced by the Windows checks: works the configurator's windows under Wine on an X display (no
# window manager) as a technician does, with xdotool, by the forms' fixed layout.

# window_at TITLE: "x y" of the visible window whose title matches TITLE (an extended regular
# expression), once it shows within half a minute (a first start under Wine is slow).
window_at() {
    local id="" i
    for ((i = 0; i < 120; i++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        sleep 0.25
    done
    [ -n "$id" ] && xdotool getwindowgeometry "$id" | sed -n 's/^ *Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'
}

click_at() { xdotool mousemove "$1" "$2" click 1 && sleep 0.5; }

main_window='^Конфигуратор Вирел-3$'

# click_read: clicks "Считать" in the main window.
click_read() {
    local x y
    read -r x y < <(window_at "$main_window") && click_at $((x + 580)) $((y + 190))
}

# service_log: prints the service form's log. The form is opened, unless it is open already, the
# way a technician opens it: the About dialog from the "Справка" menu, the service code typed
# into it, the button it reveals; the log is then selected and copied to the clipboard.
service_log() {
    local x y ax ay fx fy
    if ! xdotool search --onlyvisible --name '^Form$' >/dev/null 2>&1; then
        read -r x y < <(window_at "$main_window") || return 1
        click_at $((x + 20)) $((y + 10)) && click_at $((x + 58)) $((y + 32))
        read -r ax ay < <(window_at '^О программе') || return 1
        click_at $((ax + 18)) $((ay + 6)) && xdotool type --delay 50 604317 && sleep 0.5
        click_at $((x + 327)) $((y + 70))
    fi
    read -r fx fy < <(window_at '^Form$') || return 1
    click_at $((fx + 127)) $((fy + 221)) && xdotool key ctrl+a ctrl+c || return 1
    # A slow Wine takes the clipboard late, and offers its text a moment after taking it.
    local text="" i
    for ((i = 0; i < 20; i++)); do
        sleep 0.5
        text=$(xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null | tr -d '\r') &&
            [ -n "$text" ] && break
    done
    grep -v '^$' <<<"$text"
}
