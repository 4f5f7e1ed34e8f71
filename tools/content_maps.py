"""Level drawings for Zarvo: walls, floors, ceilings, door frames, pillars, signs and floor marks built
from a level's ASCII grids.

Coordinates are height-up (see content_geometry): the eye is at h = 0, the floor lies EYE below it and
each room's ceiling at its own height above it. The engine takes every segment with both ends at h = 0
as a wall (collision and hidden-line removal), so the only lines drawn at h = 0 are the floor plan: the
foot of every wall and pillar, seen as a rail at eye height. Everything else stays off h = 0.

A segment is drawn only when its first end lies within 20 units of the eye and both ends are in front
of it, so every line is cut into pieces of at most PIECE. Hidden lines are removed per screen column
against the floor plan with the depth interpolated straight across each wall piece, so a line drawn on a
wall (rails, signs) is cut where the wall's pieces are cut: it then never pokes behind its own wall.
"""
import math

from content_geometry import Drawing, text_strokes, text_width

CELL = 5.0       # world units per map cell
EYE = 1.5        # the eye above the floor
FLOOR = -EYE     # floor height
PIECE = 2.5      # longest line drawn; walls are cut on multiples of it
PILLAR_HALF = 0.8
SIDES = {'n': (0, -1), 's': (0, 1), 'w': (-1, 0), 'e': (1, 0)}   # grid step (column, row) of each side


def cell_pos(grid, col, row):
    """World x, z of a cell centre: columns run east (+x), rows run south (-z)."""
    return col * CELL, (len(grid) - 1 - row) * CELL


class Lines:
    """A set of segments without duplicates (either direction), kept in the order first drawn."""

    def __init__(self):
        self.keys = set()
        self.out = []

    def add(self, a, b, plan=False):
        """A segment; only the floor plan (plan) may touch the eye plane h = 0, where every segment
        with both ends is a wall."""
        a = tuple(round(v, 4) + 0.0 for v in a)
        b = tuple(round(v, 4) + 0.0 for v in b)
        assert plan == (a[1] == 0.0 and b[1] == 0.0) and (plan or (a[1] != 0.0 and b[1] != 0.0)), (a, b, plan)
        if a == b:
            return
        key = (a, b) if a <= b else (b, a)
        if key in self.keys:
            return
        self.keys.add(key)
        self.out.append((a, b))

    def cut(self, a, b, step=PIECE):
        """A straight line in pieces no longer than step."""
        n = max(1, int(math.ceil(math.dist(a, b) / step - 1e-9)))
        for i in range(n):
            self.add(lerp(a, b, i / n), lerp(a, b, (i + 1) / n))

    def on_wall(self, a, b, axis, plan=False):
        """A line lying on a wall (or just in front of it) whose pieces run along `axis` (0 x, 2 z):
        cut at every multiple of PIECE along that axis, where the wall itself is cut."""
        lo, hi = sorted((a[axis], b[axis]))
        cuts = [0.0, 1.0]
        if hi - lo > 1e-9:
            k = math.floor(lo / PIECE) + 1
            while k * PIECE < hi - 1e-9:
                cuts.append((k * PIECE - a[axis]) / (b[axis] - a[axis]))
                k += 1
        cuts.sort()
        for t0, t1 in zip(cuts, cuts[1:]):
            self.add(lerp(a, b, t0), lerp(a, b, t1), plan)

    def drawing(self):
        d = Drawing()
        d.lines = list(self.out)
        return d


