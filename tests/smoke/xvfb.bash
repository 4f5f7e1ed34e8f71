# Sourced by the smoke tests inside the shell xvfb-run starts (it is no test itself: the test list names the
# smoke tests one by one):
#   game_window          waits up to ten seconds for the game's window to show and prints its id; fails
#                        when none shows
#   wait_for_exit PID    waits up to ten seconds for the process to end; fails while it still runs
game_window() {
    local wid
    for i in $(seq 1 100); do
        wid=$(xdotool search --onlyvisible --name "Harrowfen Brimstalk" 2>/dev/null | head -1 || true)
        [ -n "$wid" ] && { echo "$wid"; return 0; }
        sleep 0.1
    done
    return 1
}

wait_for_exit() {
    for i in $(seq 1 100); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
