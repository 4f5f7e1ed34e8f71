#!/usr/bin/env python3
"""Builds the whole bundled Zarvo game into a folder (normally data/).

    python3 tools/make_content.py data

Writes the settings, menus, levels and their maps, object types, weapons, models with their DXF
frames, sound effects and music. Deterministic: the same run writes the same bytes. Definition files
get carriage-return line ends, as the game requires.
"""
import math
import os
import re
import sys
from collections import deque

sys.dont_write_bytecode = True  # keep tools/ free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import content_audio  # noqa: E402
import content_maps  # noqa: E402
import content_models as cm  # noqa: E402
import content_music  # noqa: E402
from content_levels import ARENA, LEVELS  # noqa: E402
from content_maps import EYE, cell_pos  # noqa: E402

# ---- balance ----------------------------------------------------------------------------------
# Weapon numbers are shared by the player and the monsters carrying the same weapon. Ticks run at
# about 166 a second. A hit on a monster takes DAMAGE - (0..3); a hit on the player takes
# max(1, DAMAGE / 2 - (0..3)).
WEAPON_STATS = [
    # name, file stem, view model, reload ticks, damage
    ('knife', 'knife', 50, 30),
    ('gun', 'pistol', 60, 16),
    ('shotgun', 'shotgun', 120, 14),
    ('minigun', 'minigun', 16, 7),
    ('launcher', 'launcher', 140, 80),
]

MONSTER_STATS = {
    # name: type code, health, weapon index
    'skitter': (10, 24, 0),
    'warden': (11, 50, 1),
    'brute': (12, 110, 2),
    'overseer': (13, 240, 3),
}

HEALTH_PACK = 30

# The rules beyond the classic game that the bundled campaign is made for, turned on in config.ini.
RULES = ['SOLIDWALLS', 'HUNTERS', 'AUTOPAUSE', 'TOTALSCORE', 'RETRY', 'CROSSHAIR', 'LEVELNAMES', 'AUTOMAP',
         'SAVEGAMES', 'LEVELSTATS', 'OWNEDSWITCH']
# New Game asks for the skill, the second (the classic game) offered first.
SKILL = 2
# Each level's par in seconds: the campaign bot's median time over seeds 1-10 at skill 2, rounded up to 5 s
# (tests/campaign_bot.py ... skills).
PARS = {'LEVEL1.LVL': 20, 'LEVEL2.LVL': 30, 'LEVEL3.LVL': 50, 'LEVEL4.LVL': 35, 'LEVEL5.LVL': 35, 'LEVEL6.LVL': 30}

# Today's screens: the display's size and shape, frames at its pace, lines cut at the eye.
SCREEN = ['SCREENSIZE=DESKTOP', 'SCALEVIEW=1', 'FRAMERATE=DISPLAY', 'NEARCLIP=1']
# A player of today: W and S walk, A and D step aside, the arrows turn whatever mouse look says (so the
# keyboard alone plays), the wheel takes the next or previous weapon; a hit shows where it came from, and
# Escape on the start menu goes back a menu instead of hiding it.
PLAYER = ['BIND_FORWARD=W', 'BIND_BACK=S', 'BIND_STRAFELEFT=A', 'BIND_STRAFERIGHT=D', 'BIND_TURNLEFT=LEFT',
          'BIND_TURNRIGHT=RIGHT', 'BIND_NEXTWEAPON=WHEELUP', 'BIND_PREVWEAPON=WHEELDOWN', 'HITFEEDBACK=1',
          'MENUBACK=1']

# ---- levels ------------------------------------------------------------------------------------
OBJECT_FILES = {
    'g': 'objects/gun.obj', 's': 'objects/shotgun.obj', 'm': 'objects/minigun.obj',
    'r': 'objects/launcher.obj', 'h': 'objects/medkit.obj', 'a': 'objects/ammo.obj',
    '1': 'objects/skitter.obj', '2': 'objects/warden.obj', '3': 'objects/brute.obj',
    '4': 'objects/overseer.obj', 't': 'objects/torch.obj', 'c': 'objects/crystal.obj',
    'k': 'objects/terminal.obj', 'E': 'objects/exitgate.obj', 'b': 'objects/banner.obj',
    'v': 'objects/coil.obj',
}


