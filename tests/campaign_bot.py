#!/usr/bin/env python3
"""Plays the bundled campaign from the start menu to the victory screen through zarvo-headless.

    campaign_bot.py RUNNER GAME_DIR SOURCE_DIR

GAME_DIR is a scratch copy of data/; the runner runs there and the screenshots are written there.
The bot talks to the runner line by line: it writes script lines, asks for a dump, reads the JSON
line back and decides what to do next. It plays like a careful player: it walks each level's route
from cell centre to cell centre, fetches the level's new weapon, ammunition packs close by and a
health pack when hurt, shoots the monsters it can see (never through walls), and walks to the exit
gate. Every step is checked on the dumps; any failed check ends the run with a message and a
non-zero status. The seed is 1, or CAMPAIGN_SEED from the environment.
"""
import json
import math
import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), 'e2e'))
import scene            # the runner scripts' readers of definition files and screenshots

GS_MENU, GS_PLAYING, GS_LEVEL_DONE, GS_WON = 0, 1, 4, 6
OBJ_DYING = 102
MONSTERS = (10, 11, 12, 13)
PICKUP_TYPES = {3: 'gun', 4: 'shotgun', 5: 'minigun', 6: 'launcher', 7: 'health', 8: 'ammo'}
PICKUP_MESSAGES = {'gun': 'You found yourself a gun', 'shotgun': 'Got the shotgun, wo0t!',
                   'minigun': 'Picked up an automatic minigun', 'launcher': 'Got the rocket launcher!',
                   'health': 'Picked up a health pack', 'ammo': 'Picked up an ammo pack'}
WEAPON_GLYPH = {'g': 1, 's': 2, 'm': 3, 'r': 4}
STEP = 0.06             # the player's walk per tick
CELL = 5
SIGHT = 18.0            # engage monsters up to this far (shots reach 20)
LOW_HEALTH = 60         # below this, fetch a health pack that is not far off the route


