#!/usr/bin/env bash
# Benchmark, run by hand: tools/zarvo-level on a floor plan of 20 000 wall segments (a maze of 100 by 100
# rooms 5 units wide, every wall two LINEs, written by ezdxf in R2018), into a copy of data/. Prints the
# time of the whole conversion and of its steps: reading the drawing, taking the plan from it, checking
# it (the path search over the plan), drawing the level and writing the files.
#
#   bash bench/level_convert.sh [CELLS]      (default 100: 100 x 100 rooms, 20 200 segments)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/data" "$work/data"
/usr/bin/python3 - "$root" "$work" "${1:-100}" <<'PY'
import os, random, subprocess, sys, time
import ezdxf
root, work, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
sys.path.insert(0, os.path.join(root, "tools"))
sys.dont_write_bytecode = True
import level_drawing as ld

# a maze: every room joined to the next by a random spanning tree; the walls left standing are drawn
rng = random.Random(1)
parent = list(range(n * n))
def find(a):
    while parent[a] != a:
        parent[a] = parent[parent[a]]
        a = parent[a]
    return a
inner = [((c, r), (c + 1, r)) for r in range(n) for c in range(n - 1)] + \
        [((c, r), (c, r + 1)) for r in range(n - 1) for c in range(n)]
rng.shuffle(inner)
standing = []
for a, b in inner:
    ra, rb = find(a[0] + a[1] * n), find(b[0] + b[1] * n)
    if ra != rb:
        parent[ra] = rb
    else:
        standing.append((a, b))
C = 5.0
def wall_between(a, b):
    if a[1] == b[1]:   # side by side: the wall runs along y at x of b
        x = b[0] * C
        return (x, a[1] * C), (x, a[1] * C + C)
    y = b[1] * C
    return (a[0] * C, y), (a[0] * C + C, y)
walls = [wall_between(a, b) for a, b in standing]
walls += [((0, 0), (n * C, 0)), ((n * C, 0), (n * C, n * C)), ((n * C, n * C), (0, n * C)), ((0, n * C), (0, 0))]
doc = ezdxf.new("R2018")
msp = doc.modelspace()
segments = 0
for (ax, ay), (bx, by) in walls:
    k = max(2, int(round(abs(bx - ax + by - ay) / 2.5)))
    for i in range(k):
        msp.add_line((ax + (bx - ax) * i / k, ay + (by - ay) * i / k),
                     (ax + (bx - ax) * (i + 1) / k, ay + (by - ay) * (i + 1) / k), dxfattribs={"layer": "WALLS"})
        segments += 1
msp.add_point((C / 2, C / 2), dxfattribs={"layer": "START"})
msp.add_point((n * C - C / 2, n * C - C / 2), dxfattribs={"layer": "EXIT"})
drawing = os.path.join(work, "maze.dxf")
doc.saveas(drawing)
print("drawing: %d wall segments, %d bytes" % (segments, os.path.getsize(drawing)))

# the whole tool, as an author runs it
t = time.perf_counter()
r = subprocess.run([os.path.join(root, "tools", "zarvo-level"), drawing, "--data", os.path.join(work, "data"),
                    "--name", "MAZE"], capture_output=True, text=True)
total = time.perf_counter() - t
assert r.returncode == 0, r.stderr
print(r.stdout, end="")
print("zarvo-level: %.2f s" % total)

# its steps
options = dict(drawing=drawing, data=os.path.join(work, "data"), name="MAZE", units=1.0, height=ld.DEFAULT_HEIGHT,
               title="MAZE", reset=False, **ld.DEFAULTS)
steps = []
t = time.perf_counter()
doc, _ = ld.read_drawing(drawing); steps.append(("read (ezdxf)", time.perf_counter() - t)); t = time.perf_counter()
types = ld.object_types(options["data"])
plan = ld.Plan(doc, options, types); plan.read(); steps.append(("plan", time.perf_counter() - t)); t = time.perf_counter()
level = ld.Level(plan, "MAZE", options, types); assert level.check() == []
steps.append(("check (path search, %d by %d points)" % (level.reach.nx, level.reach.nz), time.perf_counter() - t))
t = time.perf_counter()
blob = level.drawing(); steps.append(("map (%d lines)" % len(level.lines.out), time.perf_counter() - t))
t = time.perf_counter()
ld.write_files(os.path.join(work, "data"), {"MAZE.LVL": level.level_text(), level.map_file(): blob})
steps.append(("write", time.perf_counter() - t))
for name, s in steps:
    print("  %-44s %6.2f s" % (name, s))
PY
