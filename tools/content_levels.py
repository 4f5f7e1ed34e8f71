"""The six levels of the bundled Zarvo campaign, as ASCII grids with their rooms, looks and signs.

Map glyphs: '#' solid rock, '.' floor; pillars standing in the middle of a floor cell (they block it):
'o' square pillar, 'O' column, 'x' crate stack, 'f' furnace. Object glyphs stand on floor at the cell
centre: S start, E exit (with its gate), g gun, s shotgun, m minigun, r rocket launcher, h health pack,
a ammunition pack, 1 skitter, 2 warden, 3 brute, 4 overseer, t torch, c crystal, k terminal,
l lamp post, v reactor core, b banner.

`rooms` is a second grid of the same shape: '#' where the map has rock, and on every floor cell the
letter of the room it belongs to. `zones` gives each letter its look: ceiling height above the eye,
floor pattern, ceiling pattern; where two rooms meet the map draws a door frame. `signs` are
(text, column, row, side of the cell, ...) written on a wall; `marks` are landmarks painted on the
floor or cut into the ceiling. `guides` paints arrows along the way to the exit in the corridors.
"""



def paint(size, rooms, things):
    """The two grids of a level from rectangles: rooms is a list of (letter, first column, first row,
    last column, last row), painted in order (corridors are thin rooms); things is a text of
    'glyph column,row' entries standing on floor cells. Returns (grid, rooms grid)."""
    cols, rows = size
    zone = [['#'] * cols for _ in range(rows)]
    # a rectangle of letter '#' puts rock back (a block inside a room)
    for letter, c0, r0, c1, r1 in rooms:
        assert 0 < c0 <= c1 < cols - 1 and 0 < r0 <= r1 < rows - 1, (letter, c0, r0, c1, r1)
        for r in range(r0, r1 + 1):
            for c in range(c0, c1 + 1):
                zone[r][c] = letter
    grid = [['#' if ch == '#' else '.' for ch in line] for line in zone]
    for item in things.split():
        glyph, where = item[0], item[1:]
        c, r = (int(v) for v in where.split(','))
        assert grid[r][c] == '.', (glyph, c, r, grid[r][c])
        grid[r][c] = glyph
    return [''.join(l) for l in grid], [''.join(l) for l in zone]


def level(name, title, music, size, rooms, things, **rest):
    grid, zone = paint(size, rooms, things)
    return dict(name=name, title=title, music=music, grid=grid, rooms=zone, **rest)


# wall trims: rails (heights of lines along the walls besides floor, eye-level foot and ceiling),
# posts (spacing of the upright lines), cornice (a line this far under the ceiling), hatch (a band of
# diagonal stripes between two heights), features (what each wall piece carries, in turn: panel, vent,
# lamp, brace, rack, arch, window, pipes, gauge, door, or several of them; a room may have its own)
FLOOR_TRIM = -1.5 + 0.02   # just above the floor: the foot of wall stripes
CORRIDOR = dict(ceil=1.9, floor='runner', ceiling='lamps', corridor=True, features=(None, 'vent'))