class Fail(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Fail(what)


# ---- the levels ---------------------------------------------------------------------------------
class Level:
    """A level file with the grid it was drawn from: walkable cells, sight lines, routes."""

    def __init__(self, game_dir, name, layout, tools):
        self.name = name
        self.defs = scene.read_defs(os.path.join(game_dir, name))
        self.grid = layout['grid']
        self.rows = len(self.grid)
        self.bfs = tools.bfs_path
        self.pillars, self.pillar_half = tools.content_maps.PILLARS, tools.content_maps.PILLAR_HALF
        ex, ez = (float(v) for v in self.defs['EXITCOORD'].split(';')[:2])
        sx, sz, sh = (float(v) for v in self.defs['STARTCOORD'].split(';')[:3])
        self.exit, self.start, self.start_heading = (ex, ez), (sx, sz), int(sh)
        self.next = self.defs['NEXTLEVEL']
        # the level file and the grid must describe the same place
        check(self.glyph(self.cell(self.exit)) == 'E', '%s: EXITCOORD is not the grid\'s exit' % name)
        check(self.glyph(self.cell(self.start)) == 'S', '%s: STARTCOORD is not the grid\'s start' % name)
        self.glyph_cells = {}
        for r, line in enumerate(self.grid):
            for c, ch in enumerate(line):
                self.glyph_cells.setdefault(ch, []).append((c, r))

    def cell(self, p):
        return int(math.floor((p[0] + CELL / 2) / CELL)), self.rows - 1 - int(math.floor((p[1] + CELL / 2) / CELL))

    def centre(self, cell):
        return cell[0] * CELL, (self.rows - 1 - cell[1]) * CELL

    def glyph(self, cell):
        c, r = cell
        if 0 <= r < self.rows and 0 <= c < len(self.grid[r]):
            return self.grid[r][c]
        return '#'

    def blocked(self, p):
        """Rock, or the pillar in the middle of a pillar cell (its footprint lies within a square)."""
        cell = self.cell(p)
        g = self.glyph(cell)
        if g == '#':
            return True
        if g in self.pillars:
            cx, cz = self.centre(cell)
            return abs(p[0] - cx) < self.pillar_half and abs(p[1] - cz) < self.pillar_half
        return False

    def clear_line(self, a, b):
        """Nothing solid between a and b: the player can see (and fairly shoot) from a to b."""
        d = math.hypot(b[0] - a[0], b[1] - a[1])
        n = max(1, int(d / 0.2))
        return not any(self.blocked((a[0] + (b[0] - a[0]) * i / n, a[1] + (b[1] - a[1]) * i / n))
                       for i in range(n + 1))

    def route(self, a, b):
        """Cell centres from the cell of a to the cell of b, corners only."""
        path = self.bfs(self.grid, self.cell(a), self.cell(b))
        check(path, '%s: no route from %s to %s' % (self.name, a, b))
        pts = [self.centre(c) for c in path]
        corners = [p for i, p in enumerate(pts)
                   if i == 0 or i == len(pts) - 1
                   or (pts[i - 1][0] - p[0], pts[i - 1][1] - p[1]) != (p[0] - pts[i + 1][0], p[1] - pts[i + 1][1])]
        return corners[1:]

    def route_length(self, a, b):
        return (len(self.bfs(self.grid, self.cell(a), self.cell(b))) - 1) * CELL


# ---- the runner ---------------------------------------------------------------------------------
class Runner:
    def __init__(self, runner, game_dir):
        self.proc = subprocess.Popen([runner, '-'], cwd=game_dir, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, encoding='latin-1')
        self.trips = 0

    def send(self, *lines):
        self.proc.stdin.write(''.join(l + '\n' for l in lines))

    def dump(self, *lines):
        self.send(*lines, 'dump')
        self.proc.stdin.flush()
        line = self.proc.stdout.readline()
        check(line, 'the runner ended without a dump (exit %s)' % self.proc.poll())
        self.trips += 1
        return json.loads(line)

    def close(self):
        try:
            self.send('close')
            self.proc.stdin.close()
        except OSError:
            pass                # it has gone already; its exit status tells
        self.proc.stdout.read()
        return self.proc.wait()


def console_texts(d):
    return [l['text'] for l in d['console']['lines']]


def heading_to(src, dst):
    """Integer heading whose ahead direction (-sin, +cos) points from src to dst."""
    return int(round(math.degrees(math.atan2(-(dst[0] - src[0]), dst[1] - src[1])))) % 360


def segment_distance(p, a, b):
    dx, dz = b[0] - a[0], b[1] - a[1]
    n = dx * dx + dz * dz
    t = 0 if n == 0 else max(0, min(1, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dz) / n))
    return math.hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dz)


def xz(rec):
    return rec['pos'][0], rec['pos'][2]


