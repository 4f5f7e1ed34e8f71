#!/usr/bin/env python3
"""Plays the bundled campaign from the start menu to the victory screen through zarvo-headless.

    campaign_bot.py RUNNER GAME_DIR SOURCE_DIR [good|nofire|startroom|figures|skills]

GAME_DIR is a scratch copy of data/; the runner runs there and the screenshots are written there.
The bot talks to the runner line by line: it writes script lines, asks for a dump, reads the JSON
line back and decides what to do next. It plays like a careful player: it walks each level's route
from cell centre to cell centre, fetches the level's new weapon, ammunition packs close by and a
health pack when hurt, fights the monsters it can see (never through walls), sidestepping while its
weapon reloads and sending a rocket into the wall behind a group, and walks to the exit gate; after a
death it plays the level again (RETRY). Every step is checked on the dumps; any failed check ends the
run with a message and a non-zero status. The seed is 1, or CAMPAIGN_SEED from the environment.

Modes: good (the default) plays the campaign and checks the health left at the exits (about full
after level 1, 30-60 after the last); nofire walks the same way without firing and must die before
the exit of level 2; startroom takes the gun in the start room of level 1 and fires from every cell
of that room at the monsters within a shot's reach, none of which outside the room may be hurt;
figures plays seeds 1-20 (GAME_DIR is then a scratch folder for their copies of data/) and prints a
table per level: wins, health at the exit, kills, deaths, ticks, damage taken, health packs used and
monster hits by rockets; skills plays seeds 1-10 at each of the four skills (GAME_DIR a scratch folder
again) and prints per level the wins and the health at the exit for each skill, and the median time at
skill 2 with the par it gives; skill 1 must come out clearly easier, skill 4 clearly harder, and every
level must be won at skills 1 and 2 on every seed. The skill is chosen in the menu New Game opens
(the other modes take the second, Regular, which is the classic game).
"""
import json
import math
import os
import shutil
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
LOW_HEALTH = 50         # below this, fetch a health pack that is not far off the route
SHOT_REACH = 20         # a hit-scan shot's length
DODGE_TICKS = 20        # the longest sidestep between two rounds
DODGE_SPAN = 2.0        # how far from where a fight started the sidesteps may take the player
ROCKET_REACH = 20       # how far the bot follows a rocket's flight ahead
ROCKET_RANGE = 15       # monsters this close are worth a rocket
ROCKET_DAMAGE, BURST_RADIUS = 80, 3.0
AIM_MARGIN = 0.3        # a monster is fought when the view to it clears every wall by this much
MAX_DEATHS = 3          # replays of one level before the run counts it lost


class Fail(Exception):
    pass


class Died(Exception):
    """The player died on a level: it is played again (RETRY) or the run ends there."""


def check(cond, what):
    if not cond:
        raise Fail(what)