LEVELS = [
    level('LEVEL1.LVL', 'Outpost', 'level1', (13, 11),
          [('a', 1, 1, 3, 3), ('b', 5, 1, 7, 3), ('d', 9, 1, 11, 3), ('y', 4, 6, 7, 9), ('m', 1, 7, 2, 9),
           ('c', 4, 2, 4, 2), ('c', 6, 4, 6, 5), ('c', 10, 4, 10, 6), ('c', 8, 7, 10, 7), ('c', 3, 8, 3, 8)],
          't1,1 k7,1 c9,1 E10,1 c11,1 S2,2 g5,2 17,3 211,3 o5,7 17,7 h1,8 o6,8 k1,9 14,9 a7,9',
          reset=True, start_heading=270,
          look=dict(rails=(0.3,), posts=2.5, cornice=0.25, features=('panel', 'vent', 'panel', 'lamp')),
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

    level('LEVEL2.LVL', 'Depot', 'level2', (17, 11),
          [('o', 1, 1, 2, 3), ('s', 4, 1, 8, 4), ('g', 10, 1, 11, 2), ('y', 13, 1, 15, 4), ('l', 4, 7, 8, 9),
           ('d', 11, 6, 15, 9),
           ('c', 3, 2, 3, 2), ('c', 9, 1, 9, 1), ('c', 9, 4, 12, 4), ('c', 6, 5, 6, 6), ('c', 9, 8, 10, 8),
           ('c', 14, 5, 14, 5)],
          'k1,1 S1,2 t2,3 '
          'x5,2 x7,2 x5,4 x7,4 14,3 28,3 '
          's11,1 110,2 '
          't13,1 t15,1 314,2 h15,4 '
          'x5,8 x7,8 28,7 14,8 a6,9 '
          'a12,6 k15,6 E15,7 k15,8 213,8 h11,9',
          reset=False, start_heading=270,
          look=dict(rails=(0.35,), posts=5.0, hatch=(FLOOR_TRIM, -1.1), features=('brace', 'vent', 'brace', 'door')),
          zones=dict(
              o=dict(ceil=2.0, floor='plates', ceiling='lamps', features=('panel', 'lamp')),
              s=dict(ceil=3.5, floor='lanes', ceiling='ribs', dir='z'),
              g=dict(ceil=2.2, floor='grate', ceiling='lamps', features=('rack',)),
              y=dict(ceil=3.5, floor='grid', ceiling='none'),
              l=dict(ceil=3.2, floor='lanes', ceiling='ribs', dir='x'),
              d=dict(ceil=3.2, floor='plates', ceiling='grid'),
              c=CORRIDOR,
          ),
          signs=[('OFFICE', 1, 3, 's'), ('STORES', 6, 1, 'n'), ('CAGE', 10, 1, 'n'), ('YARD', 14, 1, 'n'),
                 ('BAY', 6, 9, 's'), ('DISPATCH', 13, 9, 's'), ('BAY', 5, 4, 's'), ('YARD >', 8, 3, 'e')],
          marks=[('hazard', 4, 9), ('hazard', 8, 9), ('ring', 11, 1), ('hazard', 14, 4)],
          guides=True),
    level('LEVEL3.LVL', 'Foundry', 'level3', (18, 13),
          [('i', 1, 9, 3, 11), ('m', 1, 1, 5, 5), ('k', 8, 1, 11, 4), ('p', 7, 8, 10, 11), ('s', 13, 7, 16, 11),
           ('q', 13, 1, 16, 4),
           ('c', 2, 6, 2, 8), ('c', 6, 3, 7, 3), ('c', 4, 10, 6, 10), ('c', 9, 5, 9, 7), ('c', 11, 10, 12, 10),
           ('c', 14, 5, 14, 6)],
          'k1,11 S2,10 t3,9 '
          'f2,2 f4,2 f2,4 f4,4 11,1 23,3 a5,5 h1,5 '
          'm10,2 38,1 211,4 t11,1 '
          'o8,9 o10,9 o8,11 o10,11 37,8 29,10 a7,11 '
          '113,7 316,9 h16,11 a13,11 c14,9 '
          '413,3 E16,1 c15,1 h13,1 k16,4',
          reset=False, start_heading=0,
          look=dict(rails=(0.3,), posts=5.0, cornice=0.5, hatch=(FLOOR_TRIM, -1.15),
                    features=(('pipes', 'gauge'), 'pipes', 'pipes', ('pipes', 'vent'), 'pipes', 'pipes')),
          zones=dict(
              i=dict(ceil=2.2, floor='plates', ceiling='lamps'),
              m=dict(ceil=3.5, floor='grate', ceiling='ribs', dir='x'),
              k=dict(ceil=3.0, floor='grid', ceiling='ribs', dir='z'),
              p=dict(ceil=3.0, floor='diamonds', ceiling='grid'),
              s=dict(ceil=3.2, floor='plates', ceiling='beams'),
              q=dict(ceil=2.6, floor='plates', ceiling='lamps'),
              c=CORRIDOR,
          ),
          signs=[('INTAKE', 2, 11, 's'), ('MELT', 3, 1, 'n'), ('CASTING', 9, 1, 'n'), ('PRESS', 8, 11, 's'),
                 ('SLAG', 15, 11, 's'), ('CONTROL', 14, 1, 'n'), ('MELT', 1, 9, 'n')],
          marks=[('ring', 10, 2), ('hazard', 15, 8), ('lightwell', 3, 3)]),
    level('LEVEL4.LVL', 'Citadel', 'level4', (19, 15),
          [('g', 8, 12, 10, 13), ('h', 7, 6, 11, 10), ('t', 7, 1, 11, 3), ('a', 1, 6, 3, 10), ('p', 15, 6, 17, 10),
           ('c', 9, 11, 9, 11), ('c', 9, 4, 9, 5), ('c', 4, 8, 6, 8), ('c', 12, 8, 14, 8), ('c', 2, 2, 2, 5),
           ('c', 3, 2, 6, 2)],
          'S9,13 b8,12 b10,12 '
          'O8,7 O10,7 O8,9 O10,9 27,6 211,6 19,8 a7,10 h11,10 '
          'r2,8 31,6 33,10 c1,10 a3,6 '
          '415,8 217,6 h17,10 c17,8 '
          '110,3 '
          '38,2 410,2 E9,1 b7,1 b11,1 a11,3',
          reset=False, start_heading=0,
          look=dict(rails=(0.3,), posts=5.0, cornice=0.3, features=('arch',)),
          zones=dict(
              g=dict(ceil=2.6, floor='plates', ceiling='ribs', dir='z'),
              h=dict(ceil=3.8, floor='diamonds', ceiling='ribs', dir='z'),
              t=dict(ceil=3.8, floor='diamonds', ceiling='ribs', dir='x', features=('window', 'arch', 'arch', 'window')),
              a=dict(ceil=3.0, floor='plates', ceiling='lamps', features=('rack', 'lamp')),
              p=dict(ceil=3.4, floor='grid', ceiling='skylight', features=('window',)),
              c=dict(CORRIDOR, ceil=2.4, floor='runner'),
          ),
          signs=[('GATEHOUSE', 9, 13, 's'), ('GREAT HALL', 8, 6, 'n'), ('THRONE', 8, 3, 's'),
                 ('ARMORY', 2, 10, 's'), ('CHAPEL', 16, 10, 's'), ('THRONE >', 2, 5, 'w')],
          marks=[('ring', 9, 8), ('ring', 2, 8), ('lightwell', 16, 8)]),
    level('LEVEL5.LVL', 'Reactor', 'level5', (19, 15),
          [('a', 1, 6, 2, 8), ('r', 6, 4, 12, 10), ('#', 8, 6, 10, 8), ('p', 7, 1, 11, 2), ('t', 14, 5, 17, 9),
           ('w', 7, 12, 11, 13),
           ('c', 3, 7, 5, 7), ('c', 9, 3, 9, 3), ('c', 13, 7, 13, 7), ('c', 9, 11, 9, 11), ('c', 12, 13, 15, 13),
           ('c', 15, 10, 15, 12)],
          'S1,7 k1,6 k1,8 '
          'O7,5 O11,5 O7,9 O11,9 16,4 112,10 29,4 26,9 312,4 36,10 h12,6 a6,8 a9,10 '
          '37,1 211,1 h11,2 a9,1 t7,2 '
          '414,5 217,5 314,9 E17,7 v15,6 v16,6 v15,8 v16,8 a17,9 '
          '47,13 111,12 m9,13 h7,12 a11,13',
          reset=False, start_heading=270,
          look=dict(rails=(0.3,), posts=2.5, cornice=0.3,
                    features=('pipes', ('pipes', 'gauge'), ('pipes', 'panel'), ('pipes', 'vent'), 'pipes',
                              ('pipes', 'door'))),
          zones=dict(
              a=dict(ceil=2.0, floor='plates', ceiling='lamps'),
              r=dict(ceil=3.4, floor='grid', ceiling='grid'),
              p=dict(ceil=2.6, floor='grate', ceiling='lamps'),
              t=dict(ceil=3.4, floor='lanes', ceiling='ribs', dir='x'),
              w=dict(ceil=2.4, floor='grate', ceiling='beams'),
              c=CORRIDOR,
          ),
          signs=[('AIRLOCK', 1, 7, 'w'), ('PUMPS', 9, 1, 'n'), ('TURBINES', 16, 9, 's'), ('COOLING', 9, 13, 's'),
                 ('CORE', 9, 5, 's'), ('CORE', 9, 9, 'n'), ('CORE', 7, 7, 'e'), ('CORE', 11, 7, 'w')],
          marks=[('hazard', 6, 4), ('hazard', 12, 10), ('lightwell', 9, 13)]),
    level('LEVEL6.LVL', 'Sanctum', 'level6', (19, 15),
          [('e', 8, 11, 10, 13), ('w', 1, 8, 5, 12), ('n', 13, 8, 17, 12), ('h', 6, 3, 12, 7), ('s', 7, 1, 11, 1),
           ('c', 6, 12, 7, 12), ('c', 11, 12, 12, 12), ('c', 9, 8, 9, 10), ('c', 3, 6, 3, 7), ('c', 4, 6, 5, 6),
           ('c', 15, 6, 15, 7), ('c', 13, 6, 14, 6), ('c', 9, 2, 9, 2)],
          'S9,13 b8,11 b10,11 h10,13 '
          'O2,9 O4,9 O2,11 O4,11 11,8 25,8 33,10 a1,12 h5,10 '
          'O14,9 O16,9 O14,11 O16,11 117,8 213,8 315,10 a17,12 h13,10 '
          'O7,4 O11,4 O7,6 O11,6 46,3 412,3 39,5 36,7 312,7 26,5 212,5 a9,3 r9,7 '
          'E9,1 b7,1 b11,1 c8,1 c10,1',
          reset=False, start_heading=0,
          look=dict(rails=(0.3,), posts=2.5, cornice=0.3, features=('arch',)),
          zones=dict(
              e=dict(ceil=2.6, floor='plates', ceiling='ribs', dir='z', features=('panel', 'lamp')),
              w=dict(ceil=3.0, floor='diamonds', ceiling='lamps'),
              n=dict(ceil=3.0, floor='diamonds', ceiling='lamps'),
              h=dict(ceil=4.0, floor='grid', ceiling='ribs', dir='x', features=('window',)),
              s=dict(ceil=3.2, floor='plates', ceiling='skylight'),
              c=dict(CORRIDOR, ceil=2.2),
          ),
          signs=[('CLOISTER', 3, 12, 's'), ('CLOISTER', 15, 12, 's'), ('NAVE', 8, 3, 'n'), ('SANCTUM', 10, 1, 'n')],
          marks=[('ring', 9, 12), ('ring', 9, 6), ('lightwell', 9, 4)]),
]