class Bot:
    def __init__(self, runner, level, log):
        self.g = runner
        self.lv = level
        self.log = log
        self.d = None
        self.kills = 0          # monsters this bot shot dead on this level
        self.pickups = []       # what it collected on this level

    # -- state
    def refresh(self, *lines):
        before = self.d
        self.d = self.g.dump(*lines)
        if before is not None and self.d['GameState'] == GS_PLAYING:
            self.note_pickups(before, self.d)
        return self.d

    def note_pickups(self, before, after):
        """A pickup that vanished under the player's feet since the last dump was collected: check
        its message and what it gave. (One that vanished elsewhere was hit by a rocket.)"""
        now = {o['index'] for o in after['objects']}
        a, b = xz(before['player']), xz(after['player'])
        for o in before['objects']:
            if o['type'] not in PICKUP_TYPES or o['index'] in now:
                continue
            kind = PICKUP_TYPES[o['type']]
            if segment_distance(xz(o), a, b) > 0.75:
                self.log('    %s: the %s at %s was destroyed' % (self.lv.name, kind, xz(o)))
                continue
            self.pickups.append(kind)
            check(PICKUP_MESSAGES[kind] in console_texts(after),
                  '%s: %s picked up without its message' % (self.lv.name, kind))
            p0, p1 = before['player'], after['player']
            if kind == 'health':
                check(p1['health'] > p0['health'] or p0['health'] == 150, '%s: the health pack gave nothing' % self.lv.name)
            elif kind == 'ammo':
                check(p1['ammo'][3] > p0['ammo'][3] or p0['ammo'][3] == 200, '%s: the ammo pack gave nothing' % self.lv.name)
            else:
                w = o['type'] - 2
                check(p1['owned'][w] == 1 and p1['ammo'][w] > 0, '%s: %s not held' % (self.lv.name, kind))

    @property
    def player(self):
        return self.d['player']

    @property
    def pos(self):
        return xz(self.player)

    def alive(self):
        check(self.player['state'] == 1 and self.player['health'] > 0,
              '%s: the player died at %s' % (self.lv.name, self.pos))

    def monsters(self):
        return [o for o in self.d['objects'] if o['type'] in MONSTERS and o['state'] not in (0, OBJ_DYING)]

    # -- turning: the mouse turns the player by one degree per count, to the right for positive x
    def turn_to(self, heading):
        delta = (heading - self.player['angles'][1] + 540) % 360 - 180
        while delta:
            step = max(-150, min(150, delta))
            self.g.send('mouse %d 0' % -step, 'ticks 1')
            delta -= step
        self.refresh()
        check(self.player['angles'][1] % 360 == heading % 360,
              '%s: turned to %s instead of %s' % (self.lv.name, self.player['angles'][1], heading))

    # -- walking
    def walk_to(self, target, fight=True, reach=0.2):
        """Straight to target (in the open), stopping on the way to shoot what comes into view."""
        for _ in range(40):
            if self.d['GameState'] != GS_PLAYING:
                return
            dist = math.hypot(target[0] - self.pos[0], target[1] - self.pos[1])
            if dist < reach:
                return
            if fight and self.engage():
                continue
            self.turn_to(heading_to(self.pos, target))
            n = max(1, min(90, int(round(dist / STEP))))
            self.refresh('down UP', 'ticks %d' % n, 'up UP', 'ticks 1')
            self.alive()
        raise Fail('%s: could not reach %s, stuck at %s' % (self.lv.name, target, self.pos))

    def follow(self, goal, fight=True):
        for p in self.lv.route(self.pos, goal):
            self.walk_to(p, fight)

    def errand(self):
        """A pickup worth a detour: a health pack when hurt, an ammunition pack close by."""
        p, here = self.player, self.pos
        wanted = []
        for o in self.d['objects']:
            kind = PICKUP_TYPES.get(o['type'])
            if kind not in ('health', 'ammo') or self.lv.cell(xz(o)) == self.lv.cell(here):
                continue
            away = self.lv.route_length(here, xz(o))
            if kind == 'health' and (p['health'] < LOW_HEALTH and away <= 40 or p['health'] <= 120 and away <= 10):
                wanted.append((away, kind, xz(o)))
            if kind == 'ammo' and away <= 15:
                wanted.append((away, kind, xz(o)))
        return min(wanted)[1:] if wanted else None

    # -- fighting
    def best_weapon(self, target=None):
        """Rockets for the big monsters when nothing else stands near their flight path (they hit
        pickups and scenery too); otherwise the fastest-hitting gun with ammunition."""
        p = self.player
        if target is not None and target['type'] in (12, 13) and p['owned'][4] and p['ammo'][4] > 0 \
                and self.rocket_path_clear(target):
            return 4
        for w in (3, 1, 2):     # minigun, gun, shotgun
            if p['owned'][w] and p['ammo'][w] > 0:
                return w
        return 0

    def rocket_path_clear(self, target):
        a, t = self.pos, xz(target)
        dist = math.hypot(t[0] - a[0], t[1] - a[1])
        ux, uz = (t[0] - a[0]) / dist, (t[1] - a[1]) / dist
        for o in self.d['objects']:
            if o['type'] in MONSTERS:
                continue
            rx, rz = o['pos'][0] - a[0], o['pos'][2] - a[1]
            along = rx * ux + rz * uz
            if -1 < along < dist + 20 and abs(rx * uz - rz * ux) < 1.5:
                return False
        return True

    def targets(self):
        here = self.pos
        found = []
        for m in self.monsters():
            dist = math.hypot(m['pos'][0] - here[0], m['pos'][2] - here[1])
            if dist < SIGHT and self.lv.clear_line(here, xz(m)):
                found.append((dist, m['index']))
        return sorted(found)

    def engage(self):
        """Shoots the nearest monster in view dead; False when there is none (or only a knife)."""
        for _, index in self.targets():
            if self.best_weapon(self.record(index)):
                self.shoot(index)
                return True
        return False

    def record(self, index):
        found = [o for o in self.d['objects'] if o['index'] == index]
        return found[0] if found else None

    def shoot(self, index, rounds=40):
        """Turns to the monster and fires until it is dying or gone; gives up when it leaves the
        line of sight or the ammunition runs out."""
        kind = self.record(index)['type']
        for _ in range(rounds):
            m = self.record(index)
            if m is None or m['state'] in (0, OBJ_DYING):
                self.g.send('up SPACE')
                self.kills += 1
                self.log('    %s: killed monster %d (type %d) from (%.1f, %.1f) with weapon %d, health %d'
                         % (self.lv.name, index, kind, self.pos[0], self.pos[1],
                            self.player['weapon'], self.player['health']))
                return True
            w = self.best_weapon(m)
            if not self.lv.clear_line(self.pos, xz(m)) or w == 0:
                break
            if self.player['weapon'] != w:
                self.refresh('up SPACE', 'press %d' % (w + 1))
            self.turn_to(heading_to(self.pos, xz(m)))
            self.refresh('down SPACE', 'ticks %d' % max(8, self.d['weapons'][w]['reloadTime']))
            self.alive()
        self.refresh('up SPACE', 'ticks 1')
        return False