# ---- the levels ---------------------------------------------------------------------------------
class Level:
    """A level file with the grid it was drawn from: walkable cells, sight lines, routes."""

    def __init__(self, game_dir, name, layout, tools):
        self.name = name
        self.defs = scene.read_defs(os.path.join(game_dir, name))
        self.grid, self.rooms = layout['grid'], layout['rooms']
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

    def clear_line(self, a, b, width=0.0):
        """Nothing solid between a and b: the player can see (and fairly shoot) from a to b; with a
        width, nothing on the lines that far to either side either (no view past a corner's edge)."""
        d = math.hypot(b[0] - a[0], b[1] - a[1])
        n = max(1, int(d / 0.2))
        ox, oz = (-(b[1] - a[1]) / d * width, (b[0] - a[0]) / d * width) if d and width else (0, 0)
        return not any(self.blocked((a[0] + (b[0] - a[0]) * i / n + k * ox, a[1] + (b[1] - a[1]) * i / n + k * oz))
                       for i in range(n + 1) for k in ((-1, 0, 1) if width else (0,)))

    def route(self, a, b):
        """Cell centres from the cell of a to the cell of b, corners only."""
        path = self.bfs(self.grid, self.cell(a), self.cell(b))
        check(path, '%s: no route from %s to %s' % (self.name, a, b))
        pts = [self.centre(c) for c in path]
        corners = [p for i, p in enumerate(pts)
                   if i == 0 or i == len(pts) - 1
                   or (pts[i - 1][0] - p[0], pts[i - 1][1] - p[1]) != (p[0] - pts[i + 1][0], p[1] - pts[i + 1][1])]
        return corners[1:]

    def room_cells(self, cell):
        """The cells of the room a cell belongs to."""
        letter = self.rooms[cell[1]][cell[0]]
        return {(c, r) for r, line in enumerate(self.rooms) for c, ch in enumerate(line) if ch == letter}

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
    def __init__(self, runner, level, log, armed=True):
        self.g = runner
        self.lv = level
        self.log = log
        self.armed = armed      # False: walks the route and never fires
        self.d = None
        self.dead = set()       # monsters seen dying on this attempt
        self.pickups = []       # what it collected on this attempt
        self.damage = 0         # health lost on this attempt
        self.rockets = 0        # rockets fired, and the monster hits of their bursts
        self.burst_hits = 0
        self.side = 1           # the way it sidesteps next: 1 right, -1 left
        self.anchor = None      # where the fight under way started

    # -- state
    def refresh(self, *lines):
        before = self.d
        self.d = self.g.dump(*lines)
        if before is not None and self.d['GameState'] == GS_PLAYING:
            self.note_pickups(before, self.d)
            self.damage += max(0, before['player']['health'] - self.d['player']['health'])
            now = {o['index']: o for o in self.d['objects']}
            for o in before['objects']:
                if o['type'] in MONSTERS and o['state'] not in (0, OBJ_DYING) and \
                        (o['index'] not in now or now[o['index']]['state'] in (0, OBJ_DYING)):
                    self.dead.add(o['index'])
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
        if self.player['state'] != 1 or self.player['health'] <= 0:
            raise Died('%s: the player died at (%.1f, %.1f)' % (self.lv.name, self.pos[0], self.pos[1]))

    def monsters(self):
        return [o for o in self.d['objects'] if o['type'] in MONSTERS and o['state'] not in (0, OBJ_DYING)]

    def record(self, index):
        found = [o for o in self.d['objects'] if o['index'] == index]
        return found[0] if found else None

    def hold(self, n):
        self.refresh('ticks %d' % n)
        self.alive()

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
        self.alive()

    # -- walking
    def walk_to(self, target, fight=True, reach=0.2):
        """Straight to target (in the open), stopping on the way to fight what comes into view."""
        for _ in range(40):
            if self.d['GameState'] != GS_PLAYING:
                return
            dist = math.hypot(target[0] - self.pos[0], target[1] - self.pos[1])
            if dist < reach:
                return
            if fight and self.armed and self.engage():
                continue
            self.turn_to(heading_to(self.pos, target))
            n = max(1, min(90, int(round(dist / STEP))))
            self.refresh('down UP', 'ticks %d' % n, 'up UP', 'ticks 1')
            self.alive()
        raise Fail('%s: could not reach %s, stuck at %s (monsters in view: %s)'
                   % (self.lv.name, target, self.pos, [(round(d, 1), self.record(i)['type'], xz(self.record(i))) for d, i in self.targets()]))

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
        """The fastest-hitting gun with ammunition: minigun, gun, shotgun (rockets are for bursts)."""
        p = self.player
        for w in (3, 1, 2):
            if p['owned'][w] and p['ammo'][w] > 0:
                return w
        return 0

    def targets(self):
        here = self.pos
        found = []
        for m in self.monsters():
            dist = math.hypot(m['pos'][0] - here[0], m['pos'][2] - here[1])
            if dist < SIGHT and self.lv.clear_line(here, xz(m), AIM_MARGIN):
                found.append((dist, m['index']))
        return sorted(found)

    def engage(self):
        """Fights what is in view until nothing is, with a rocket into the wall behind a group when
        that pays, then steps back to where the fight started; False when there was nothing to fight
        (or only a knife to fight with)."""
        self.anchor, fought, idle = self.pos, False, 0
        while idle < 3:
            found = self.targets()
            health = sum(m['health'] for m in self.monsters())
            if not found or not (self.rocket_burst(found) or self.shoot_first(found)):
                break
            fought = True
            idle = 0 if sum(m['health'] for m in self.monsters()) < health else idle + 1
        if fought and math.hypot(self.pos[0] - self.anchor[0], self.pos[1] - self.anchor[1]) > 0.2 \
                and self.lv.clear_line(self.pos, self.anchor):
            self.walk_to(self.anchor, fight=False)
        return fought

    def shoot_first(self, found):
        for _, index in found:
            if self.best_weapon(self.record(index)):
                self.shoot(index)
                return True
        return False

    def shoot(self, index, rounds=60):
        """Aims at the monster and fires a round whenever the weapon is ready, sidestepping while it
        reloads (an attacking monster fires along the line it last saw the player on); gives up when
        the monster leaves the line of sight or the ammunition runs out."""
        kind = self.record(index)['type']
        self.g.send('up SPACE')
        for _ in range(rounds):
            m = self.record(index)
            if m is None or m['state'] in (0, OBJ_DYING):
                self.log('    %s: killed monster %d (type %d) from (%.1f, %.1f) with weapon %d, health %d'
                         % (self.lv.name, index, kind, self.pos[0], self.pos[1],
                            self.player['weapon'], self.player['health']))
                return True
            w = self.best_weapon(m)
            if w == 0 or not self.lv.clear_line(self.pos, xz(m)):
                return False
            if self.player['weapon'] != w:
                self.refresh('press %d' % (w + 1))
            reload = self.player['reload']
            if reload > 2:
                self.sidestep(min(reload - 1, DODGE_TICKS))
                continue
            self.turn_to(heading_to(self.pos, xz(m)))
            self.refresh(*(['ticks %d' % reload] if reload else []), 'down SPACE', 'ticks 1', 'up SPACE')
            self.alive()
        return False

    def room_to_stand(self, p):
        return not any(self.lv.blocked((p[0] + dx, p[1] + dz)) for dx in (-1, 0, 1) for dz in (-1, 0, 1))

    def sidestep(self, n):
        """Strafes for n ticks, the way it went last unless a wall is there or it would get more than
        DODGE_SPAN from where the fight started; stands when neither way is free."""
        h = math.radians(self.player['angles'][1])
        right = (math.cos(h), math.sin(h))
        for side in (self.side, -self.side):
            end = (self.pos[0] + side * right[0] * STEP * n, self.pos[1] + side * right[1] * STEP * n)
            if self.room_to_stand(end) and math.hypot(end[0] - self.anchor[0], end[1] - self.anchor[1]) <= DODGE_SPAN:
                self.side = side
                key = 'D' if side > 0 else 'A'  # the bundled keys that step aside (the arrows turn)
                self.refresh('down ' + key, 'ticks %d' % n, 'up ' + key)
                self.alive()
                return
        self.side = -self.side
        self.hold(n)

    # -- rockets: into the wall behind a group, where the burst hurts everyone near it
    def rocket_flight(self, here, heading, objects):
        """Where a rocket fired from here along heading ends: ('burst', point) at a wall, ('hit', the
        objects within its square) or None when it flies out of reach."""
        a = math.radians(heading)
        ux, uz = -math.sin(a), math.cos(a)
        near = [o for o in objects if math.hypot(o['pos'][0] - here[0], o['pos'][2] - here[1]) < ROCKET_REACH + 1]
        x, z = here
        for _ in range(int(ROCKET_REACH * 8)):
            nx, nz = x + ux / 8, z + uz / 8
            if self.lv.blocked((nx, nz)):
                return 'burst', (x, z)
            x, z = nx, nz
            hit = [o for o in near if abs(o['pos'][0] - x) < 0.5 and abs(o['pos'][2] - z) < 0.5]
            if hit:
                return 'hit', hit
        return None

    def rocket_value(self, here, heading, objects):
        """The monsters a rocket along heading hurts and the damage it does to them (capped at their
        health)."""
        end = self.rocket_flight(here, heading, objects)
        if end is None:
            return [], 0
        if end[0] == 'hit':
            hurt = [(o, ROCKET_DAMAGE) for o in end[1] if o['type'] in MONSTERS]
            if len(hurt) < len(end[1]):
                return [], 0        # a pickup or scenery in the way
        else:
            burst, hurt = end[1], []
            for o in objects:
                if o['type'] in MONSTERS and o['state'] not in (0, OBJ_DYING):
                    dist = math.hypot(o['pos'][0] - burst[0], o['pos'][2] - burst[1])
                    if dist < BURST_RADIUS and self.lv.clear_line(burst, xz(o)):
                        hurt.append((o, int(ROCKET_DAMAGE * (1 - dist / BURST_RADIUS) + 0.5)))
        return [o for o, _ in hurt], sum(min(loss, o['health']) for o, loss in hurt)

    def rocket_burst(self, found):
        """A rocket where it hurts two or more monsters (a group near a wall) or a big one; waits,
        sidestepping, for it to land. False when no heading pays."""
        p = self.player
        if not (p['owned'][4] and p['ammo'][4] > 0):
            return False
        here, objects = self.pos, [o for o in self.d['objects'] if o['state'] not in (0,)]
        group = [self.record(i) for dist, i in found if dist < ROCKET_RANGE]
        if not group or len(group) == 1 and group[0]['type'] not in (12, 13):
            return False
        headings = sorted({(heading_to(here, xz(m)) + dh) % 360 for m in group for dh in range(-24, 25, 3)})
        best = max(((self.rocket_value(here, h, objects), h) for h in headings), key=lambda v: v[0][1])
        (hurt, value), heading = best
        if value < 70 or len(hurt) < 2 and hurt[0]['type'] != 13 and p['ammo'][4] < 3:
            return False
        if p['reload'] > 1:
            self.sidestep(min(p['reload'] - 1, DODGE_TICKS))     # the launcher reloads; plan again then
            return True
        before = {m['index']: m['health'] for m in self.monsters()}
        if p['weapon'] != 4:
            self.refresh('press 5')
        self.turn_to(heading)
        rounds = self.player['ammo'][4]
        self.refresh('down SPACE', 'ticks 1', 'up SPACE')
        check(self.player['ammo'][4] == rounds - 1, '%s: the launcher did not fire' % self.lv.name)
        self.rockets += 1
        for _ in range(4):
            if not any(r['index'] > 0 for r in self.d['missiles']):
                break
            self.sidestep(DODGE_TICKS)
        now = {o['index']: o['health'] for o in self.d['objects']}
        hit = [i for i, h in before.items() if now.get(i, 0) < h]
        self.burst_hits += len(hit)
        self.log('    %s: rocket at heading %d hurt %d monster(s) (%s), health %d'
                 % (self.lv.name, heading, len(hit), ', '.join(str(i) for i in hit), self.player['health']))
        return True


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
SKILLS = ['Recruit', 'Regular', 'Hardened', 'Relentless']


