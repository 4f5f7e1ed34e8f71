"""The six levels of the bundled Zarvo campaign, as ASCII grids with their rooms, looks and signs.

Map glyphs: '#' solid rock, '.' floor; pillars standing in the middle of a floor cell (they block it):
'o' square pillar, 'O' column, 'x' crate stack, 'f' furnace, 'T' turbine. Object glyphs stand on floor
at the cell centre: S start, E exit (with its gate), g gun, s shotgun, m minigun, r rocket launcher,
h health pack, a ammunition pack, 1 skitter, 2 warden, 3 brute, 4 overseer, t torch, c crystal,
k terminal, b banner, v coil.

Both grids are painted from rectangles (see paint). `rooms` is the second grid: '#' where the map has
rock, and on every floor cell the letter of the room it belongs to. `zones` gives each letter its look:
ceil (the ceiling's height above the eye), floor and ceiling patterns (content_maps.FLOORS, CEILINGS,
with dir for the patterns that run one way), features of its walls and the door style where it meets
another room (both default to the level's `look`), corridor (guide arrows go in these). `signs` are
(text, column, row, side of the cell) written on that wall; `marks` are landmarks painted on the floor
or cut into the ceiling (content_maps.MARKS); `guides` paints arrows along the way to the exit.
"""
from content_maps import FLOOR


def paint(size, rooms, things):
    """The two grids of a level from rectangles: rooms is a list of (letter, first column, first row,
    last column, last row), painted in order (corridors are thin rooms); things is a text of
    'glyph column,row' entries standing on floor cells. An entry 'glyph column,row@dx,dz' stands dx, dz
    whole units off the cell's centre (x east, z north) and leaves the grid as it is, so that several
    monsters can share a cell: a group close to a wall. Returns (grid, rooms grid, the off-centre
    entries as (glyph, column, row, dx, dz))."""
    cols, rows = size
    zone = [['#'] * cols for _ in range(rows)]
    # a rectangle of letter '#' puts rock back (a block inside a room)
    for letter, c0, r0, c1, r1 in rooms:
        assert 0 < c0 <= c1 < cols - 1 and 0 < r0 <= r1 < rows - 1, (letter, c0, r0, c1, r1)
        for r in range(r0, r1 + 1):
            for c in range(c0, c1 + 1):
                zone[r][c] = letter
    grid = [['#' if ch == '#' else '.' for ch in line] for line in zone]
    extra = []
    for item in things.split():
        glyph, where = item[0], item[1:]
        where, _, off = where.partition('@')
        c, r = (int(v) for v in where.split(','))
        if off:
            dx, dz = (int(v) for v in off.split(','))
            assert glyph in '1234' and abs(dx) <= 1 and abs(dz) <= 1 and zone[r][c] != '#', item
            extra.append((glyph, c, r, dx, dz))
            continue
        assert grid[r][c] == '.', (glyph, c, r, grid[r][c])
        grid[r][c] = glyph
    return [''.join(l) for l in grid], [''.join(l) for l in zone], extra


def level(name, title, music, size, rooms, things, **rest):
    grid, zone, extra = paint(size, rooms, things)
    return dict(name=name, title=title, music=music, grid=grid, rooms=zone, extra=extra, **rest)


# wall trims: rails (heights of lines along the walls besides floor, eye-level foot and ceiling),
# posts (spacing of the upright lines), cornice (a line this far under the ceiling), hatch (a band of
# diagonal stripes between two heights), features (what each wall piece carries, in turn: panel, vent,
# lamp, brace, rack, arch, window, pipes, gauge, door, or several of them; a room may have its own),
# door (frame, hazard, blast, arch, pointed)
FLOOR_TRIM = FLOOR + 0.02   # just above the floor: the foot of wall stripes
CORRIDOR = dict(ceil=1.9, floor='runner', ceiling='lamps', corridor=True, features=(None, 'vent'))