# ---- screenshots ----------------------------------------------------------------------------------
def png_rgb(path):
    w, h, raw = scene.png_pixels(path)
    # three bytes a pixel after each row's filter byte: 8-bit RGB, the only such PNG colour type
    check(len(raw) == h * (1 + 3 * w), '%s: %d bytes of pixels for %dx%d, not 8-bit RGB' % (path, len(raw), w, h))
    return w, h, raw


def check_screenshot(path, size):
    """A frame of the screen's size that shows a scene: many lit pixels in several colours."""
    w, h, raw = png_rgb(path)
    check((w, h) == size, '%s is %dx%d' % (path, w, h))
    stride = 1 + 3 * w
    check(all(raw[y * stride] == 0 for y in range(h)), '%s: rows use PNG filters this check does not undo' % path)
    lit, colours = 0, set()
    for y in range(h):
        row = raw[y * stride + 1:(y + 1) * stride]
        for x in range(0, 3 * w, 3):
            px = row[x:x + 3]
            if px != b'\0\0\0':
                lit += 1
                colours.add(px)
    check(lit > w * h // 200, '%s is nearly blank (%d lit pixels)' % (path, lit))
    check(len(colours) >= 4, '%s has only %d colours' % (path, len(colours)))
    return lit, len(colours), b'\x00\xff\x00' in colours


# ---- the campaign ---------------------------------------------------------------------------------
def start_new_game(g, seed, log):
    d = g.dump('seed %d' % seed, 'wait 500')
    check(d['GameState'] == GS_MENU and d['menu']['visible'], 'no start menu: %s' % d['GameState'])
    texts = [i['text'] for i in d['menu']['items']]
    check('New Game' in texts, 'no New Game item in %s' % texts)
    want = texts.index('New Game')
    # the pointer hovers over the middle items; move it to the top edge, then use the keys
    d = g.dump('mouse 0 -200', 'ticks 2')
    for _ in range(len(texts)):
        if d['menu']['selected'] == want:
            break
        d = g.dump('press %s' % ('UP' if d['menu']['selected'] > want else 'DOWN'))
    check(d['menu']['selected'] == want, 'could not select New Game: %d' % d['menu']['selected'])
    d = g.dump('press RETURN', 'ticks 5')
    check(d['GameState'] == GS_PLAYING and not d['menu']['visible'], 'New Game did not start a level')
    log('menu: New Game -> state %d' % d['GameState'])
    return d, d['menu']['items'][want]['argument']


def play_level(g, level, number, game_dir, log):
    bot = Bot(g, level, log)
    # the level is shown loading on the full-screen console, which then rolls up (40 ticks)
    d = bot.refresh('ticks 45')
    check(d['GameState'] == GS_PLAYING and d['console']['state'] == 4,
          '%s: state %d, console %d' % (level.name, d['GameState'], d['console']['state']))
    p = d['player']
    # the player stands on the start, facing the start heading; after a level-complete screen he may
    # have walked on along it while the console rolled up: the controls of the tick that reached the
    # previous exit (forward) last until the keyboard is read again
    h = math.radians(level.start_heading)
    drift = ((p['pos'][0] - level.start[0]) * -math.sin(h) + (p['pos'][2] - level.start[1]) * math.cos(h))
    off = math.hypot(p['pos'][0] - level.start[0] + drift * math.sin(h), p['pos'][2] - level.start[1] - drift * math.cos(h))
    check(p['angles'][1] == level.start_heading and off < 1e-3 and -1e-3 < drift <= (0 if number == 1 else 42 * STEP),
          '%s: start at %s heading %s' % (level.name, xz(p), p['angles'][1]))
    check('Here we go..' in console_texts(d), '%s: no start message' % level.name)
    check([m['file'] for m in d['music']['slots']] == [level.defs['MUSIC']], '%s: music %s' % (level.name, d['music']))
    if number == 1:     # RESETPLAYER: fresh health and the knife alone
        check(p['health'] == 100 and p['weapon'] == 0 and not any(p['owned']), '%s: no reset: %s' % (level.name, p))
    lv = d['level']
    monsters_at_start = len(bot.monsters())
    check(lv['MonstersAtStart'] == monsters_at_start > 0, '%s: monsters %s' % (level.name, lv))
    check(lv['ItemsAtStart'] > 0, '%s: items %s' % (level.name, lv))
    start_ticks, start_health = d['ticks'], p['health']
    shot = os.path.join(game_dir, 'level%d_start.png' % number)
    g.send('screenshot ' + shot)

    # the level's new weapon first, a health pack when hurt, then the exit
    for glyph, weapon in WEAPON_GLYPH.items():
        for cell in level.glyph_cells.get(glyph, []):
            target = level.centre(cell)
            bot.follow(target)
            bot.walk_to(target, fight=False, reach=0.1)
            bot.refresh('ticks 1')
            check(bot.player['owned'][weapon] and bot.player['weapon'] == weapon,
                  '%s: the weapon at %s was not picked up' % (level.name, target))
    while bot.d['GameState'] == GS_PLAYING:
        errand = bot.errand()
        if errand:
            log('    %s: health %d, ammo %s, fetching the %s at %s'
                % (level.name, bot.player['health'], bot.player['ammo'][1:], errand[0], errand[1]))
            bot.follow(errand[1])
            bot.walk_to(errand[1], reach=0.1)
            continue
        bot.walk_to(level.route(bot.pos, level.exit)[0])
    d = bot.refresh('ticks 20')
    check(d['GameState'] == GS_LEVEL_DONE, '%s: state %d at the exit' % (level.name, d['GameState']))
    p, lv = d['player'], d['level']
    ex = math.hypot(p['pos'][0] - level.exit[0], p['pos'][2] - level.exit[1])
    check(ex < 1.0, '%s: finished %.2f from the exit' % (level.name, ex))
    check('You reached the exit.. alive!' in console_texts(d), '%s: no exit message' % level.name)
    check(not d['music']['slots'], '%s: music still loaded on the level-complete screen' % level.name)
    check(p['state'] == 1 and p['health'] > 0, '%s: player %s' % (level.name, p))
    check(bot.kills >= 1 and lv['MonstersLeft'] <= lv['MonstersAtStart'] - bot.kills,
          '%s: kills %d, %s' % (level.name, bot.kills, lv))
    check(bot.pickups and lv['ItemsLeft'] <= lv['ItemsAtStart'] - len(bot.pickups),
          '%s: pickups %s, %s' % (level.name, bot.pickups, lv))
    done = os.path.join(game_dir, 'level%d_done.png' % number)
    g.send('screenshot ' + done)
    log('%s: %d kills (%d of %d monsters left), picked up %s (%d of %d items left), '
        'health %d -> %d, ammo %s, %d ticks, score %.0f'
        % (level.name, bot.kills, lv['MonstersLeft'], lv['MonstersAtStart'], ', '.join(bot.pickups),
           lv['ItemsLeft'], lv['ItemsAtStart'], start_health, p['health'], p['ammo'][1:], d['ticks'] - start_ticks, p['score']))
    return [shot, done]


def main():
    if len(sys.argv) != 4:
        sys.stderr.write('usage: campaign_bot.py RUNNER GAME_DIR SOURCE_DIR\n')
        return 2
    runner, game_dir, source = sys.argv[1:]
    sys.path.insert(0, os.path.join(source, 'tools'))
    import make_content     # the grids the maps were drawn from, and the route finder
    layouts = {l['name']: l for l in make_content.LEVELS}
    log = lambda s: print(s, flush=True)

    g = Runner(runner, game_dir)
    shots = []
    try:
        d, name = start_new_game(g, int(os.environ.get('CAMPAIGN_SEED', '1')), log)
        size = (d['settings']['SCREENX'], d['settings']['SCREENY'])
        number = 1
        while True:
            check(name in layouts, 'unknown level %s' % name)
            level = Level(game_dir, name, layouts[name], make_content)
            shots += play_level(g, level, number, game_dir, log)
            d = g.dump('press RETURN', 'ticks 30')
            if level.next == 'WIN':
                break
            check(d['GameState'] == GS_PLAYING, 'continue after %s gave state %d' % (name, d['GameState']))
            name, number = level.next, number + 1
        check(number == len(make_content.LEVELS) == 6, 'the campaign had %d levels' % number)
        check(d['GameState'] == GS_WON, 'no victory screen: state %d' % d['GameState'])
        win_music = scene.read_defs(os.path.join(game_dir, 'start.mnu'))['WINMIDI']
        check([m['file'] for m in d['music']['slots']] == [win_music], 'victory music %s' % d['music'])
        won = os.path.join(game_dir, 'victory.png')
        g.send('screenshot ' + won)
        shots.append(won)
        log('victory screen: state %d, score %.0f' % (d['GameState'], d['player']['score']))
        d = g.dump('press RETURN', 'ticks 30')
        start_menu = scene.read_defs(os.path.join(game_dir, 'start.mnu'))['DEFMENU']
        check(d['GameState'] == GS_MENU and d['menu']['visible'] and d['menu']['file'] == start_menu,
              'continue on the victory screen gave state %d, menu %s' % (d['GameState'], d['menu']['file']))
        log('back to the start menu: state %d, %d ticks in all, %d dumps' % (d['GameState'], d['ticks'], g.trips))
    finally:
        code = g.close()
    check(code == 0, 'the runner exited %d' % code)
    frames = set()
    for s in shots:
        lit, colours, green = check_screenshot(s, size)
        # the level-complete and victory screens write their text in pure green
        check(green or s.endswith('_start.png'), '%s: no screen text' % s)
        frames.add(open(s, 'rb').read())
        log('%s: %d lit pixels, %d colours' % (os.path.basename(s), lit, colours))
    check(len(frames) == len(shots), 'some screenshots are identical')
    return 0


if __name__ == '__main__':
    try:
        sys.exit(main())
    except Fail as e:
        print('campaign: FAIL: %s' % e, flush=True)
        sys.exit(1)