def start_new_game(g, seed, log, skill=2):
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
    argument = d['menu']['items'][want]['argument']
    d = g.dump('press RETURN', 'ticks 5')
    if d['GameState'] == GS_MENU and [i['text'] for i in d['menu']['items']][:4] == SKILLS:
        # the skill rule asks: the second is offered first
        check(d['menu']['selected'] == 1, 'the skill menu offers %d' % d['menu']['selected'])
        step = 'DOWN' if skill > 2 else 'UP'
        d = g.dump(*(['press %s' % step] * abs(skill - 2)), 'press RETURN', 'ticks 5')
        check(d['settings']['rules']['SKILL'] == skill, 'skill %s, not %d' % (d['settings']['rules']['SKILL'], skill))
    check(d['GameState'] == GS_PLAYING and not d['menu']['visible'], 'New Game did not start a level')
    log('menu: New Game -> state %d' % d['GameState'])
    return d, argument


def enter_level(bot, level, number, attempt):
    """The level as it opens: shown loading on the full-screen console, which then rolls up (40
    ticks, nothing moving meanwhile); the player on the start, the start message and the music."""
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
    ahead = 0 if number == 1 or attempt > 0 else 42 * STEP
    check(p['angles'][1] == level.start_heading and off < 1e-3 and -1e-3 < drift <= ahead,
          '%s: start at %s heading %s' % (level.name, xz(p), p['angles'][1]))
    check('Here we go..' in console_texts(d), '%s: no start message' % level.name)
    check([m['file'] for m in d['music']['slots']] == [level.defs['MUSIC']], '%s: music %s' % (level.name, d['music']))
    if number == 1:     # RESETPLAYER: fresh health and the knife alone
        check(p['health'] == 100 and p['weapon'] == 0 and not any(p['owned']), '%s: no reset: %s' % (level.name, p))
    lv = d['level']
    check(lv['MonstersAtStart'] == len(bot.monsters()) > 0, '%s: monsters %s' % (level.name, lv))
    check(lv['ItemsAtStart'] > 0, '%s: items %s' % (level.name, lv))
    return d