def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class MapBuilder:
    """Draws one level from its description (see content_levels)."""

    def __init__(self, level):
        self.lv = level
        self.grid = level['grid']
        self.rooms = level['rooms']
        self.zones = level['zones']
        self.look = level['look']
        self.rows, self.cols = len(self.grid), len(self.grid[0])
        self.L = Lines()
        self.inward, self.features = (0, 0), None    # the wall being drawn: into its room, its features
        self.signed = set()     # middles (x, z) of the wall pieces that carry a sign instead of a feature

    # -- the grid
    def floor(self, c, r):
        return 0 <= r < self.rows and 0 <= c < self.cols and self.grid[r][c] != '#'

    def pillar(self, c, r):
        return self.floor(c, r) and self.grid[r][c] in PILLARS

    def zone(self, c, r):
        return self.zones[self.rooms[r][c]]

    def ceil(self, c, r):
        return self.zone(c, r)['ceil']

    def centre(self, c, r):
        return cell_pos(self.grid, c, r)

    def edge(self, c, r, side):
        """The cell's edge on a side as two (x, z) corners, listed left to right as seen from inside
        the cell looking at that side."""
        x, z = self.centre(c, r)
        h = CELL / 2
        return {'n': ((x - h, z + h), (x + h, z + h)), 's': ((x + h, z - h), (x - h, z - h)),
                'w': ((x - h, z - h), (x - h, z + h)), 'e': ((x + h, z + h), (x + h, z - h))}[side]

    # -- walls
    def wall(self, p, q, ceil):
        """A wall from corner p to corner q (x, z), floor to ceiling, with the level's trim."""
        L, look = self.L, self.look
        axis = 0 if abs(q[0] - p[0]) > 1e-9 else 2
        at = lambda pt, h: (pt[0], h, pt[1])
        heights = [FLOOR, 0.0, ceil] + [h for h in look.get('rails', ()) if FLOOR < h < ceil]
        if look.get('cornice'):
            heights.append(ceil - look['cornice'])
        for h in heights:
            L.on_wall(at(p, h), at(q, h), axis, plan=h == 0.0)
        # posts at the cell corners, and where the wall is cut in the middle unless posts are a
        # cell apart
        n = int(round(math.dist(p, q) / PIECE))
        for i in range(n + 1):
            pt = (p[0] + (q[0] - p[0]) * i / n, p[1] + (q[1] - p[1]) * i / n)
            if i in (0, n) or look.get('posts', PIECE) < CELL:
                L.add(at(pt, FLOOR), at(pt, ceil))
        hatch = look.get('hatch')
        if hatch:
            # diagonal stripes between two heights, one every half piece
            h0, h1 = hatch
            for i in range(2 * n):
                a = lerp(at(p, h0), at(q, h0), i / (2 * n))
                b = lerp(at(p, h1), at(q, h1), (i + 1) / (2 * n))
                L.on_wall(a, b, axis)
        # features along the wall, one a piece, cycling through the room's (or the level's) list
        feats = self.features or look.get('features', ())
        for i in range(n):
            a, b = lerp(at(p, 0), at(q, 0), i / n), lerp(at(p, 0), at(q, 0), (i + 1) / n)
            mid = (a[axis] + b[axis]) / 2
            k = int(math.floor(mid / PIECE)) + int(math.floor((a[2 - axis]) / CELL))
            key = (round((a[0] + b[0]) / 2, 3), round((a[2] + b[2]) / 2, 3))
            if feats and key not in self.signed:
                names = feats[k % len(feats)]
                for name in (names,) if isinstance(names, str) else names or ():
                    WALL_FEATURES[name](self, a, b, axis, ceil, k)

    def on_piece(self, a, b, axis, u, h, off=0.0):
        """A point on a wall piece from a to b (at h = 0): u along it (0..1), height h, off into the
        room."""
        nx, nz = self.inward
        return (a[0] + (b[0] - a[0]) * u + nx * off, h, a[2] + (b[2] - a[2]) * u + nz * off)

    def piece_poly(self, a, b, axis, pts, off=0.0, closed=False):
        q = [self.on_piece(a, b, axis, u, h, off) for u, h in pts]
        for i in range(len(q) if closed else len(q) - 1):
            self.L.on_wall(q[i], q[(i + 1) % len(q)], axis)

    def walls(self):
        for r in range(self.rows):
            for c in range(self.cols):
                if not self.floor(c, r):
                    continue
                for side, (dc, dr) in SIDES.items():
                    if not self.floor(c + dc, r + dr):
                        p, q = self.edge(c, r, side)
                        self.inward = (-dc, dr)          # rows run south (-z)
                        self.features = self.zone(c, r).get('features')
                        self.wall(p, q, self.ceil(c, r))

    # -- pillars
    def pillars(self):
        for r in range(self.rows):
            for c in range(self.cols):
                if self.pillar(c, r):
                    PILLARS[self.grid[r][c]](self, self.centre(c, r), self.ceil(c, r))

    def prism(self, centre, corners, h0, h1, rails=True):
        """Upright prism on a footprint (offsets from centre); its foot at h = 0 when it spans it."""
        L = self.L
        pts = [(centre[0] + dx, centre[1] + dz) for dx, dz in corners]
        heights = [h0, h1]
        if rails:
            heights += [h for h in self.look.get('rails', ()) if h0 < h < h1]
        if h0 < 0.0 < h1:
            heights.append(0.0)
        for i in range(len(pts)):
            a, b = pts[i], pts[(i + 1) % len(pts)]
            for h in heights:
                L.add((a[0], h, a[1]), (b[0], h, b[1]), plan=h == 0.0)
            L.add((a[0], h0, a[1]), (a[0], h1, a[1]))

    # -- floors and ceilings
    def open_edges(self, c, r):
        """Sides of a cell that open onto another floor cell."""
        return [s for s, (dc, dr) in SIDES.items() if self.floor(c + dc, r + dr)]

    def floors(self):
        for r in range(self.rows):
            for c in range(self.cols):
                if self.floor(c, r):
                    FLOORS[self.zone(c, r)['floor']](self, c, r)

    def ceilings(self):
        for r in range(self.rows):
            for c in range(self.cols):
                if self.floor(c, r):
                    CEILINGS[self.zone(c, r).get('ceiling', 'beams')](self, c, r)

    def cell_edges(self, c, r, h):
        """The edges a cell shares with other floor cells, at height h (ceilings: only where the
        neighbour's ceiling has the same height; door frames draw the rest)."""
        for side in self.open_edges(c, r):
            dc, dr = SIDES[side]
            if h != FLOOR and self.ceil(c + dc, r + dr) != h:
                continue
            p, q = self.edge(c, r, side)
            self.L.cut((p[0], h, p[1]), (q[0], h, q[1]))

    def cell_lines(self, c, r, h, offsets, direction):
        """Lines across the whole cell at the given offsets from its centre, running along x
        (direction 'x') or z."""
        x, z = self.centre(c, r)
        half = CELL / 2
        for o in offsets:
            if direction == 'x':
                self.L.cut((x - half, h, z + o), (x + half, h, z + o))
            else:
                self.L.cut((x + o, h, z - half), (x + o, h, z + half))

    # -- door frames where two rooms meet
    def doors(self):
        for r in range(self.rows):
            for c in range(self.cols):
                if not self.floor(c, r):
                    continue
                for side in ('e', 's'):
                    dc, dr = SIDES[side]
                    if self.floor(c + dc, r + dr) and self.rooms[r][c] != self.rooms[r + dr][c + dc]:
                        self.door(c, r, side, c + dc, r + dr)

    def door(self, c, r, side, c2, r2):
        L = self.L
        p, q = self.edge(c, r, side)
        lo, hi = sorted((self.ceil(c, r), self.ceil(c2, r2)))
        at = lambda pt, h: (pt[0], h, pt[1])
        # the opening ends at a wall or where the room boundary turns
        L.add(at(p, FLOOR), at(p, hi))
        L.add(at(q, FLOOR), at(q, hi))
        L.cut(at(p, lo), at(q, lo))
        L.cut(at(p, hi), at(q, hi))
        # an inner frame a little inside the opening, in the level's (or the room's) door style
        style = self.zone(c, r).get('door') or self.zone(c2, r2).get('door') or self.look.get('door', 'frame')
        DOORS[style](self, at(p, 0), at(q, 0), lo)

    # -- signs, floor and ceiling marks, guide arrows
    def sign(self, text, c, r, side, h=0.55, size=0.28, frame=True):
        """Text on the wall of a cell's side, centred, read from inside the cell."""
        dc, dr = SIDES[side]
        assert self.floor(c, r) and not self.floor(c + dc, r + dr), (self.lv['name'], text, c, r, side)
        p, q = self.edge(c, r, side)
        axis = 0 if abs(q[0] - p[0]) > 1e-9 else 2
        ux, uz = (q[0] - p[0]) / CELL, (q[1] - p[1]) / CELL        # along the wall, left to right
        nx, nz = -dc, dr                                             # into the room
        off = 0.04
        mid = ((p[0] + q[0]) / 2 + nx * off, (p[1] + q[1]) / 2 + nz * off)
        w = text_width(text, size)
        left = -w / 2
        pt = lambda u, v: (mid[0] + ux * (left + u), h + v, mid[1] + uz * (left + u))
        for (u0, v0), (u1, v1) in text_strokes(text, size):
            self.L.on_wall(pt(u0, v0), pt(u1, v1), axis)
        if frame:
            m = size * 0.8
            corners = [pt(-m, -m), pt(w + m, -m), pt(w + m, 2 * size + m), pt(-m, 2 * size + m)]
            for i in range(4):
                self.L.on_wall(corners[i], corners[(i + 1) % 4], axis)

    def arrow(self, c, r, towards):
        """A guide arrow painted on the floor of a cell, pointing to a neighbouring cell."""
        x, z = self.centre(c, r)
        tx, tz = self.centre(*towards)
        ux, uz = (tx - x) / CELL, (tz - z) / CELL
        vx, vz = -uz, ux
        pt = lambda a, s: (x + ux * a + vx * s, FLOOR, z + uz * a + vz * s)
        self.L.add(pt(-1.1, 0), pt(0.9, 0))
        self.L.add(pt(0.9, 0), pt(0.1, 0.7))
        self.L.add(pt(0.9, 0), pt(0.1, -0.7))

    def mark(self, kind, c, r):
        MARKS[kind](self, c, r)

    def build(self, route=None):
        lv = self.lv
        assert len(self.rooms) == self.rows and all(len(row) == self.cols for row in self.rooms), lv['name']
        for r in range(self.rows):
            for c in range(self.cols):
                assert (self.grid[r][c] == '#') == (self.rooms[r][c] == '#'), (lv['name'], c, r)
                if self.grid[r][c] != '#':
                    assert self.rooms[r][c] in self.zones, (lv['name'], self.rooms[r][c])
        for text, c, r, side in (sg[:4] for sg in lv.get('signs', ())):
            (px, pz), (qx, qz) = self.edge(c, r, side)
            for t in (0.25, 0.75):
                self.signed.add((round(px + (qx - px) * t, 3), round(pz + (qz - pz) * t, 3)))
        self.walls()
        self.pillars()
        self.floors()
        self.ceilings()
        self.doors()
        for s in lv.get('signs', ()):
            self.sign(*s)
        for kind, c, r in lv.get('marks', ()):
            self.mark(kind, c, r)
        if route and lv.get('guides'):
            for here, there in zip(route, route[1:]):
                if self.zone(*here).get('corridor'):
                    self.arrow(*here, there)
        return self.L.drawing()


