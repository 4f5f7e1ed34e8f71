#!/usr/bin/env bash
# Walks every definition of the bundled game from config.ini, the way the game reads them, and checks
# that every file named exists and has the right form and content; then loads the start menu and every
# level in the runner and watches the console for failure and warning lines.
set -euo pipefail
runner=$1
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch "$src/data"
python3 - "$work" "$src/README.md" > levels.txt <<'PY'
import math, os, re, struct, sys
from scene import def_lines, read_defs
root = sys.argv[1]
errors = []
EYE = 1.5       # the floor lies this far below the eye
PUSH = 1.4      # every mover keeps this far from the walls
def err(msg):
    errors.append(msg)

def read_def(name):
    """Key/value table as the game reads it (scene.read_defs), once the file is found to be there, to end
    its lines with CR LF and to hold no line longer than the game keeps."""
    path = os.path.join(root, name)
    if not os.path.isfile(path):
        err('missing file: %s' % name)
        return {}
    raw = open(path, 'rb').read()
    if not raw.endswith(b'\r\n'):
        err('%s: last line does not end with CR LF' % name)
    if any(len(line) > 254 for line in def_lines(raw)):
        err('%s: line too long' % name)
    return read_defs(path)

def field(v, n):
    parts = v.split(';')
    return parts[n] if n < len(parts) else None

def need(name):
    if not os.path.isfile(os.path.join(root, name)):
        err('missing file: %s' % name)
        return False
    return True

def check_wav(name):
    if not need(name):
        return
    b = open(os.path.join(root, name), 'rb').read()
    ok = b[:4] == b'RIFF' and b[8:12] == b'WAVE' and b[12:16] == b'fmt '
    fmt_len = struct.unpack('<I', b[16:20])[0] if ok else 0
    if not ok or fmt_len < 18:
        err('%s: not a RIFF/WAVE with an 18-byte format chunk' % name)
        return
    tag, ch, rate, _, _, bits = struct.unpack('<HHIIHH', b[20:36])
    if (tag, ch, rate, bits) != (1, 1, 22050, 8):
        err('%s: want PCM mono 22050 Hz 8-bit, got %r' % (name, (tag, ch, rate, bits)))
    d = b.find(b'data', 20 + fmt_len)
    size = struct.unpack('<I', b[d + 4:d + 8])[0] if d > 0 else 0
    if size < 500 or max(b[d + 8:d + 8 + size]) - min(b[d + 8:d + 8 + size]) < 100:
        err('%s: empty or silent' % name)

def check_midi(name):
    if not need(name):
        return
    b = open(os.path.join(root, name), 'rb').read()
    if b[:4] != b'MThd' or b.count(b'MTrk') < 2 or b.count(b'\xff\x2f\x00') != b.count(b'MTrk'):
        err('%s: not a standard MIDI file with tracks' % name)
    if sum(1 for x in b if 0x90 <= x <= 0x9f) < 100:
        err('%s: too few notes for a piece of music' % name)

def check_dxf(name):
    if not need(name):
        return 0
    lines = [l.strip() for l in open(os.path.join(root, name)).read().split('\n')]
    n = sum(1 for l in lines if l == '3DLINE') + sum(1 for l in lines if l == '3DFACE')
    if n == 0:
        err('%s: no 3DLINE or 3DFACE' % name)
    return n

def dxf_segments(name):
    """The segments of a drawing as the game reads them: (x1, y1, z1, x2, y2, z2) from each 3DLINE
    and the four edges of each 3DFACE (group code, value pairs)."""
    lines = [l.strip() for l in open(os.path.join(root, name)).read().split('\n')]
    out, i, cur, kind = [], 0, {}, None
    def flush():
        if kind == '3DLINE' and len(cur) == 6:
            out.append(tuple(cur[k] for k in ('10', '20', '30', '11', '21', '31')))
        elif kind == '3DFACE' and len(cur) == 12:
            pts = [tuple(cur['%d%d' % (a, c)] for a in (1, 2, 3)) for c in range(4)]
            out.extend(pts[c] + pts[(c + 1) % 4] for c in range(4))
    while i + 1 < len(lines):
        code, value = lines[i], lines[i + 1]
        i += 2
        if code == '0':
            flush()
            kind, cur = value, {}
        elif len(code) == 2 and code[0] in '123' and code[1] in '0123':
            cur[code] = float(value)
    flush()
    return out

