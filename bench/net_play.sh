#!/usr/bin/env bash
# Network play measured (run by hand, like level_convert.sh): a dedicated host and four runner players on
# 127.0.0.1 in co-op on the bundled level 1, each player walking, turning with the mouse and firing all
# the while (the busiest the controls get), for SECONDS seconds (10 unless given):
#   bytes a second per player (the transport's datagram bytes, both ways), the input delay the host chose,
#   network ticks a second on each player, and the CPU the dedicated host used;
# then the same with NETSIM=0,50,10 on every machine, for the input delay under 100 ms of round trip.
#   bash bench/net_play.sh build/release/zarvo-headless [SECONDS]
set -euo pipefail
runner=$(realpath "$1")
seconds=${2:-10}
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
python3 - "$runner" "$source" "$seconds" <<'PY'
import json, os, shutil, signal, subprocess, sys, time
runner, source, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
ticks = int(seconds * 166)

def run(port, extra):
    procs = []
    try:
        dirs = []
        for name in ["host", "P1", "P2", "P3", "P4"]:
            shutil.copytree(os.path.join(source, "data"), name)
            with open(os.path.join(name, "config.ini"), "ab") as f:
                for line in ["NAME=" + name] + extra:
                    f.write(line.encode() + b"\r\n")
        host = subprocess.Popen([runner, "--host", str(port), "--players", "4", "LEVEL1.LVL"], cwd="host",
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        procs.append(host)
        time.sleep(0.5)
        script = "join 127.0.0.1 %d\nticks 200\ndump\ndown UP\nbutton 0 down\n" % port
        for k in range(ticks // 20):
            script += "mouse %d 0\nticks 20\n" % (15 if k % 2 else -15)
        script += "dump\n"
        players = []
        for name in ["P1", "P2", "P3", "P4"]:
            open(name + ".txt", "w").write(script)
            players.append(subprocess.Popen([runner, "../%s.txt" % name], cwd=name, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL, text=True, start_new_session=True))
            procs.append(players[-1])
        # the dumps as they come: the first when the level has run 200 ticks, the last at the end
        first, last, when = {}, {}, {}
        cpu0 = None
        for i, p in enumerate(players):
            line = p.stdout.readline()
            first[i] = json.loads(line)
            when[i] = [time.time()]
            if cpu0 is None:
                stat = open("/proc/%d/stat" % host.pid).read().rsplit(")", 1)[1].split()
                cpu0 = (int(stat[11]) + int(stat[12]), time.time())
        for i, p in enumerate(players):
            line = p.stdout.readline()
            last[i] = json.loads(line)
            when[i].append(time.time())
        stat = open("/proc/%d/stat" % host.pid).read().rsplit(")", 1)[1].split()
        cpu = (int(stat[11]) + int(stat[12]) - cpu0[0]) / os.sysconf("SC_CLK_TCK") / (time.time() - cpu0[1])
        rows = []
        for i in range(4):
            a, b = first[i]["net"], last[i]["net"]
            dt = when[i][1] - when[i][0]
            rows.append(((b["bytesSent"] - a["bytesSent"]) / dt, (b["bytesReceived"] - a["bytesReceived"]) / dt,
                         (b["ticksRun"] - a["ticksRun"]) / dt, b["inputDelay"]))
        return rows, cpu
    finally:
        for p in procs:
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGTERM)
                p.wait()
        for name in ["host", "P1", "P2", "P3", "P4"]:
            shutil.rmtree(name, ignore_errors=True)

for label, port, extra in (("loopback", 27981, []), ("NETSIM=0,50,10", 27982, ["NETSIM=0,50,10"])):
    rows, cpu = run(port, extra)
    print("%s: dedicated host CPU %.1f %% of a core" % (label, cpu * 100))
    for i, (sent, received, tps, delay) in enumerate(rows):
        print("  player %d: sends %.0f B/s, receives %.0f B/s (%.1f KB/s both ways), %.1f ticks/s, input delay %d ticks"
              % (i + 1, sent, received, (sent + received) / 1024, tps, delay))
PY