def walk_level(bot, level):
    """The level's new weapon first, a health pack when hurt or ammunition close by, then the exit."""
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
            bot.log('    %s: health %d, ammo %s, fetching the %s at %s'
                    % (level.name, bot.player['health'], bot.player['ammo'][1:], errand[0], errand[1]))
            bot.follow(errand[1])
            bot.walk_to(errand[1], reach=0.1)
            continue
        bot.walk_to(level.route(bot.pos, level.exit)[0])


def play_level(g, level, number, game_dir, log, armed=True):
    """Plays a level to its exit; after a death the level is played again as it was entered (RETRY),
    up to MAX_DEATHS times. Returns the screenshots and the level's figures."""
    deaths, shots, ticks = 0, [], 0
    while True:
        bot = Bot(g, level, log, armed)
        d = enter_level(bot, level, number, deaths)
        start_ticks, start_health = d['ticks'], d['player']['health']
        if not deaths:
            shots.append(os.path.join(game_dir, 'level%d_start.png' % number))
            g.send('screenshot ' + shots[-1])
        try:
            walk_level(bot, level)
            break
        except Died as e:
            deaths += 1
            ticks += bot.d['ticks'] - start_ticks
            log('%s: %s after %d ticks, %d kills' % (level.name, e, bot.d['ticks'] - start_ticks, len(bot.dead)))
            if not armed or deaths > MAX_DEATHS or not d['settings']['rules'].get('RETRY'):
                raise
            # the death camera rises (100 ticks) and the death screen shows for a second; then Enter plays
            # the level again
            d = g.dump('ticks 170', 'press RETURN', 'ticks 1')
            check(d['player']['state'] == 1 and d['player']['health'] == start_health,
                  '%s: Enter after the death camera did not replay the level: %s' % (level.name, d['player']))
    d = bot.refresh('ticks 20')
    check(d['GameState'] == GS_LEVEL_DONE, '%s: state %d at the exit' % (level.name, d['GameState']))
    p, lv = d['player'], d['level']
    ex = math.hypot(p['pos'][0] - level.exit[0], p['pos'][2] - level.exit[1])
    check(ex < 1.0, '%s: finished %.2f from the exit' % (level.name, ex))
    check('You reached the exit.. alive!' in console_texts(d), '%s: no exit message' % level.name)
    check(not d['music']['slots'], '%s: music still loaded on the level-complete screen' % level.name)
    check(p['state'] == 1 and p['health'] > 0, '%s: player %s' % (level.name, p))
    kills = len(bot.dead)
    check((kills >= 1 or not armed) and lv['MonstersLeft'] <= lv['MonstersAtStart'] - kills,
          '%s: kills %d, %s' % (level.name, kills, lv))
    check(bot.pickups and lv['ItemsLeft'] <= lv['ItemsAtStart'] - len(bot.pickups),
          '%s: pickups %s, %s' % (level.name, bot.pickups, lv))
    shots.append(os.path.join(game_dir, 'level%d_done.png' % number))
    g.send('screenshot ' + shots[-1])
    ticks += d['ticks'] - start_ticks
    log('%s: %d kills (%d of %d monsters left), picked up %s (%d of %d items left), health %d -> %d, '
        'ammo %s, %d rockets hurting %d, %d deaths, %d ticks, score %.0f'
        % (level.name, kills, lv['MonstersLeft'], lv['MonstersAtStart'], ', '.join(bot.pickups), lv['ItemsLeft'],
           lv['ItemsAtStart'], start_health, p['health'], p['ammo'][1:], bot.rockets, bot.burst_hits, deaths,
           ticks, p['score']))
    return shots, dict(level=level.name, health=p['health'], kills=kills, monsters=lv['MonstersAtStart'],
                       deaths=deaths, ticks=ticks, burst_hits=bot.burst_hits, damage=bot.damage,
                       packs=bot.pickups.count('health'), time=d['stats']['timeMs'])