def model_points(name):
    """Every end point of frame 0 of a model file, scaled."""
    t = read_def(name)
    scale = float(t.get('SCALE', '1'))
    pts = []
    for s in dxf_segments(t['FRAME0']):
        pts += [tuple(v * scale for v in s[:3]), tuple(v * scale for v in s[3:])]
    return pts

def check_model(name, min_frames=1):
    t = read_def(name)
    frames = int(t.get('FRAMES', '0'))
    if not 1 <= frames <= 5:
        err('%s: FRAMES %d outside 1..5' % (name, frames))
    if frames < min_frames:
        err('%s: %d frames, want at least %d' % (name, frames, min_frames))
    for i in range(frames):
        if 'FRAME%d' % i not in t:
            err('%s: FRAME%d missing' % (name, i))
        else:
            check_dxf(t['FRAME%d' % i])
    return frames

def check_object(name):
    t = read_def(name)
    n = int(t.get('MODELS', '0'))
    kind = int(t.get('TYPE', '0')) & 255
    if n < 1:
        err('%s: no models' % name)
    if kind in (10, 11, 12, 13):
        # idle, attack, walk, death; several frames for walking and dying
        mins = [1, 1, 2, 2]
        if n < 4:
            err('%s: monster needs models 0..3' % name)
        for i in range(min(n, 4)):
            check_model(t.get('MODEL%d' % i, ''), mins[i])
        if int(t.get('WEAPON', '-1')) not in (0, 1, 2, 3):
            err('%s: monster weapon must be 0..3 (a launcher would hit itself)' % name)
    else:
        for i in range(n):
            check_model(t.get('MODEL%d' % i, ''))
    if int(t.get('DEFHEALTH', '0')) <= 0:
        err('%s: DEFHEALTH must be positive or the object dies at once' % name)
    # objects are drawn at the eye's height: what stands on the floor reaches down to it (y = EYE,
    # +y is down), pickups float a little above it, and nothing sinks through it
    if n >= 1 and kind != 9:
        low = max(p[1] for p in model_points(t.get('MODEL0', '')))
        want = (EYE - 0.65, EYE + 0.01) if kind in range(2, 9) else (EYE - 0.05, EYE + 0.01)
        if not want[0] <= low <= want[1]:
            err('%s: lowest point at y %.2f, the floor is at %.2f' % (name, low, EYE))
    return kind

def check_sounds(name, rows):
    t = read_def(name)
    count = int(t.get('SOUNDS', '0'))
    for r, slots in rows.items():
        v = t.get('SOUND%d' % r)
        if r >= count or v is None:
            err('%s: row %d missing' % (name, r))
            continue
        for s in slots:
            f = field(v, s)
            if not f:
                err('%s: row %d slot %d missing' % (name, r, s))
    for k, v in t.items():
        if k.startswith('SOUND') and k != 'SOUNDS':
            for f in v.split(';'):
                check_wav(f)

def seg_dist(px, pz, s):
    ax, az, bx, bz = s[0], s[2], s[3], s[5]
    dx, dz = bx - ax, bz - az
    n = dx * dx + dz * dz
    u = 0 if n == 0 else max(0.0, min(1.0, ((px - ax) * dx + (pz - az) * dz) / n))
    return math.hypot(px - ax - u * dx, pz - az - u * dz)

