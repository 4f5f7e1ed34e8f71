#!/usr/bin/env bash
# End-to-end: a fatal signal is reported. The runner, waiting for its script, gets SIGSEGV: it prints
# "zarvo: crashed (signal SIGSEGV)" and a backtrace on standard error, appends the line to error.txt, and
# ends with status 128 + 11.
set -euo pipefail
runner=$1
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch "$src/data"
# the runner's script pipe is closed before the folder goes
trap 'exec 3>&- 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
: > error.txt
mkfifo script.fifo
"$runner" script.fifo 2> crash.err > /dev/null &
pid=$!
exec 3> script.fifo           # the runner waits for its next script line
echo "wait 300" >&3
for i in $(seq 1 100); do grep -q "Welcome!" error.txt && break; sleep 0.05; done
sleep 0.3
kill -SEGV "$pid"
set +e
wait "$pid"
code=$?
set -e
exec 3>&-
[ "$code" -eq 139 ] || { echo "status $code, wanted 139"; cat crash.err; exit 1; }
head -n 1 crash.err | grep -qx "zarvo: crashed (signal SIGSEGV)" || { cat crash.err; exit 1; }
[ "$(wc -l < crash.err)" -ge 3 ] || { echo "no backtrace"; cat crash.err; exit 1; }
tail -c 200 error.txt | grep -aq "\[zarvo: crashed (signal SIGSEGV)\] ([0-9]*ms)" || { tail -c 300 error.txt; exit 1; }
echo "e2e crash_report: ok"