def campaign(runner, game_dir, source, seed, log, armed=True, skill=2):
    """New Game from the start menu, every level to the victory screen and back to the start menu.
    Returns the screenshots, the per-level figures and the screen size; raises Died when a level is
    lost for good."""
    import make_content     # the grids the maps were drawn from, and the route finder
    layouts = {l['name']: l for l in make_content.LEVELS}
    g = Runner(runner, game_dir)
    shots, figures = [], []
    try:
        d, name = start_new_game(g, seed, log, skill)
        size = (d['settings']['SCREENX'], d['settings']['SCREENY'])
        number = 1
        while True:
            check(name in layouts, 'unknown level %s' % name)
            level = Level(game_dir, name, layouts[name], make_content)
            try:
                more, fig = play_level(g, level, number, game_dir, log, armed)
            except (Died, Fail):
                figures.append(dict(level=name, lost=True))
                raise
            shots += more
            figures.append(fig)
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
    except (Died, Fail) as e:
        e.figures = figures
        raise
    finally:
        code = g.close()
    check(code == 0, 'the runner exited %d' % code)
    return shots, figures, size


def play_good(runner, game_dir, source, seed, log):
    """The play-through: the whole campaign won, every screenshot a scene, and the difficulty curve:
    the health left at the exits falls from about full on the first level to 30-60 on the last."""
    shots, figures, size = campaign(runner, game_dir, source, seed, log)
    frames = set()
    for s in shots:
        lit, colours, green = check_screenshot(s, size)
        # the level-complete and victory screens write their text in pure green
        check(green or s.endswith('_start.png'), '%s: no screen text' % s)
        frames.add(open(s, 'rb').read())
        log('%s: %d lit pixels, %d colours' % (os.path.basename(s), lit, colours))
    check(len(frames) == len(shots), 'some screenshots are identical')
    curve = [f['health'] for f in figures]
    log('health at the exits: %s' % ' '.join(str(h) for h in curve))
    # about full after the first level, 30-60 after the last, and lower in the second half than in the first
    check(curve[0] >= 85 and 30 <= curve[-1] <= 60 and sum(curve[3:]) < sum(curve[:3]) and curve[-1] < min(curve[:3]),
          'the health at the exits does not fall from about 100 to 30-60: %s' % curve)