def walkable(ch):
    """Floor the player can cross: not rock, not a cell with a pillar in it."""
    return ch != '#' and ch not in content_maps.PILLARS


def heading_towards(src, dst):
    """Heading whose ahead direction (-sin, +cos) points from src to dst: where a monster looks and
    shoots, and where the player looks."""
    dx, dz = dst[0] - src[0], dst[1] - src[1]
    return int(round(math.degrees(math.atan2(-dx, dz)))) % 360


def facing(src, dst):
    """Heading that turns a model's +z from src towards dst: objects are drawn turned so that their
    +z points along (+sin, +cos), the mirror of the ahead direction in x."""
    dx, dz = dst[0] - src[0], dst[1] - src[1]
    return int(round(math.degrees(math.atan2(dx, dz)))) % 360


# headings that turn a model's +z towards the cell on each side: (heading, (column step, row step))
MODEL_SIDES = ((0, (0, -1)), (90, (1, 0)), (180, (0, 1)), (270, (-1, 0)))


def backed(grid, c, r, wanted):
    """The heading nearest to wanted that puts a model's back (+z) against a wall of its cell; the
    models of signs, screens and the exit gate show their face on -z."""
    backs = [h for h, (dc, dr) in MODEL_SIDES if grid[r + dr][c + dc] == '#'] or [h for h, _ in MODEL_SIDES]
    return min(backs, key=lambda h: (abs((h - wanted + 180) % 360 - 180), h))


def bfs_path(grid, start, goal):
    rows, cols = len(grid), len(grid[0])
    prev = {start: None}
    q = deque([start])
    while q:
        cur = q.popleft()
        if cur == goal:
            break
        c, r = cur
        for dc, dr in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nc, nr = c + dc, r + dr
            if 0 <= nr < rows and 0 <= nc < cols and walkable(grid[nr][nc]) and (nc, nr) not in prev:
                prev[(nc, nr)] = cur
                q.append((nc, nr))
    if goal not in prev:
        return None
    path, cur = [], goal
    while cur is not None:
        path.append(cur)
        cur = prev[cur]
    return path[::-1]


MAX_RUN = 5     # cells: a straight view along a row or column ends at a wall or pillar within this


def long_sightlines(grid):
    """Straight runs of open cells along a row or a column longer than MAX_RUN: looking along one from
    its end, the far wall lies beyond the 20 units the eye can see and the view ends in black."""
    cols = len(grid[0])
    found = []
    for lines, name in ((grid, 'row'), ([''.join(r[c] for r in grid) for c in range(cols)], 'column')):
        for i, line in enumerate(lines):
            for m in re.finditer(r'[^#%s]+' % re.escape(''.join(content_maps.PILLARS)), line):
                if len(m.group()) > MAX_RUN:
                    found.append('%s %d from %d to %d' % (name, i, m.start(), m.end() - 1))
    return found


def find(grid, glyph):
    return [(c, r) for r, line in enumerate(grid) for c, ch in enumerate(line) if ch == glyph]


def room_centre(level, c, r):
    """World x, z of the middle of the room a cell belongs to."""
    rooms = level['rooms']
    cells = [(cc, rr) for rr, line in enumerate(rooms) for cc, ch in enumerate(line) if ch == rooms[r][c]]
    xs, zs = zip(*(cell_pos(level['grid'], *cell) for cell in cells))
    return sum(xs) / len(xs), sum(zs) / len(zs)