# ---- door frames (in the opening from a to b, both at h = 0, under the lower ceiling lo) ------------
INSET = 0.35


def door_posts(b, a, q, top, inset=INSET):
    """Two posts inside the opening up to top; returns their feet (at h = 0)."""
    pa = lerp(a, q, inset / CELL)
    pb = lerp(a, q, 1 - inset / CELL)
    b.L.add((pa[0], FLOOR, pa[2]), (pa[0], top, pa[2]))
    b.L.add((pb[0], FLOOR, pb[2]), (pb[0], top, pb[2]))
    return pa, pb


def hline(b, p, q, h):
    b.L.cut((p[0], h, p[2]), (q[0], h, q[2]))


def door_frame(b, a, q, lo):
    """Posts and a lintel band."""
    top = lo - 0.45
    pa, pb = door_posts(b, a, q, top)
    hline(b, pa, pb, top)
    hline(b, a, pa, top)
    hline(b, pb, q, top)


def door_hazard(b, a, q, lo):
    """A frame with stripes across the lintel band and on the posts' feet."""
    top = lo - 0.4
    door_frame(b, a, q, lo + 0.05)
    n = 8
    for i in range(n):
        p0 = lerp(a, q, i / n)
        p1 = lerp(a, q, (i + 1) / n)
        b.L.add((p0[0], top, p0[2]), (p1[0], lo, p1[2]))
    pa, pb = lerp(a, q, INSET / CELL), lerp(a, q, 1 - INSET / CELL)
    for p in (pa, pb):
        for h in (FLOOR + 0.4, FLOOR + 0.8):
            b.L.add((p[0], h, p[2]), (p[0] + (q[0] - a[0]) * 0.04, h + 0.3, p[2] + (q[2] - a[2]) * 0.04))