def play_nofire(runner, game_dir, source, seed, log):
    """A player who walks the good route but never fires does not get past level 2."""
    try:
        campaign(runner, game_dir, source, seed, log, armed=False)
    except Died as e:
        level = str(e).split(':')[0]
        check(level in ('LEVEL1.LVL', 'LEVEL2.LVL'), 'the unarmed walk died only on %s' % level)
        log('nofire: died before the exit of level 2 (%s)' % e)
        return
    raise Fail('the unarmed walk won the campaign')


def play_startroom(runner, game_dir, source, seed, log):
    """On level 1, a player who takes the gun in the start room and fires at every monster within a
    shot's reach from each cell of that room hurts no monster outside it: the walls stop the shots."""
    import make_content
    layouts = {l['name']: l for l in make_content.LEVELS}
    g = Runner(runner, game_dir)
    try:
        d, name = start_new_game(g, seed, log)
        level = Level(game_dir, name, layouts[name], make_content)
        bot = Bot(g, level, log)
        enter_level(bot, level, 1, 0)
        room = level.room_cells(level.cell(level.start))
        gun = level.centre(level.glyph_cells['g'][0])
        check(level.cell(gun) in room, '%s: the gun lies outside the start room' % name)
        bot.follow(gun, fight=False)
        bot.walk_to(gun, fight=False, reach=0.1)
        bot.refresh('ticks 1')
        check(bot.player['weapon'] == 1, '%s: no gun in hand' % name)
        full = {m['index']: m['health'] for m in bot.monsters()}
        fired, targets = 0, set()
        for cell in sorted(room):
            bot.follow(level.centre(cell), fight=False)
            for m in bot.monsters():
                away = math.hypot(m['pos'][0] - bot.pos[0], m['pos'][2] - bot.pos[1])
                if away > SHOT_REACH + m['radius'] or not bot.player['ammo'][1]:
                    continue
                bot.turn_to(heading_to(bot.pos, xz(m)))
                before = bot.player['ammo'][1]
                bot.refresh('ticks %d' % (bot.player['reload'] + 1), 'down SPACE', 'ticks 1', 'up SPACE')
                fired += before - bot.player['ammo'][1]
                targets.add(m['index'])
                for o in bot.monsters() + [o for o in bot.d['objects'] if o['index'] in bot.dead]:
                    if o['health'] < full.get(o['index'], 0):
                        check(level.cell(xz(o)) in room, '%s: monster %d at %s, outside the start room, was hit'
                              % (name, o['index'], xz(o)))
        check(fired >= 2 and len(targets) >= 2, '%s: only %d shots at %d monsters within reach' % (name, fired, len(targets)))
        log('startroom: %d shots from the start room at %d monsters within %d units, none outside it hurt'
            % (fired, len(targets), SHOT_REACH))
    finally:
        code = g.close()
    check(code == 0, 'the runner exited %d' % code)