def level_objects(level):
    """(glyph, x, z, heading) in map order; the start and the exit's position.

    Monsters face the way the player will come into their room: along their path towards the start,
    to the first cell outside their own room (or the start itself when it shares their room)."""
    grid, rooms = level['grid'], level['rooms']
    start, exitp = find(grid, 'S')[0], find(grid, 'E')[0]
    path = bfs_path(grid, start, exitp)
    # the cell through which the way to the exit enters the exit's room
    entry = next(cell for cell in path if rooms[cell[1]][cell[0]] == rooms[exitp[1]][exitp[0]])
    if entry == exitp:
        entry = path[-2]
    before = cell_pos(grid, *entry)
    def monster_heading(c, r, x, z):
        way = bfs_path(grid, (c, r), start)
        assert way, (level['name'], 'monster cut off from the start', c, r)
        door = next((cell for cell in way if rooms[cell[1]][cell[0]] != rooms[r][c]), start)
        return heading_towards((x, z), cell_pos(grid, *door))

    objs = []
    for r, line in enumerate(grid):
        for c, ch in enumerate(line):
            if ch in OBJECT_FILES:
                x, z = cell_pos(grid, c, r)
                heading = 0
                if ch in '1234':
                    heading = monster_heading(c, r, x, z)
                elif ch == 'E':
                    # the gate's sign faces the way the player comes in
                    heading = backed(grid, c, r, facing(before, (x, z)))
                elif ch in 'kb':
                    # terminals and banners stand with their backs to a wall, facing into the room
                    heading = backed(grid, c, r, facing(room_centre(level, c, r), (x, z)))
                objs.append((ch, x, z, heading))
    # monsters standing off their cell's centre, after the map's objects
    for ch, c, r, dx, dz in level.get('extra', ()):
        x, z = cell_pos(grid, c, r)
        objs.append((ch, x + dx, z + dz, monster_heading(c, r, x + dx, z + dz)))
    return start, exitp, path, objs


# ---- file writers -------------------------------------------------------------------------------
def definition(lines):
    """Definition text: every line ends with CR LF (the game needs the CR; the LF keeps editors happy)."""
    return ''.join(l + '\r\n' for l in lines).encode('ascii')


class Out:
    def __init__(self, root):
        self.root = root
        self.files = {}

    def put(self, rel, data):
        assert rel not in self.files, rel
        self.files[rel] = data

    def write(self):
        for rel, data in sorted(self.files.items()):
            path = os.path.join(self.root, rel)
            os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
            with open(path, 'wb') as f:
                f.write(data)


def model(out, name, frames, comment, stand=True):
    """A model file and its DXF frames: models/NAME.mdl, models/NAME/fN.dxf. Objects are drawn at
    their position, which is the height of the eye: a model that stands on the floor (stand) is moved
    down by the eye's height; weapon views and the rocket in flight keep their own placing."""
    lines = ['// %s' % comment, 'FRAMES=%d' % len(frames), 'SCALE=1.0']
    for i, fr in enumerate(frames):
        rel = 'models/%s/f%d.dxf' % (name, i)
        out.put(rel, (fr.moved((0.0, -EYE, 0.0)) if stand else fr).dxf())
        lines.append('FRAME%d=%s' % (i, rel))
    out.put('models/%s.mdl' % name, definition(lines))
    return 'models/%s.mdl' % name