def door_arch(b, a, q, lo, pointed=False):
    """Posts carrying a round (or pointed) arch that rises to the lower ceiling."""
    spring = lo - 1.3
    pa, pb = door_posts(b, a, q, spring)
    n = 8
    pts = []
    for i in range(n + 1):
        t = i / n
        if pointed:
            # two arcs, each drawn about the foot of the other side, meeting at the apex
            u = min(t, 1 - t)
            rise = math.sqrt(1 - (1 - u) ** 2) / math.sqrt(0.75)
        else:
            rise = math.sin(math.pi * t)
        p = lerp(pa, pb, t)
        pts.append((p[0], spring + rise * (lo - 0.15 - spring), p[2]))
    for u, v in zip(pts, pts[1:]):
        b.L.add(u, v)
    hline(b, a, pa, spring)
    hline(b, pb, q, spring)


def door_pointed(b, a, q, lo):
    door_arch(b, a, q, lo, pointed=True)


def door_blast(b, a, q, lo):
    """A heavy frame: doubled posts, a deep lintel with chevrons, the door's guides at the floor."""
    top = lo - 0.6
    pa, pb = door_posts(b, a, q, top)
    door_posts(b, a, q, top, INSET + 0.2)
    hline(b, pa, pb, top)
    hline(b, pa, pb, top + 0.15)
    hline(b, a, pa, top)
    hline(b, pb, q, top)
    mid = lerp(a, q, 0.5)
    for side in (pa, pb):
        for k in (0.0, 0.4):
            s0 = lerp(side, mid, 0.25 + k)
            s1 = lerp(side, mid, 0.45 + k)
            b.L.add((s0[0], top + 0.15, s0[2]), (s1[0], lo, s1[2]))
    hline(b, pa, pb, FLOOR + 0.05)