def walk(level, t, ex, placed):
    """Path search on the floor plan (the segments at y = 0, which are the walls): the places a mover's
    centre can stand, PUSH from every wall, on a fine grid, flooded from the start. The exit, every
    pickup and every monster must be reached from there (monsters move like the player, so each can
    also reach the player). Lines touching the eye plane must lie in it: anything else there is an
    invisible wall."""
    segs = dxf_segments(t['MAP'])
    walls = [s for s in segs if s[1] == 0 and s[4] == 0]
    stray = [s for s in segs if (s[1] == 0) != (s[4] == 0)]
    if stray:
        err('%s: %d lines end on the eye plane without lying in it, e.g. %r' % (level, len(stray), stray[0]))
    if max(max(s[1], s[4]) for s in segs) != EYE:
        err('%s: the floor of the drawing is not at y = %s' % (level, EYE))
    if not walls:
        return
    step = 0.25
    x0 = min(min(s[0], s[3]) for s in walls)
    z0 = min(min(s[2], s[5]) for s in walls)
    nx = int((max(max(s[0], s[3]) for s in walls) - x0) / step) + 2
    nz = int((max(max(s[2], s[5]) for s in walls) - z0) / step) + 2
    blocked = bytearray(nx * nz)
    for ax, _, az, bx, _, bz in walls:
        dx, dz = bx - ax, bz - az
        n = dx * dx + dz * dz
        i0, i1 = max(0, int((min(ax, bx) - PUSH - x0) / step)), min(nx - 1, int((max(ax, bx) + PUSH - x0) / step) + 1)
        j0, j1 = max(0, int((min(az, bz) - PUSH - z0) / step)), min(nz - 1, int((max(az, bz) + PUSH - z0) / step) + 1)
        for i in range(i0, i1 + 1):
            px = x0 + i * step
            for j in range(j0, j1 + 1):
                pz = z0 + j * step
                u = 0 if n == 0 else max(0.0, min(1.0, ((px - ax) * dx + (pz - az) * dz) / n))
                if math.hypot(px - ax - u * dx, pz - az - u * dz) < PUSH:
                    blocked[i * nz + j] = 1
    node = lambda x, z: (int(round((x - x0) / step)), int(round((z - z0) / step)))
    sx, sz = (int(v) for v in t.get('STARTCOORD', '0;0;0').split(';')[:2])
    start = node(sx, sz)
    if not (0 <= start[0] < nx and 0 <= start[1] < nz) or blocked[start[0] * nz + start[1]]:
        err('%s: the start (%d, %d) is inside a wall' % (level, sx, sz))
        return
    seen = bytearray(nx * nz)
    seen[start[0] * nz + start[1]] = 1
    todo = [start]
    while todo:
        i, j = todo.pop()
        for a, b in ((i + 1, j), (i - 1, j), (i, j + 1), (i, j - 1)):
            if 0 <= a < nx and 0 <= b < nz and not seen[a * nz + b] and not blocked[a * nz + b]:
                seen[a * nz + b] = 1
                todo.append((a, b))
    reached = lambda x, z: (lambda i, j: 0 <= i < nx and 0 <= j < nz and seen[i * nz + j])(*node(x, z))
    # the ground is drawn near every place the player can stand: a floor line within 2.6 units
    # (sampled every 2.5 units)
    buckets = {}
    for s in segs:
        if s[1] == EYE and s[4] == EYE:
            buckets.setdefault((int((s[0] + s[3]) // 10), int((s[2] + s[5]) // 10)), []).append(s)
    bare = 0
    for i in range(0, nx, 10):
        for j in range(0, nz, 10):
            if not seen[i * nz + j]:
                continue
            px, pz = x0 + i * step, z0 + j * step
            near = [s for bi in (-1, 0, 1) for bj in (-1, 0, 1)
                    for s in buckets.get((int(px // 5) + bi, int(pz // 5) + bj), ())]
            if not any(seg_dist(px, pz, s) < 2.6 for s in near):
                bare += 1
    if bare:
        err('%s: %d places with no floor line within 2.6 units' % (level, bare))
    if not any(reached(ex[0] + dx * step, ex[1] + dz * step) for dx in range(-3, 4) for dz in range(-3, 4)):
        err('%s: the exit %r cannot be reached from the start' % (level, ex))
    for kind, pos in placed:
        if kind in range(3, 14) and kind != 9 and not reached(*pos):
            err('%s: the object of type %d at %r is cut off from the player' % (level, kind, pos))

def check_view(j, w):
    """The weapon at rest as the view pass places it (turned by its screen angles, moved to its screen
    position, projected 500 pixels to the unit at 640 x 480): every point between 0.5 (nearer lines
    are dropped) and 3.5 ahead (where the green shading runs out), the model in the lower right."""
    sin = lambda d: math.sin(math.radians(-(d % 360)))
    cos = lambda d: math.cos(math.radians(d % 360))
    ax, ay, az = (int(float(w.get('SCREEN_%s_ROT' % k, '0'))) for k in 'XYZ')
    pos = [float(w.get('SCREEN_%s_POS' % k, '0')) for k in 'XYZ']
    xs, ys = [], []
    for x, y, z in model_points(w['MODEL0']):
        x, y = x * cos(az) + y * sin(az), y * cos(az) - x * sin(az)
        y, z = y * cos(ax) + z * sin(ax), z * cos(ax) - y * sin(ax)
        x, z = x * cos(ay) - z * sin(ay), z * cos(ay) + x * sin(ay)
        x, y, z = x + pos[0], y + pos[1], z + pos[2]
        if not 0.5 < z <= 3.5:
            err('weapon %d: a point %.2f ahead' % (j, z))
            return
        xs.append(320 + 500 * x / (z + 0.01))
        ys.append(240 + 500 * y / (z + 0.01))
    cx, cy = sum(xs) / len(xs), sum(ys) / len(ys)
    if not (360 < cx < 560 and 300 < cy < 480):
        err('weapon %d: the view sits at (%d, %d), not in the lower right' % (j, cx, cy))

# the keys a menu item may step: the README's table of every setting (held against the game's own list)
readme = open(sys.argv[2], encoding='utf-8').read()
readme = readme[readme.index('### Every setting'):]
SETTINGS = set(re.findall(r'^\| `([A-Z_0-9]+)`', readme, re.M))
assert 'SOUNDVOL' in SETTINGS and 'HITFEEDBACK' in SETTINGS, SETTINGS

def check_items(name, seen, levels):
    if name in seen:
        return
    seen.add(name)
    t = read_def(name)
    count = int(t.get('MENUITEMS', '0'))
    if not 1 <= count <= 6:
        err('%s: %d items (1..6 allowed)' % (name, count))
    for i in range(count):
        v = t.get('%d' % i)
        if v is None or v.count(';') != 2:
            err('%s: item %d needs text;action;argument' % (name, i))
            continue
        text, action, arg = v.split(';')
        if (action not in ('NADDA', 'MENU', 'GAME', 'SCRIPT', 'SLOTS', 'SETTING', 'CONTROLS') or
                action == 'SLOTS' and arg not in ('SAVE', 'LOAD') or action == 'SETTING' and arg not in SETTINGS):
            err('%s: item %d has action %s;%s' % (name, i, action, arg))
        if action == 'SETTING' and '{%s}' % arg not in text:
            err('%s: item %d changes %s without showing it' % (name, i, arg))
        if action == 'MENU':
            check_items(arg, seen, levels)
        elif action == 'GAME':
            levels.append(arg)
    return t

cfg = read_def('config.ini')
start = cfg.get('START', '')
menu = read_def(start)
for key in ('MENUMUSIC', 'WINMIDI'):
    check_midi(menu.get(key, ''))
check_sounds(menu.get('SOUNDS', ''), {17: (0, 1)})
levels, seen = [], set()
check_items(menu.get('DEFMENU', ''), seen, levels)
actions = set()
for f in seen:
    t = read_def(f)
    actions |= {tuple(t[k].split(';')[1:]) for k in t if k.isdigit() and t[k].count(';') == 2}
for cmd in ('QUIT', 'HOST', 'PROMPT JOIN', 'LEAVE'):
    if ('SCRIPT', cmd) not in actions:
        err('no menu item runs %s' % cmd)
# the options a player changes from the menus, each showing its value
for key in ('SOUNDVOL', 'MUSICVOL', 'SCREENSIZE', 'FRAMERATE', 'SCALING', 'SHADING', 'ZBUFFER', 'MOUSELOOK',
            'MOUSESENS', 'CROSSHAIR', 'AUTOMAP', 'LEVELNAMES', 'HITFEEDBACK', 'SKILL'):
    if ('SETTING', key) not in actions:
        err('no menu item changes %s' % key)
if not any(a[0] == 'CONTROLS' for a in actions):
    err('no menu item opens the Controls list')
# the deathmatch arena (start points DMSTART0..., a level that follows itself) is no campaign's first level
arenas = [l for l in levels if 'DMSTART0' in read_def(l)]
for arena in arenas:
    t = read_def(arena)
    if t.get('NEXTLEVEL') != arena or 'DMSTART3' not in t or check_dxf(t.get('MAP', '')) < 50:
        err('%s: a deathmatch arena follows itself, has a proper MAP and at least four DMSTART points' % arena)
if len(arenas) != 1:
    err('the menus should start one deathmatch arena, found %r' % arenas)
levels = [l for l in levels if l not in arenas]
if len(levels) != 1:
    err('the menus should start exactly one first level, found %r' % levels)

# follow the level chain to WIN
chain, level = [], levels[0] if levels else None
monster_types, pickups, names, musics = set(), set(), [], []
level_rows = {0: (0,), 1: (1,), 2: (1,), 3: (1, 2), 4: (1, 2), 5: (1, 2), 6: (1, 2), 7: (2,), 8: (2,), 9: (1,),
              10: (0, 1), 11: (0, 1), 12: (0, 1), 13: (0, 1), 17: (0, 1), 18: (0, 1)}
while level and level != 'WIN':
    if level in chain or len(chain) > 20:
        err('level chain loops at %s' % level)
        break
    chain.append(level)
    t = read_def(level)
    if 'MAP' not in t or check_dxf(t['MAP']) < 50:
        err('%s: no proper MAP' % level)
    n = int(t.get('OBJECTS', '0'))
    if not 8 <= n <= 60:
        err('%s: %d objects, want 8..60' % (level, n))
    names.append(t.get('NAME', ''))
    musics.append(t.get('MUSIC', ''))
    ex = tuple(int(x) for x in t.get('EXITCOORD', '0;0').split(';'))
    exit_marked = False
    placed = []
    for i in range(n):
        v = t.get('OBJECT%d' % i)
        if v is None:
            err('%s: OBJECT%d missing' % (level, i))
            continue
        kind = check_object(field(v, 0))
        pos = (int(field(v, 1)), int(field(v, 2)))
        if kind in (10, 11, 12, 13):
            monster_types.add(kind)
        if kind in (3, 4, 5, 6, 7, 8):
            pickups.add(kind)
        placed.append((kind, pos))
        if kind == 2:
            err('%s: a knife pickup can never be collected' % level)
        if pos == ex and kind not in range(2, 14):
            exit_marked = True
    if not exit_marked:
        err('%s: no scenery object marks the exit %r' % (level, ex))
    if 'MAP' in t and need(t['MAP']):
        walk(level, t, ex, placed)
    ars = read_def(t.get('ARSENAL', ''))
    if int(ars.get('WEAPONS', '0')) != 5:
        err('%s: arsenal must hold five weapons' % level)
    for j in range(5):
        w = read_def(ars.get('WEAPON%d' % j, ''))
        if int(w.get('MODELS', '0')) < 2:
            err('weapon %d: needs a rest and a firing model' % j)
        check_model(w.get('MODEL0', ''))
        check_model(w.get('MODEL1', ''), 2)
        if int(w.get('RELOADTIME', '0')) <= 0 or int(w.get('DAMAGE', '0')) <= 0:
            err('weapon %d: RELOADTIME and DAMAGE must be positive' % j)
        if w.get('MODEL0'):
            check_view(j, w)
    if check_object(ars.get('MISSILE', '')) != 9:
        err('%s: the missile template must be of type 9' % level)
    if len(t.get('STARTCOORD', '').split(';')) != 3:
        err('%s: STARTCOORD needs x;z;heading' % level)
    if (t.get('RESETPLAYER', '0') != '0') != (len(chain) == 1):
        err('%s: only the first level resets the player' % level)
    check_sounds(t.get('SOUNDS', ''), level_rows)
    check_midi(t.get('MUSIC', ''))
    level = t.get('NEXTLEVEL')
if level != 'WIN':
    err('the level chain does not end with WIN')
if len(chain) != 6:
    err('%d levels, the campaign has six' % len(chain))
if monster_types != {10, 11, 12, 13}:
    err('monster types used: %r' % sorted(monster_types))
if pickups != {3, 4, 5, 6, 7, 8}:
    err('pickup kinds used: %r' % sorted(pickups))
if not all(names) or len(set(names)) != len(names):
    err('every level needs a NAME of its own: %r' % names)
if len(set(musics)) != len(musics):
    err('every level needs music of its own: %r' % musics)
for rule in ('SOLIDWALLS', 'HUNTERS', 'AUTOPAUSE', 'RETRY', 'CROSSHAIR', 'LEVELNAMES', 'AUTOMAP'):
    if cfg.get(rule) != '1':
        err('config.ini: %s is not turned on' % rule)
total = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(root) for f in fs)
if total > 5 * 1024 * 1024:
    err('data/ is %d bytes' % total)
for e in dict.fromkeys(errors):
    print('ERROR ' + e, file=sys.stderr)
if errors:
    sys.exit(1)
print('\n'.join(chain))
PY

# every level loads through the console without a failure or warning line
{
    echo "wait 1000"
    echo "press GRAVE"
    echo "wait 300"
    while read -r level; do
        echo "type LOAD $level"
        echo "press RETURN"
        echo "wait 1500"
        echo "dump"
        echo "press GRAVE"
        echo "wait 300"
    done < levels.txt
    echo "close"
} > script.txt
: > error.txt
run_runner script.txt dumps.jsonl
python3 - levels.txt dumps.jsonl error.txt <<'PY'
import re, sys
import scene
levels = open(sys.argv[1]).read().split()
dumps = scene.dumps(sys.argv[2])
assert len(dumps) == len(levels), (len(dumps), levels)
# the event log holds every console line; the console history only the newest ones
log = [re.sub(r' \(\d+ms\)$', '', l)[1:-1] for l in open(sys.argv[3], 'rb').read().decode('latin-1').split('\r\n') if l]
bad_words = ('Failed', 'Warning', 'Cannot', 'no MAP')
bad = [t for t in log if any(w in t for w in bad_words)]
assert not bad, bad
for name in ['start.mnu'] + levels:
    assert name in log, (name, log[:20])
starts = [i for i, t in enumerate(log) if t in levels]
assert [log[i] for i in starts] == levels, [log[i] for i in starts]
for k, i in enumerate(starts):
    end = starts[k + 1] if k + 1 < len(starts) else len(log)
    assert 'Here we go..' in log[i:end], (levels[k], log[i:end][-5:])
for name, d in zip(levels, dumps):
    assert d['GameState'] in (1, 2), (name, d['GameState'])
    assert 8 <= len(d['objects']) <= 60, (name, len(d['objects']))
    # every placed object is present with its models loaded (a failed model leaves state 0)
    assert all(o['state'] != 0 and o['health'] > 0 for o in d['objects']), name
print('loaded', len(levels), 'levels cleanly')
PY
# and the author's check finds nothing to say about any of them
while read -r level; do
    out=$("$runner" --check "$level")
    [ "$out" = "$level: clean" ] || { echo "check of $level:"; echo "$out"; exit 1; }
done < levels.txt
echo "every level checks clean"