def build(root):
    out = Out(root)

    # -- settings and menus
    out.put('config.ini', definition(['SCREENX=640', 'SCREENY=480', 'SCREENBPP=8', 'SOUNDVOL=80',
                                      'MUSICVOL=80', 'START=start.mnu'] + ['%s=1' % k for k in RULES] +
                                     ['SKILL=%d' % SKILL, 'SOUNDRATE=FILE', 'CONSOLEAIDS=1', 'SAYSTATE=1'] + SCREEN +
                                     PLAYER))
    out.put('start.mnu', definition([
        '// Zarvo start menu: music, menu sounds, first items file, victory music',
        'MENUMUSIC=music/menu.mid', 'SOUNDS=sounds/menu.snd', 'DEFMENU=main.itm',
        'WINMIDI=music/victory.mid']))
    items = {
        'main.itm': ['New Game;GAME;LEVEL1.LVL', 'Load game;SLOTS;LOAD', 'Save game;SLOTS;SAVE',
                     'Network;MENU;network.itm', 'Options;MENU;options.itm', 'Quit;SCRIPT;QUIT'],
        # Network play: host (co-op, or a deathmatch with DEATHMATCH=1), join at an address typed on the
        # console's line, the arena, leave.
        'network.itm': ['Host a game;SCRIPT;HOST', 'Join a game...;SCRIPT;PROMPT JOIN', 'Arena;GAME;ARENA.LVL',
                        'Leave the game;SCRIPT;LEAVE', 'Players;SCRIPT;PLAYERS', 'Back;MENU;main.itm'],
        # The options, each page at most six items; a setting's item shows its value and Left, Right and
        # Enter change it.
        'options.itm': ['Sound and music...;MENU;sound.itm', 'Screen...;MENU;screen.itm',
                        'Controls...;MENU;controls.itm', 'Game and aids...;MENU;game.itm', 'Help...;MENU;help.itm',
                        'Back;MENU;main.itm'],
        'sound.itm': ['Sound volume: {SOUNDVOL};SETTING;SOUNDVOL', 'Music volume: {MUSICVOL};SETTING;MUSICVOL',
                      'Back;MENU;options.itm'],
        'screen.itm': ['Screen size: {SCREENSIZE};SETTING;SCREENSIZE', 'Full screen: {FULLSCREEN};SETTING;FULLSCREEN',
                       'Frame rate: {FRAMERATE};SETTING;FRAMERATE', 'Scaling: {SCALING};SETTING;SCALING',
                       'More...;MENU;screen2.itm', 'Back;MENU;options.itm'],
        'screen2.itm': ['Shading: {SHADING};SETTING;SHADING', 'Line hiding: {ZBUFFER};SETTING;ZBUFFER',
                        'Scaled view: {SCALEVIEW};SETTING;SCALEVIEW', 'Back;MENU;screen.itm'],
        'controls.itm': ['Keys...;CONTROLS;0', 'Mouse look: {MOUSELOOK};SETTING;MOUSELOOK',
                         'Mouse speed: {MOUSESENS}%;SETTING;MOUSESENS', 'Gamepad: {JOYSTICK};SETTING;JOYSTICK',
                         'Back;MENU;options.itm'],
        'game.itm': ['New game skill: {SKILL};SETTING;SKILL', 'Crosshair: {CROSSHAIR};SETTING;CROSSHAIR',
                     'Map (Tab): {AUTOMAP};SETTING;AUTOMAP', 'Level names: {LEVELNAMES};SETTING;LEVELNAMES',
                     'More aids...;MENU;aids.itm', 'Back;MENU;options.itm'],
        'aids.itm': ['Hit feedback: {HITFEEDBACK};SETTING;HITFEEDBACK', 'Level record: {LEVELSTATS};SETTING;LEVELSTATS',
                     'Retry on death: {RETRY};SETTING;RETRY', 'Pause when away: {AUTOPAUSE};SETTING;AUTOPAUSE',
                     'Console aids: {CONSOLEAIDS};SETTING;CONSOLEAIDS', 'Back;MENU;game.itm'],
        # What the keys do in the bundled game (config.ini binds W, A, S, D and the wheel).
        'help.itm': ['- HOW TO PLAY -;NADDA;none', 'W S, Up Down: walk;NADDA;none', 'A D: step aside;NADDA;none',
                     'Left Right, mouse: turn;NADDA;none', 'More help...;MENU;help2.itm', 'Back;MENU;options.itm'],
        'help2.itm': ['Space, click: fire;NADDA;none', '1-5, wheel: weapons;NADDA;none', 'Tab: map;NADDA;none',
                      'F6: save, F9: load;NADDA;none', 'More help...;MENU;help3.itm', 'Back;MENU;help.itm'],
        'help3.itm': ['Find the EXIT gate;NADDA;none', 'Esc: menu and pause;NADDA;none',
                      '` : console, HELP;NADDA;none', 'Keys: Options, Controls;NADDA;none', 'Back;MENU;help2.itm'],
    }
    for name, entries in items.items():
        lines = ['// Zarvo menu items: text;action;argument', 'MENUITEMS=%d' % len(entries), 'ITEMSPACING=40']
        lines += ['%d=%s' % (i, e) for i, e in enumerate(entries)]
        out.put(name, definition(lines))

    # -- sounds
    for name, data in content_audio.build().items():
        out.put('sounds/%s.wav' % name, data)
    w = lambda n: 'sounds/%s.wav' % n
    out.put('sounds/menu.snd', definition([
        '// Menu sounds: row 17 = selection moved; item activated', 'SOUNDS=18',
        'SOUND17=%s;%s' % (w('menu_move'), w('menu_select'))]))
    rows = {
        0: [w('player_pain')],
        1: [w('player_pain'), w('player_death')],
        2: [w('knife'), w('knife')],
        3: [w('gun'), w('gun'), w('pickup_weapon')],
        4: [w('shotgun'), w('shotgun'), w('pickup_weapon')],
        5: [w('minigun'), w('minigun'), w('pickup_weapon')],
        6: [w('rocket'), w('rocket'), w('pickup_weapon')],
        9: [w('rocket_burst'), w('rocket_burst')],
        7: [w('pickup_health'), w('pickup_health'), w('pickup_health')],
        8: [w('pickup_ammo'), w('pickup_ammo'), w('pickup_ammo')],
        10: [w('skitter_pain'), w('skitter_death')],
        11: [w('warden_pain'), w('warden_death')],
        12: [w('brute_pain'), w('brute_death')],
        13: [w('overseer_pain'), w('overseer_death')],
        17: [w('menu_move'), w('menu_select')],
        18: [w('level_start'), w('level_exit')],
    }
    lines = ['// Level sounds. Row = object type; slot 0 pain, 1 death or firing, 2 pickup.',
             '// Row 1 slot 1: player death. Row 9 slot 1: a rocket bursting at a wall.',
             '// Row 17: menu. Row 18: level start; exit reached.',
             'SOUNDS=19']
    lines += ['SOUND%d=%s' % (r, ';'.join(v)) for r, v in sorted(rows.items())]
    out.put('sounds/level.snd', definition(lines))

    # -- music
    for name, data in content_music.build().items():
        out.put('music/%s.mid' % name, data)

    # -- monsters
    for name, (code, health, weapon) in MONSTER_STATS.items():
        idle, attack, walk, death = cm.MONSTERS[name]()
        models = [model(out, '%s_%s' % (name, anim), frames, '%s, %s' % (name, anim))
                  for anim, frames in (('idle', idle), ('attack', attack), ('walk', walk), ('death', death))]
        lines = ['// Monster: %s' % name, 'MODELS=4'] + ['MODEL%d=%s' % (i, m) for i, m in enumerate(models)]
        lines += ['DEFSTATE=1', 'DEFHEALTH=%d' % health, 'DEFDAMAGE=0', 'DOCOLDET=1', 'TYPE=%d' % code,
                  'WEAPON=%d' % weapon]
        out.put('objects/%s.obj' % name, definition(lines))

    # -- weapons, their pickups, the rocket
    arsenal = ['// The arsenal: knife, gun, shotgun, minigun, rocket launcher; the rocket', 'WEAPONS=5']
    pickup_types = {'gun': 3, 'shotgun': 4, 'minigun': 5, 'launcher': 6}
    for idx, (wname, view, reload, damage) in enumerate(WEAPON_STATS):
        rest, fire, pos, rot = cm.WEAPONS[view]
        m0 = model(out, '%s_view' % wname, [rest()], '%s at rest' % wname, stand=False)
        m1 = model(out, '%s_fire' % wname, fire(), '%s firing' % wname, stand=False)
        out.put('weapons/%s.wpn' % wname, definition([
            '// Weapon: %s' % wname,
            'SCREEN_X_POS=%s' % pos[0], 'SCREEN_Y_POS=%s' % pos[1], 'SCREEN_Z_POS=%s' % pos[2],
            'SCREEN_X_ROT=%d' % rot[0], 'SCREEN_Y_ROT=%d' % rot[1], 'SCREEN_Z_ROT=%d' % rot[2],
            'RELOADTIME=%d' % reload, 'DAMAGE=%d' % damage, 'MODELS=2', 'MODEL0=%s' % m0, 'MODEL1=%s' % m1]))
        arsenal.append('WEAPON%d=weapons/%s.wpn' % (idx, wname))
        if wname in pickup_types:
            pm = model(out, '%s_pickup' % wname, [cm.pickup_weapon(rest())], '%s pickup' % wname)
            out.put('objects/%s.obj' % wname, definition([
                '// Pickup: %s' % wname, 'MODELS=1', 'MODEL0=%s' % pm, 'DEFHEALTH=1000',
                'TYPE=%d' % pickup_types[wname]]))
    arsenal.append('MISSILE=objects/rocket.obj')
    out.put('weapons/arsenal.ars', definition(arsenal))
    rm = model(out, 'rocket', [cm.rocket()], 'rocket in flight', stand=False)
    out.put('objects/rocket.obj', definition(['// The rocket fired by the launcher', 'MODELS=1',
                                              'MODEL0=%s' % rm, 'DEFHEALTH=1', 'TYPE=9']))
    mm = model(out, 'medkit', [cm.medkit()], 'health pack')
    out.put('objects/medkit.obj', definition(['// Health pack: DEFHEALTH is what it heals', 'MODELS=1',
                                              'MODEL0=%s' % mm, 'DEFHEALTH=%d' % HEALTH_PACK, 'TYPE=7']))
    am = model(out, 'ammo', [cm.ammo_crate()], 'ammunition pack')
    out.put('objects/ammo.obj', definition(['// Ammunition pack', 'MODELS=1', 'MODEL0=%s' % am,
                                            'DEFHEALTH=1000', 'TYPE=8']))

    # -- scenery and the exit gate
    scenery = [('torch', [cm.torch(f) for f in (0, 1, 2)], 14),
               ('crystal', [cm.crystal(a) for a in (0, 18, 36, 54)], 15),
               ('terminal', [cm.terminal(b) for b in (0, 1, 2)], 16),
               ('banner', [cm.banner(w) for w in (0, 90, 180, 270)], 17),
               ('coil', [cm.coil(s) for s in (0, 1, 2, 3)], 18),
               ('exitgate', [cm.exit_gate(a) for a in (0, 22.5, 45, 67.5)], 1)]
    for name, frames, code in scenery:
        m = model(out, name, frames, 'scenery: %s' % name)
        out.put('objects/%s.obj' % name, definition(['// Scenery: %s' % name, 'MODELS=1', 'MODEL0=%s' % m,
                                                     'DEFHEALTH=30000', 'TYPE=%d' % code]))

    # -- the other players of a network game
    model(out, 'player', [cm.humanoid(cm.WARDEN)], 'another player in a network game')

    # -- levels, then the deathmatch arena, which follows itself
    for i, level in enumerate(LEVELS + [ARENA]):
        grid = level['grid']
        assert len(set(len(r) for r in grid)) == 1, level['name']
        start, exitp, path, objs = level_objects(level)
        assert path, level['name']
        assert not long_sightlines(grid), (level['name'], long_sightlines(grid))
        mapname = 'maps/%s.dxf' % level.get('map', level['music'])
        out.put(mapname, content_maps.build_map(level, path).dxf())
        sx, sz = cell_pos(grid, *start)
        ex, ez = cell_pos(grid, *exitp)
        nxt = LEVELS[i + 1]['name'] if i + 1 < len(LEVELS) else 'WIN'
        if level is ARENA:
            nxt = ARENA['name']
        lines = ['// Zarvo level %d: %s' % (i + 1, level['title']), 'NAME=%s' % level['title'],
                 'MAP=%s' % mapname, 'OBJECTS=%d' % len(objs)]
        if level['name'] in PARS:
            lines.append('PAR=%d' % PARS[level['name']])
        lines += ['OBJECT%d=%s;%d;%d;%d' % (k, OBJECT_FILES[g], x, z, h) for k, (g, x, z, h) in enumerate(objs)]
        lines += ['ARSENAL=weapons/arsenal.ars', 'EXITCOORD=%d;%d' % (ex, ez)]
        if level['reset']:
            lines.append('RESETPLAYER=1')
        lines += ['STARTCOORD=%d;%d;%d' % (sx, sz, level['start_heading']), 'NEXTLEVEL=%s' % nxt,
                  'SOUNDS=sounds/level.snd', 'MUSIC=music/%s.mid' % level['music']]
        # the deathmatch's start points, facing the level's middle
        for k, (c, r) in enumerate(find(grid, 'D')):
            x, z = cell_pos(grid, c, r)
            lines.append('DMSTART%d=%d;%d;%d' % (k, x, z, heading_towards((x, z), (sx, sz))))
        out.put(level['name'], definition(lines))
    return out


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: make_content.py OUTPUT_DIR\n')
        return 2
    out = build(sys.argv[1])
    out.write()
    total = sum(len(v) for v in out.files.values())
    print('wrote %d files, %d bytes, into %s' % (len(out.files), total, sys.argv[1]))
    return 0


if __name__ == '__main__':
    sys.exit(main())