DOORS = {'frame': door_frame, 'hazard': door_hazard, 'arch': door_arch, 'pointed': door_pointed,
         'blast': door_blast}


# ---- wall features (one per wall piece; u runs along the piece from 0 to 1) -----------------------
def feature_panel(b, p, q, axis, ceil, k):
    """An inset panel between the rail and the cornice."""
    top = min(1.5, ceil - 0.55)
    b.piece_poly(p, q, axis, [(0.1, -1.1), (0.9, -1.1), (0.9, top), (0.1, top)], closed=True)


def feature_vent(b, p, q, axis, ceil, k):
    """A low vent with slats."""
    b.piece_poly(p, q, axis, [(0.3, -1.3), (0.7, -1.3), (0.7, -0.7), (0.3, -0.7)], closed=True)
    for h in (-1.15, -1.0, -0.85):
        b.piece_poly(p, q, axis, [(0.3, h), (0.7, h)])


def feature_lamp(b, p, q, axis, ceil, k):
    """A wall lamp standing out from the wall above the rail."""
    h = min(1.2, ceil - 0.6)
    b.piece_poly(p, q, axis, [(0.42, h), (0.58, h), (0.62, h + 0.3), (0.38, h + 0.3)], off=0.2, closed=True)
    for u, hh in ((0.42, h), (0.58, h), (0.62, h + 0.3), (0.38, h + 0.3)):
        b.L.add(b.on_piece(p, q, axis, u, hh, 0.2), b.on_piece(p, q, axis, 0.5 + (u - 0.5) * 0.5, hh, 0.0))


def feature_brace(b, p, q, axis, ceil, k):
    """Cross bracing between the rail and the cornice."""
    top = ceil - 0.25
    b.piece_poly(p, q, axis, [(0.0, 0.3), (1.0, top)])
    b.piece_poly(p, q, axis, [(1.0, 0.3), (0.0, top)])


def feature_rack(b, p, q, axis, ceil, k):
    """A weapon rack: a frame with upright slots."""
    b.piece_poly(p, q, axis, [(0.15, -1.0), (0.85, -1.0)], off=0.15)
    b.piece_poly(p, q, axis, [(0.15, 0.9), (0.85, 0.9)], off=0.15)
    for u in (0.25, 0.42, 0.58, 0.75):
        b.piece_poly(p, q, axis, [(u, -1.0), (u, 0.9)], off=0.15)


def feature_arch(b, p, q, axis, ceil, k):
    """Half of a round arch over each bay of two pieces: the left or the right half by the piece."""
    top = min(2.6, ceil - 0.4)
    spring = top - 1.0
    pts = [(0.05, -1.5), (0.05, spring)]
    for i in range(1, 5):
        a = math.radians(90 * i / 4)
        pts.append((0.05 + 0.95 * (1 - math.cos(a)), spring + math.sin(a) * 1.0))
    if k % 2:
        pts = [(1 - u, h) for u, h in pts]
    b.piece_poly(p, q, axis, pts, off=0.0)


def feature_window(b, p, q, axis, ceil, k):
    """A tall pointed window with a mullion."""
    top = min(1.8, ceil - 0.5)
    b.piece_poly(p, q, axis, [(0.35, -0.4), (0.35, top - 0.4), (0.5, top), (0.65, top - 0.4), (0.65, -0.4)],
                 closed=True)
    b.piece_poly(p, q, axis, [(0.5, -0.4), (0.5, top)])
    b.piece_poly(p, q, axis, [(0.35, 0.6), (0.65, 0.6)])


def feature_pipes(b, p, q, axis, ceil, k):
    """A pipe along the wall under the ceiling, held by a bracket on every other piece."""
    h = ceil - 0.7
    b.piece_poly(p, q, axis, [(0.0, h), (1.0, h)], off=0.2)
    b.piece_poly(p, q, axis, [(0.0, h + 0.12), (1.0, h + 0.12)], off=0.2)
    if k % 2:
        b.L.add(b.on_piece(p, q, axis, 0.5, h - 0.1, 0.0), b.on_piece(p, q, axis, 0.5, h - 0.1, 0.3))
        b.L.add(b.on_piece(p, q, axis, 0.5, h - 0.1, 0.3), b.on_piece(p, q, axis, 0.5, h + 0.3, 0.3))