def figures(runner, scratch, source, seeds, log):
    """The good bot over the seeds, each in a fresh copy of data/: per level the wins, the health at
    the exit (min / median / max), kills, deaths (replays) and ticks."""
    rows = {}
    for seed in seeds:
        game_dir = os.path.join(scratch, 'seed%d' % seed)
        shutil.rmtree(game_dir, ignore_errors=True)
        shutil.copytree(os.path.join(source, 'data'), game_dir)
        try:
            _, figs, _ = campaign(runner, game_dir, source, seed, lambda s: None)
        except (Died, Fail) as e:
            figs = getattr(e, 'figures', None) or []
            log('seed %d: lost: %s' % (seed, e))
        for f in figs:
            rows.setdefault(f['level'], []).append(f)
        log('seed %d: exits %s' % (seed, ' '.join('-' if f.get('lost') else str(f['health']) for f in figs)))
    med = lambda v: sorted(v)[len(v) // 2] if v else 0
    log('| level | wins | health at the exit (min / median / max) | kills (median of monsters) | deaths | '
        'ticks (median) | damage taken (median) | health packs (median) | rocket hits (all runs) |')
    log('|---|---|---|---|---|---|---|---|---|')
    for name in sorted(rows):
        won = [f for f in rows[name] if not f.get('lost')]
        hp = [f['health'] for f in won]
        log('| %s | %d of %d | %d / %d / %d | %d of %d | %d | %d | %d | %d | %d |'
            % (name, len(won), len(rows[name]), min(hp or [0]), med(hp), max(hp or [0]),
               med([f['kills'] for f in won]), won[0]['monsters'] if won else 0,
               sum(f['deaths'] for f in won), med([f['ticks'] for f in won]), med([f['damage'] for f in won]),
               med([f['packs'] for f in won]), sum(f['burst_hits'] for f in won)))


def skills(runner, scratch, source, seeds, log):
    """The good bot at each skill over the seeds, each run in a fresh copy of data/: per level and skill the
    wins and the health at the exit (median, min-max; a level lost counts no health), and at skill 2 the
    median time a level took with the par it gives (rounded up to 5 s). Skill 1 must be clearly easier
    than skill 2 and skill 4 clearly harder, and every level won at skills 1 and 2."""
    import make_content
    names = [l['name'] for l in make_content.LEVELS]
    runs = {}
    for skill in range(1, 5):
        for seed in seeds:
            game_dir = os.path.join(scratch, 'skill%d-seed%d' % (skill, seed))
            shutil.rmtree(game_dir, ignore_errors=True)
            shutil.copytree(os.path.join(source, 'data'), game_dir)
            try:
                _, figs, _ = campaign(runner, game_dir, source, seed, lambda s: None, skill=skill)
            except (Died, Fail) as e:
                figs = getattr(e, 'figures', None) or []
                log('skill %d seed %d: lost: %s' % (skill, seed, e))
            shutil.rmtree(game_dir, ignore_errors=True)
            health = {f['level']: (0 if f.get('lost') else f['health']) for f in figs}
            runs[skill, seed] = figs
            log('skill %d seed %d: exits %s' % (skill, seed, ' '.join(
                '-' if n not in health else str(health[n]) for n in names)))
    med = lambda v: sorted(v)[len(v) // 2] if v else 0
    exit_health = {}
    log('| level | ' + ' | '.join('skill %d (%s): wins, exit health median (min-max)' % (s, SKILLS[s - 1])
                                 for s in range(1, 5)) + ' | time at skill 2 (median) | par |')
    log('|---|---|---|---|---|---|---|')
    pars = {}
    for name in names:
        cells = []
        for skill in range(1, 5):
            figs = [f for seed in seeds for f in runs[skill, seed] if f['level'] == name]
            won = [f for f in figs if not f.get('lost')]
            # a level never reached (an earlier one was lost) counts as lost too
            hp = [f['health'] for f in won] + [0] * (len(seeds) - len(won))
            exit_health[skill, name] = hp
            cells.append('%d of %d, %d (%d-%d)' % (len(won), len(seeds), med(hp), min(hp), max(hp)))
        # the time the level-complete screen shows: the try that reached the exit
        times = [f['time'] for seed in seeds for f in runs[2, seed] if f['level'] == name and not f.get('lost')]
        seconds = med(times) / 1000.0
        pars[name] = int(math.ceil(seconds / 5.0)) * 5
        log('| %s | %s | %d:%02d | %d s |' % (name, ' | '.join(cells), int(seconds) // 60, int(seconds) % 60,
                                              pars[name]))
    mean = lambda skill: sum(sum(exit_health[skill, n]) for n in names) / float(len(names) * len(seeds))
    log('mean exit health: %s' % ', '.join('skill %d %.1f' % (s, mean(s)) for s in range(1, 5)))
    log('pars: %s' % ', '.join('%s=%d' % kv for kv in sorted(pars.items())))
    for skill in (1, 2):
        lost = [n for n in names if any(h == 0 for h in exit_health[skill, n])]
        check(not lost, 'skill %d: %s not won on every seed' % (skill, lost))
    check(mean(1) >= mean(2) + 10, 'skill 1 is not clearly easier than skill 2')
    check(mean(4) <= mean(2) - 10, 'skill 4 is not clearly harder than skill 2')


MODES = {'good': play_good, 'nofire': play_nofire, 'startroom': play_startroom}


def main():
    if len(sys.argv) not in (4, 5) or len(sys.argv) == 5 and sys.argv[4] not in list(MODES) + ['figures', 'skills']:
        sys.stderr.write('usage: campaign_bot.py RUNNER GAME_DIR SOURCE_DIR [%s|figures|skills]\n' % '|'.join(MODES))
        return 2
    runner, game_dir, source = sys.argv[1:4]
    mode = sys.argv[4] if len(sys.argv) == 5 else 'good'
    sys.path.insert(0, os.path.join(source, 'tools'))
    log = lambda s: print(s, flush=True)
    if mode == 'figures':
        figures(runner, game_dir, source, range(1, 21), log)
    elif mode == 'skills':
        skills(runner, game_dir, source, range(1, 11), log)
    else:
        MODES[mode](runner, game_dir, source, int(os.environ.get('CAMPAIGN_SEED', '1')), log)
    return 0


if __name__ == '__main__':
    try:
        sys.exit(main())
    except (Fail, Died) as e:
        print('campaign: FAIL: %s' % e, flush=True)
        sys.exit(1)