LEVELS = [
    level('LEVEL1.LVL', 'Outpost', 'level1', (13, 11),
          [('a', 1, 1, 3, 3), ('b', 5, 1, 7, 3), ('d', 9, 3, 11, 5), ('y', 4, 6, 7, 9), ('m', 1, 7, 2, 9),
           ('c', 4, 2, 4, 2), ('c', 6, 4, 6, 5), ('c', 8, 7, 10, 7), ('c', 10, 6, 10, 6), ('c', 3, 8, 3, 8)],
          't1,1 k7,1 S2,2 g3,2 a5,2 o6,2 27,2 c9,3 E10,3 c11,3 19,4 211,4 '
          '24,6 15,6 o5,7 17,7 h1,8 o6,8 k1,9 a7,9',
          reset=True, start_heading=270,
          look=dict(rails=(0.3,), posts=2.5, cornice=0.25, features=('panel', 'vent', 'panel', 'lamp'), door='frame'),
          zones=dict(
              a=dict(ceil=2.4, floor='plates', ceiling='lamps'),
              b=dict(ceil=2.4, floor='grid', ceiling='beams', features=('rack', 'panel')),
              y=dict(ceil=3.0, floor='grid', ceiling='grid', features=('brace', 'vent', 'brace', 'door')),
              m=dict(ceil=2.2, floor='diamonds', ceiling='lamps', features=('panel', 'lamp')),
              d=dict(ceil=3.0, floor='plates', ceiling='ribs', dir='z'),
              c=CORRIDOR,
          ),
          signs=[('QUARTERS', 2, 1, 'n'), ('ARMORY >', 3, 1, 'e'), ('ARMORY', 6, 1, 'n'),
                 ('YARD >', 7, 3, 's'), ('YARD', 5, 9, 's'), ('GATE >', 7, 6, 'e'), ('< MEDBAY', 4, 7, 'w'),
                 ('MEDBAY', 1, 7, 'n')],
          marks=[('ring', 5, 2), ('lightwell', 4, 8)],
          guides=True),

    level('LEVEL2.LVL', 'Depot', 'level2', (17, 12),
          [('o', 1, 1, 2, 3), ('s', 4, 1, 8, 4), ('g', 10, 1, 11, 2), ('y', 13, 1, 15, 5), ('l', 4, 7, 8, 10),
           ('d', 11, 7, 15, 10),
           ('c', 3, 2, 3, 2), ('c', 9, 2, 9, 2), ('c', 9, 4, 11, 4), ('c', 11, 3, 12, 3), ('c', 6, 5, 6, 6),
           ('c', 9, 9, 10, 9), ('c', 13, 6, 13, 6)],
          'k1,1 S2,2 t1,3 '
          'x6,2 x5,4 x7,4 14,3 28,3 '
          's11,1 210,2 '
          't15,1 314,2 213,3 x13,4 215,5 '
          'h4,7 x6,8 x7,9 28,7 14,8 a5,10 '
          'a12,7 k15,7 h13,8 E15,8 k15,9 o13,9 212,10 214,10 315,10',
          reset=False, start_heading=270,
          look=dict(rails=(0.35,), posts=5.0, hatch=(FLOOR_TRIM, -1.1), features=('brace', 'vent', 'brace', 'door'),
                    door='hazard'),
          zones=dict(
              o=dict(ceil=2.0, floor='plates', ceiling='lamps', features=('panel', 'lamp')),
              s=dict(ceil=3.5, floor='lanes', ceiling='ribs', dir='z'),
              g=dict(ceil=2.2, floor='grate', ceiling='lamps', features=('rack',)),
              y=dict(ceil=3.5, floor='grid', ceiling='none'),
              l=dict(ceil=3.2, floor='lanes', ceiling='ribs', dir='x'),
              d=dict(ceil=3.2, floor='plates', ceiling='grid'),
              c=dict(CORRIDOR, ceiling='beams', features=('brace', None)),
          ),
          signs=[('OFFICE', 1, 3, 's'), ('STORES', 6, 1, 'n'), ('CAGE', 10, 1, 'n'), ('YARD', 14, 1, 'n'),
                 ('BAY', 6, 10, 's'), ('DISPATCH', 13, 10, 's'), ('BAY >', 8, 4, 's'), ('YARD >', 8, 3, 'e')],
          marks=[('hazard', 4, 10), ('hazard', 8, 10), ('ring', 11, 1), ('hazard', 15, 3)],
          guides=True),
    level('LEVEL3.LVL', 'Foundry', 'level3', (18, 13),
          [('i', 1, 9, 3, 11), ('m', 1, 1, 5, 5), ('k', 8, 1, 11, 4), ('p', 7, 7, 10, 10), ('s', 13, 7, 16, 11),
           ('q', 13, 1, 16, 4),
           ('c', 2, 7, 2, 8), ('c', 3, 7, 4, 7), ('c', 4, 6, 4, 6), ('c', 6, 2, 7, 2), ('c', 10, 5, 10, 6),
           ('c', 4, 9, 5, 9), ('c', 5, 10, 6, 10), ('c', 11, 10, 12, 10), ('c', 13, 5, 13, 6)],
          'k1,11 S2,10 t3,9 '
          'f2,2 f4,2 f2,4 f4,4 11,1 23,3 a5,5 h1,5 '
          'o9,2 o10,3 m10,2 38,1 211,4 t11,1 '
          'o8,8 o10,8 o9,10 37,7 29,9 a7,10 '
          'f13,8 f14,10 115,7 316,9 h16,11 a13,11 c15,9 '
          'o13,2 414,3 E16,1 c15,1 h14,1 k16,4',
          reset=False, start_heading=0,
          look=dict(rails=(0.3,), posts=5.0, cornice=0.5, hatch=(FLOOR_TRIM, -1.15), door='blast',
                    features=(('pipes', 'gauge'), 'pipes', 'pipes', ('pipes', 'vent'), 'pipes', 'pipes')),
          zones=dict(
              i=dict(ceil=2.2, floor='plates', ceiling='lamps'),
              m=dict(ceil=3.5, floor='grate', ceiling='ribs', dir='x'),
              k=dict(ceil=3.0, floor='grid', ceiling='ribs', dir='z'),
              p=dict(ceil=3.0, floor='diamonds', ceiling='grid'),
              s=dict(ceil=3.2, floor='plates', ceiling='beams'),
              q=dict(ceil=2.6, floor='plates', ceiling='lamps'),
              c=dict(CORRIDOR, ceiling='ribs', dir='x', features=('pipes',)),
          ),
          signs=[('INTAKE', 2, 11, 's'), ('MELT', 3, 1, 'n'), ('CASTING', 9, 1, 'n'), ('PRESS', 8, 10, 's'),
                 ('SLAG', 15, 11, 's'), ('CONTROL', 14, 1, 'n'), ('MELT >', 1, 9, 'n'), ('< PRESS', 3, 10, 'e')],
          marks=[('ring', 10, 2), ('hazard', 15, 8), ('lightwell', 3, 3)]),
    level('LEVEL4.LVL', 'Citadel', 'level4', (15, 15),
          [('g', 6, 12, 8, 13), ('h', 5, 6, 9, 10), ('t', 5, 1, 9, 3), ('a', 1, 6, 3, 10), ('p', 11, 6, 13, 10),
           ('c', 7, 11, 7, 11), ('c', 7, 4, 7, 5), ('c', 4, 7, 4, 7), ('c', 10, 9, 10, 9)],
          'S7,12 b6,12 b8,12 '
          'O6,7 O8,7 O7,8 O6,9 O8,9 25,6 29,6 17,10 a5,10 h9,10 '
          'O2,7 r2,8 31,6 33,10 c1,10 a3,6 '
          '412,8 213,6 c11,10 211,6 '
          'O7,2 E7,1 b5,1 b9,1 35,3 49,3 18,3 a9,2 h5,2 26,1@-1,1 16,1@1,1',
          reset=False, start_heading=0,
          look=dict(rails=(0.3,), posts=5.0, cornice=0.3, features=('arch',), door='arch'),
          zones=dict(
              g=dict(ceil=2.6, floor='plates', ceiling='ribs', dir='z', features=('panel', 'lamp')),
              h=dict(ceil=3.8, floor='diamonds', ceiling='ribs', dir='z'),
              t=dict(ceil=3.8, floor='diamonds', ceiling='ribs', dir='x', features=('window', 'arch', 'arch', 'window')),
              a=dict(ceil=3.0, floor='plates', ceiling='lamps', features=('rack', 'lamp')),
              p=dict(ceil=3.4, floor='grid', ceiling='skylight', features=('window',)),
              c=dict(CORRIDOR, ceil=2.4, ceiling='ribs', features=('arch',)),
          ),
          signs=[('GATEHOUSE', 7, 13, 's'), ('GREAT HALL', 6, 6, 'n'), ('THRONE', 6, 3, 's'),
                 ('ARMORY', 2, 10, 's'), ('CHAPEL', 12, 10, 's')],
          marks=[('ring', 7, 12), ('ring', 2, 8), ('lightwell', 12, 8)]),
    level('LEVEL5.LVL', 'Reactor', 'level5', (18, 13),
          [('a', 2, 5, 3, 7), ('r', 6, 4, 10, 8), ('#', 7, 5, 9, 7), ('p', 6, 1, 10, 2), ('t', 13, 4, 16, 8),
           ('w', 6, 10, 10, 11),
           ('c', 4, 6, 5, 6), ('c', 8, 3, 8, 3), ('c', 11, 6, 12, 6), ('c', 8, 9, 8, 9), ('c', 11, 10, 12, 10),
           ('c', 12, 8, 12, 9)],
          'S3,6 k2,5 k2,7 '
          '16,4 110,8 28,4 310,4 h10,6 a6,6 a8,8 '
          '36,1 210,1 h10,2 a8,1 t6,2 '
          'T14,6 T16,6 413,4 216,8 313,8 E16,4 a15,8 c15,4 v15,5 v15,7 '
          'o9,10 46,11 110,11 m8,11 h6,10 a10,10',
          reset=False, start_heading=270,
          look=dict(rails=(0.3,), posts=2.5, cornice=0.3, door='blast',
                    features=('pipes', ('pipes', 'gauge'), ('pipes', 'panel'), ('pipes', 'vent'), 'pipes',
                              ('pipes', 'door'))),
          zones=dict(
              a=dict(ceil=2.0, floor='plates', ceiling='lamps'),
              r=dict(ceil=3.4, floor='grid', ceiling='grid'),
              p=dict(ceil=2.6, floor='grate', ceiling='lamps'),
              t=dict(ceil=3.4, floor='lanes', ceiling='ribs', dir='x'),
              w=dict(ceil=2.4, floor='grate', ceiling='beams'),
              c=dict(CORRIDOR, floor='grate', features=('pipes', ('pipes', 'vent'))),
          ),
          signs=[('AIRLOCK', 2, 6, 'w'), ('PUMPS', 8, 1, 'n'), ('TURBINES', 15, 8, 's'), ('COOLING', 8, 11, 's'),
                 ('CORE', 8, 4, 's'), ('CORE', 8, 8, 'n'), ('CORE', 6, 6, 'e'), ('CORE', 10, 6, 'w')],
          marks=[('hazard', 6, 4), ('hazard', 10, 8), ('lightwell', 7, 10)]),
    level('LEVEL6.LVL', 'Sanctum', 'level6', (19, 14),
          [('e', 8, 11, 10, 12), ('x', 7, 5, 11, 9), ('s', 8, 2, 10, 3), ('w', 2, 6, 5, 8), ('n', 13, 6, 16, 8),
           ('k', 1, 1, 4, 3), ('v', 14, 10, 17, 12),
           ('c', 9, 10, 9, 10), ('c', 5, 1, 7, 1), ('c', 7, 2, 7, 2), ('c', 6, 7, 6, 7), ('c', 12, 7, 12, 7),
           ('c', 4, 4, 4, 5), ('c', 16, 9, 16, 9)],
          'S9,11 b8,11 b10,11 '
          'O9,7 O7,5 O11,5 O7,9 O11,9 39,5 27,8 211,8 a9,9 r8,6 '
          'E9,2 b10,2 c8,3 c10,3 39,3@1,-1 29,3@-1,-1 '
          'O4,7 35,6 23,8 a2,8 '
          'O14,7 413,6 216,6 '
          'O4,2 41,1 x2,1 33,3 a1,3 '
          'O16,11 314,10 117,12 a17,10 c14,11',
          reset=False, start_heading=0,
          look=dict(rails=(0.3,), posts=2.5, cornice=0.3, features=('arch',), door='pointed'),
          zones=dict(
              e=dict(ceil=2.6, floor='plates', ceiling='ribs', dir='z', features=('panel', 'lamp')),
              x=dict(ceil=4.0, floor='grid', ceiling='ribs', dir='x', features=('window',)),
              s=dict(ceil=3.2, floor='plates', ceiling='skylight', features=('window',)),
              w=dict(ceil=3.0, floor='diamonds', ceiling='lamps'),
              n=dict(ceil=3.0, floor='diamonds', ceiling='lamps', features=('panel', 'lamp')),
              k=dict(ceil=2.4, floor='plates', ceiling='ribs', dir='z', features=('arch', 'arch', 'door')),
              v=dict(ceil=2.6, floor='grate', ceiling='lamps', features=('rack', 'panel')),
              c=dict(CORRIDOR, ceil=2.4, ceiling='ribs', features=('arch',)),
          ),
          signs=[('SANCTUM', 10, 3, 's'), ('CROSSING', 8, 9, 's'), ('CRYPT', 2, 1, 'n'), ('VESTRY', 15, 12, 's'),
                 ('ORATORY', 3, 8, 's'), ('LIBRARY', 15, 8, 's')],
          marks=[('ring', 9, 12), ('lightwell', 9, 6)]),
]