def feature_gauge(b, p, q, axis, ceil, k):
    """A round gauge with a needle on a small board."""
    c = (0.5, 0.8)
    pts = [(c[0] + 0.09 * math.cos(2 * math.pi * i / 8), c[1] + 0.22 * math.sin(2 * math.pi * i / 8)) for i in range(8)]
    b.piece_poly(p, q, axis, pts, off=0.03, closed=True)
    b.piece_poly(p, q, axis, [c, (c[0] + 0.06, c[1] + 0.15)], off=0.03)
    b.piece_poly(p, q, axis, [(0.35, 0.45), (0.65, 0.45), (0.65, 1.15), (0.35, 1.15)], closed=True)


def feature_door(b, p, q, axis, ceil, k):
    """A shut door set into the wall: a frame and a wheel."""
    top = min(1.0, ceil - 0.5)
    b.piece_poly(p, q, axis, [(0.2, -1.5), (0.2, top), (0.8, top), (0.8, -1.5)])
    b.piece_poly(p, q, axis, [(0.25, -1.5), (0.25, top - 0.08), (0.75, top - 0.08), (0.75, -1.5)])
    c = (0.5, -0.3)
    pts = [(c[0] + 0.07 * math.cos(2 * math.pi * i / 6), c[1] + 0.18 * math.sin(2 * math.pi * i / 6)) for i in range(6)]
    b.piece_poly(p, q, axis, pts, closed=True)


WALL_FEATURES = {'panel': feature_panel, 'vent': feature_vent, 'lamp': feature_lamp, 'brace': feature_brace,
                 'rack': feature_rack, 'arch': feature_arch, 'window': feature_window, 'pipes': feature_pipes,
                 'gauge': feature_gauge, 'door': feature_door}


# ---- floor patterns (at h = FLOOR) ---------------------------------------------------------------
def floor_grid(b, c, r):
    """Cell edges and the two middle lines: a line at least every 2.5 units."""
    b.cell_edges(c, r, FLOOR)
    b.cell_lines(c, r, FLOOR, (0.0,), 'x')
    b.cell_lines(c, r, FLOOR, (0.0,), 'z')


def floor_plates(b, c, r):
    """Cell edges and an inset plate in each cell."""
    b.cell_edges(c, r, FLOOR)
    x, z = b.centre(c, r)
    k = CELL / 2 - 0.6
    sq = [(x - k, z - k), (x + k, z - k), (x + k, z + k), (x - k, z + k)]
    for i in range(4):
        p, q = sq[i], sq[(i + 1) % 4]
        b.L.cut((p[0], FLOOR, p[1]), (q[0], FLOOR, q[1]))


def floor_lanes(b, c, r):
    """Lines along the zone's direction every 1.25 units, cell edges across them."""
    d = b.zone(c, r).get('dir', 'x')
    b.cell_lines(c, r, FLOOR, (-1.25, 0.0, 1.25), d)
    b.cell_edges(c, r, FLOOR)


def floor_diamonds(b, c, r):
    """Cell edges and a diamond joining the middles of the edges."""
    b.cell_edges(c, r, FLOOR)
    x, z = b.centre(c, r)
    k = CELL / 2
    pts = [(x, z - k), (x + k, z), (x, z + k), (x - k, z)]
    for i in range(4):
        p, q = pts[i], pts[(i + 1) % 4]
        b.L.cut((p[0], FLOOR, p[1]), (q[0], FLOOR, q[1]))


def floor_runner(b, c, r):
    """A corridor runner: two lines along the way, a little in from the walls, and cross lines."""
    sides = b.open_edges(c, r)
    x, z = b.centre(c, r)
    k = CELL / 2 - 0.9
    ns = any(s in sides for s in 'ns')
    we = any(s in sides for s in 'we')
    if ns or not we:
        b.cell_lines(c, r, FLOOR, (-k, k), 'z')
    if we or not ns:
        b.cell_lines(c, r, FLOOR, (-k, k), 'x')
    b.cell_edges(c, r, FLOOR)


def floor_grate(b, c, r):
    """A fine grating: lines every 1.25 units both ways."""
    b.cell_lines(c, r, FLOOR, (-1.25, 0.0, 1.25), 'x')
    b.cell_lines(c, r, FLOOR, (-1.25, 0.0, 1.25), 'z')
    b.cell_edges(c, r, FLOOR)


