# Sourced by the runner scripts and the smoke tests (it is no test itself: the test list takes *.sh):
# scene.py on the Python path, a scratch folder for a script's files, and the runner run on a script.
#
#   enter_scratch [DIR]    makes a fresh folder (holding a copy of DIR's files when one is named) the
#                          working directory, in $work; it is removed when the script ends, unless KEEP is
#                          set in the environment. The user's settings and data folders (XDG) point
#                          into it too
#   run_runner SCRIPT OUT  runs $runner on SCRIPT with its output in OUT; any status but 0 ends the script
export PYTHONPATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)${PYTHONPATH:+:$PYTHONPATH}"

enter_scratch() {
    work=$(mktemp -d)
    trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
    if [ $# -gt 0 ]; then cp -r "$1/." "$work/"; fi
    # The player's own settings and files stay out of the tests (and the tests out of them).
    export XDG_CONFIG_HOME="$work/.user/config" XDG_DATA_HOME="$work/.user/data"
    cd "$work"
}

run_runner() {
    set +e
    "$runner" "$1" > "$2"
    local code=$?
    set -e
    [ "$code" -eq 0 ] || { echo "runner exited $code"; exit 1; }
}