# The deathmatch arena (not part of the campaign): a hall with columns, four side rooms joined by
# corridors, weapons spread out; D marks the deathmatch's start points (DMSTART0...).
ARENA = level('ARENA.LVL', 'Arena', 'level3', (15, 13),
              [('h', 5, 4, 9, 8), ('n', 5, 1, 9, 2), ('s', 5, 10, 9, 11), ('w', 1, 4, 2, 8), ('e', 12, 4, 13, 8),
               ('c', 6, 3, 6, 3), ('c', 8, 9, 8, 9), ('c', 3, 5, 4, 5), ('c', 10, 7, 11, 7)],
              'S7,6 O6,5 O8,5 O6,7 O8,7 r7,4 h7,8 '
              'D6,1 D8,2 m9,1 a5,2 '
              'D6,11 D8,10 s5,11 h9,11 '
              'D1,4 g2,8 a1,8 '
              'D13,8 E13,4 a12,4',
              reset=True, start_heading=0,
              look=dict(rails=(0.3,), posts=2.5, cornice=0.3, features=('panel', 'lamp'), door='blast'),
              zones=dict(
                  h=dict(ceil=3.6, floor='grid', ceiling='ribs', dir='x', features=('window',)),
                  n=dict(ceil=2.6, floor='plates', ceiling='lamps'),
                  s=dict(ceil=2.6, floor='plates', ceiling='lamps'),
                  w=dict(ceil=2.4, floor='diamonds', ceiling='lamps'),
                  e=dict(ceil=2.4, floor='diamonds', ceiling='lamps'),
                  c=CORRIDOR,
              ),
              signs=[('ARENA', 7, 4, 'n')],
              marks=[('ring', 7, 6)], map='arena')
