# Sourced by the smoke tests inside the shell xvfb-run starts (it is no test itself: the test list names the
# smoke tests one by one):
#   game_window          waits up to fifteen seconds for the game's window to show and draw (anything but
#                        black) and prints its id: SDL may replace its first window as it makes the
#                        renderer, so the id is looked up afresh each time. A window that stays black is
#                        still given at the end; fails when none shows
#   wait_for_exit PID    waits up to ten seconds for the process to end; fails while it still runs
game_window() {
    local wid last="" v
    for i in $(seq 1 150); do
        wid=$(xdotool search --onlyvisible --name "Harrowfen Brimstalk" 2>/dev/null | tail -1 || true)
        if [ -n "$wid" ]; then
            last=$wid
            v=$(import -window "$wid" png:- 2>/dev/null | convert - -format "%[max]" info: 2>/dev/null || true)
            [ -n "$v" ] && [ "${v%%.*}" -gt 0 ] && { echo "$wid"; return 0; }
        fi
        sleep 0.1
    done
    [ -n "$last" ] && { echo "$last"; return 0; }
    return 1
}

wait_for_exit() {
    for i in $(seq 1 100); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