FLOORS = {'grid': floor_grid, 'plates': floor_plates, 'lanes': floor_lanes, 'diamonds': floor_diamonds,
          'runner': floor_runner, 'grate': floor_grate}


# ---- ceilings (at each room's height) ---------------------------------------------------------------
def ceiling_beams(b, c, r):
    h = b.ceil(c, r)
    b.cell_edges(c, r, h)


def ceiling_lamps(b, c, r):
    """Beams and a lamp box hanging in the middle of the cell."""
    h = b.ceil(c, r)
    b.cell_edges(c, r, h)
    x, z = b.centre(c, r)
    for k, hh in ((0.45, h), (0.3, h - 0.25)):
        sq = [(x - k, z - k), (x + k, z - k), (x + k, z + k), (x - k, z + k)]
        for i in range(4):
            p, q = sq[i], sq[(i + 1) % 4]
            b.L.add((p[0], hh, p[1]), (q[0], hh, q[1]))
    for sx, sz in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
        b.L.add((x + sx * 0.45, h, z + sz * 0.45), (x + sx * 0.3, h - 0.25, z + sz * 0.3))


def ceiling_ribs(b, c, r):
    """Ribs across the zone's direction every 2.5 units."""
    h = b.ceil(c, r)
    d = b.zone(c, r).get('dir', 'x')
    b.cell_lines(c, r, h, (-CELL / 4, CELL / 4), 'z' if d == 'x' else 'x')
    b.cell_edges(c, r, h)


def ceiling_grid(b, c, r):
    h = b.ceil(c, r)
    b.cell_edges(c, r, h)
    b.cell_lines(c, r, h, (0.0,), 'x')
    b.cell_lines(c, r, h, (0.0,), 'z')


def ceiling_skylight(b, c, r):
    """An open square in the ceiling with a frame reaching up."""
    h = b.ceil(c, r)
    b.cell_edges(c, r, h)
    x, z = b.centre(c, r)
    k = 1.4
    sq = [(x - k, z - k), (x + k, z - k), (x + k, z + k), (x - k, z + k)]
    for i in range(4):
        p, q = sq[i], sq[(i + 1) % 4]
        b.L.cut((p[0], h, p[1]), (q[0], h, q[1]))
        b.L.cut((p[0], h + 0.8, p[1]), (q[0], h + 0.8, q[1]))
        b.L.add((p[0], h, p[1]), (p[0], h + 0.8, p[1]))
    b.L.cut((x - k, h + 0.8, z), (x + k, h + 0.8, z))
    b.L.cut((x, h + 0.8, z - k), (x, h + 0.8, z + k))


CEILINGS = {'beams': ceiling_beams, 'lamps': ceiling_lamps, 'ribs': ceiling_ribs, 'grid': ceiling_grid,
            'skylight': ceiling_skylight, 'none': lambda b, c, r: None}


# ---- pillars (glyphs standing in the middle of a floor cell, footprint within PILLAR_HALF) ----------
def pillar_square(b, centre, ceil):
    k = PILLAR_HALF
    b.prism(centre, [(-k, -k), (k, -k), (k, k), (-k, k)], FLOOR, ceil)


def pillar_column(b, centre, ceil):
    """A round column on a square base, with a square capital."""
    k = PILLAR_HALF
    sq = [(-k, -k), (k, -k), (k, k), (-k, k)]
    b.prism(centre, sq, FLOOR, FLOOR + 0.5, rails=False)
    b.prism(centre, sq, ceil - 0.45, ceil, rails=False)
    octo = [(math.cos(math.radians(22.5 + 45 * i)) * k * 1.0, math.sin(math.radians(22.5 + 45 * i)) * k * 1.0)
            for i in range(8)]
    b.prism(centre, [(x * 0.95, z * 0.95) for x, z in octo], FLOOR + 0.5, ceil - 0.45)


def pillar_crates(b, centre, ceil):
    """A stack of two crates, the upper one turned; braces on the lower one."""
    k = PILLAR_HALF
    b.prism(centre, [(-k, -k), (k, -k), (k, k), (-k, k)], FLOOR, 0.4, rails=False)
    for (ax, az), (bx, bz) in (((-k, -k), (k, -k)), ((k, -k), (k, k)), ((k, k), (-k, k)), ((-k, k), (-k, -k))):
        b.L.add((centre[0] + ax, FLOOR, centre[1] + az), (centre[0] + bx, 0.4, centre[1] + bz))
    a = math.radians(20)
    up = [(0.6 * (math.cos(a) * sx - math.sin(a) * sz), 0.6 * (math.sin(a) * sx + math.cos(a) * sz))
          for sx, sz in ((-1, -1), (1, -1), (1, 1), (-1, 1))]
    b.prism(centre, up, 0.4, 1.5, rails=False)


def pillar_furnace(b, centre, ceil):
    """An eight-sided furnace stack with a glowing mouth and a flue to the ceiling."""
    k = PILLAR_HALF
    octo = [(math.cos(math.radians(22.5 + 45 * i)) * k, math.sin(math.radians(22.5 + 45 * i)) * k) for i in range(8)]
    b.prism(centre, octo, FLOOR, 0.9)
    b.prism(centre, [(x * 0.55, z * 0.55) for x, z in octo], 0.9, ceil, rails=False)
    x, z = centre
    for i in range(8):
        a = math.radians(45 * i)
        p = (x + math.cos(a) * 0.2, FLOOR + 0.35, z + math.sin(a) * 0.2)
        q = (x + math.cos(a) * 0.62, FLOOR + 1.0, z + math.sin(a) * 0.62)
        b.L.add(p, q)


def pillar_turbine(b, centre, ceil):
    """A turbine housing: a wide drum on a plinth, banded, with a shaft up to the ceiling."""
    k = PILLAR_HALF
    n = 10
    ring = [(math.cos(2 * math.pi * i / n) * k, math.sin(2 * math.pi * i / n) * k) for i in range(n)]
    b.prism(centre, [(-k, -k), (k, -k), (k, k), (-k, k)], FLOOR, FLOOR + 0.3, rails=False)
    b.prism(centre, ring, FLOOR + 0.3, 0.9, rails=False)
    x, z = centre
    for h in (-0.7, 0.45):
        for i in range(n):
            p, q = ring[i], ring[(i + 1) % n]
            b.L.add((x + p[0], h, z + p[1]), (x + q[0], h, z + q[1]))
    b.prism(centre, [(px * 0.3, pz * 0.3) for px, pz in ring[::2]], 0.9, ceil, rails=False)


PILLARS = {'o': pillar_square, 'O': pillar_column, 'x': pillar_crates, 'f': pillar_furnace, 'T': pillar_turbine}


# ---- floor and ceiling marks (landmarks) -----------------------------------------------------------
def ring(b, c, r, radius, h, n=12):
    x, z = b.centre(c, r)
    pts = [(x + math.cos(2 * math.pi * i / n) * radius, z + math.sin(2 * math.pi * i / n) * radius) for i in range(n)]
    for i in range(n):
        p, q = pts[i], pts[(i + 1) % n]
        b.L.cut((p[0], h, p[1]), (q[0], h, q[1]))


def mark_ring(b, c, r):
    """Two rings painted on the floor: a pad."""
    ring(b, c, r, 2.0, FLOOR)
    ring(b, c, r, 1.3, FLOOR, 8)


def mark_hazard(b, c, r):
    """A square of diagonal stripes on the floor."""
    x, z = b.centre(c, r)
    k = 1.8
    sq = [(x - k, z - k), (x + k, z - k), (x + k, z + k), (x - k, z + k)]
    for i in range(4):
        p, q = sq[i], sq[(i + 1) % 4]
        b.L.cut((p[0], FLOOR, p[1]), (q[0], FLOOR, q[1]))
    # stripes: x - z = s for s in the open range (-2k, 2k)
    for i in range(1, 7):
        s = -2 * k + 4 * k * i / 7
        x0, x1 = max(-k, s - k), min(k, s + k)
        b.L.cut((x + x0, FLOOR, z + x0 - s), (x + x1, FLOOR, z + x1 - s))


def mark_lightwell(b, c, r):
    """A ring on the floor under a ring in the ceiling: a round light well."""
    ring(b, c, r, 1.6, FLOOR)
    h = b.ceil(c, r)
    ring(b, c, r, 1.6, h)
    ring(b, c, r, 1.6, h + 1.0)
    x, z = b.centre(c, r)
    for i in range(0, 12, 3):
        a = 2 * math.pi * i / 12
        p = (x + math.cos(a) * 1.6, z + math.sin(a) * 1.6)
        b.L.add((p[0], h, p[1]), (p[0], h + 1.0, p[1]))


MARKS = {'ring': mark_ring, 'hazard': mark_hazard, 'lightwell': mark_lightwell}


def build_map(level, route=None):
    """The level's drawing; `route` (cells from the start to the exit) places the guide arrows."""
    return MapBuilder(level).build(route)
