"""A Zarvo level from a floor plan drawn in any drawing program: the drawing read with ezdxf, the plan
checked for what would not play, the level drawn the way the bundled campaign draws its walls, and the
files written.

The plan: the drawing's X is the game's x and its Y the game's z, so that the plan seen from above is the
same in both (the eye looks along +z with +x on its right). A CAD rotation (counter-clockwise degrees from
+X) that points along (cos r, sin r) becomes the heading r - 90: the game looks along (-sin a, cos a).

    walls    LINE, LWPOLYLINE, POLYLINE, ARC, CIRCLE, ELLIPSE, SPLINE on a layer whose name starts with
             WALL (or the layers --walls names); ellipses and splines are flattened into straight pieces
    start    a POINT, an INSERT or any shape on layer START (or --start LAYER, or --start-at X,Y): an
             INSERT's rotation is where the player looks, a shape's place is its centre
    exit     the same on layer EXIT (the exit gate stands there)
    objects  INSERTs of blocks named after an object type of DIR/objects (SKITTER: objects/skitter.obj)

An INSERT of any other block brings the block's contents in, moved, scaled and turned as inserted; what a
block draws on layer 0 takes the INSERT's layer, as in CAD programs. One that brings nothing to the plan
(furniture, doors, a title block on a layer that is no wall's) is ignored and counted.
"""
import fnmatch
import itertools
import logging
import math
import os
import re
import tempfile
from collections import Counter

import ezdxf
from ezdxf import recover
from ezdxf.math import Matrix44, Vec3

from content_maps import EYE, FLOOR, PIECE, Lines

RADIUS = 1.4            # every mover keeps this far from the walls
EXIT_REACH = 1.0        # the exit is reached within this of EXITCOORD
DEFAULT_HEIGHT = EYE + 2.4   # floor to ceiling: the rooms of the Outpost
RAIL = 0.3              # the second rail over the floor plan, as on the Outpost's walls
CORNICE = 0.25          # a line this far under the ceiling
CURVE_TOLERANCE = 0.03  # curves become straight pieces no farther than this from the curve (game units)
MAX_CURVE_POINTS = 100000   # a spline or an ellipse may become at most this many pieces
MAX_OBJECTS = 255       # object records 1..255
MAX_LINES = 255         # a definition file holds at most 255 lines
MAX_VISITS = 2000000    # entities read, blocks counted once for every time they are inserted
MAX_SPAN = 1000.0       # the plan may be this wide and deep (game units)
MAX_COORD = 10000.0     # ... and lie this far from the origin at most (float precision in the game)
GRID_NODES = 4000000    # the path search's grid is at most this many points
GRID_STEP = 0.25        # ... spaced this far apart, or wider when the plan is large
DEFAULTS = dict(arsenal='weapons/arsenal.ars', sounds='sounds/level.snd', music='music/level1.mid', next='WIN')
GATE = 'exitgate'
DEFAULT_WALLS = ('WALL*',)

# ezdxf tells of what it mends and skips through its logger; the converter says what matters itself.
logging.getLogger('ezdxf').addHandler(logging.NullHandler())
logging.getLogger('ezdxf').propagate = False


class Refused(Exception):
    """The drawing does not make a level that plays: one line for each reason."""

    def __init__(self, lines):
        super().__init__('\n'.join(lines))
        self.lines = list(lines)


def fmt_point(p):
    return '(%s, %s)' % tuple(('%.2f' % v).rstrip('0').rstrip('.') for v in p)


def whole(v):
    """The nearest whole number, halves away from below (2.5 -> 3, -2.5 -> -2), as the game's files want."""
    return int(math.floor(v + 0.5))


def heading_of(direction):
    """The game heading that looks along a plan direction (dx, dz), in whole degrees 0..359."""
    return whole(math.degrees(math.atan2(-direction[0], direction[1]))) % 360


def gate_heading(face):
    """The heading that turns the exit gate's face (its -z side, with the word) along a plan direction:
    a model's +z is drawn along (sin a, cos a)."""
    return whole(math.degrees(math.atan2(-face[0], -face[1]))) % 360


class Affine:
    """The plan's part of a transformation: p -> o + x * ex + y * ey, in game units."""

    __slots__ = ('ox', 'oy', 'ax', 'ay', 'bx', 'by')

    def __init__(self, ox, oy, ax, ay, bx, by):
        self.ox, self.oy, self.ax, self.ay, self.bx, self.by = ox, oy, ax, ay, bx, by

    @classmethod
    def of(cls, m, units):
        o = m.transform(Vec3(0, 0, 0))
        ex = m.transform_direction(Vec3(1, 0, 0))
        ey = m.transform_direction(Vec3(0, 1, 0))
        k = 1.0 / units
        return cls(o.x * k, o.y * k, ex.x * k, ex.y * k, ey.x * k, ey.y * k)

    def __call__(self, x, y):
        return (self.ox + x * self.ax + y * self.bx, self.oy + x * self.ay + y * self.by)

    def scale(self):
        """The largest stretch of a length: what a curve's tolerance is measured with."""
        return max(math.hypot(self.ax, self.ay), math.hypot(self.bx, self.by))


def arc_points(cx, cy, r, a0, sweep, scale):
    """Points along an arc from angle a0 (radians) turning by sweep, close enough to the curve once the
    arc is stretched by scale."""
    rr = r * scale
    step = 2 * math.acos(1 - CURVE_TOLERANCE / rr) if rr > CURVE_TOLERANCE else math.pi
    n = max(1, min(1024, int(math.ceil(abs(sweep) / step - 1e-9))))
    return [(cx + r * math.cos(a0 + sweep * i / n), cy + r * math.sin(a0 + sweep * i / n)) for i in range(n + 1)]


def bulge_points(p, q, bulge, scale):
    """The arc from p to q of a polyline vertex's bulge (tan of a quarter of the included angle, positive
    counter-clockwise), as points from p to q; a straight line when the bulge is 0."""
    if bulge == 0 or p == q:
        return [p, q]
    theta = 4 * math.atan(bulge)
    vx, vy = q[0] - p[0], q[1] - p[1]
    chord = math.hypot(vx, vy)
    # the centre lies on the chord's left for a counter-clockwise arc under half a turn
    k = 0.5 * math.cos(theta / 2) / math.sin(theta / 2)
    cx, cy = (p[0] + q[0]) / 2 - vy * k, (p[1] + q[1]) / 2 + vx * k
    r = chord / (2 * abs(math.sin(theta / 2)))
    pts = arc_points(cx, cy, r, math.atan2(p[1] - cy, p[0] - cx), theta, scale)
    pts[0], pts[-1] = p, q
    return pts


class Roles:
    """Which layers hold the walls, the start and the exit: shell patterns matched without regard to case
    (CAD programs ignore it in layer names). A layer that is the start's or the exit's holds no walls."""

    def __init__(self, options):
        self.walls = [p.upper() for p in options.get('walls') or DEFAULT_WALLS]
        self.start = None if options.get('start_at') else (options.get('start') or 'START').upper()
        self.exit = None if options.get('exit_at') else (options.get('exit') or 'EXIT').upper()
        self.cache = {}
        self.conflicts = {}        # upper-case layer -> why it cannot be read

    def __call__(self, layer):
        up = layer.upper()
        role = self.cache.get(up, '')
        if role != '':
            return role
        start = self.start is not None and matches(up, self.start)
        exit_ = self.exit is not None and matches(up, self.exit)
        named = up in self.walls    # named as it is, not only matched by a pattern
        if start and exit_:
            self.conflicts[up] = ('layer %s is both the start\'s and the exit\'s: give one of them with '
                                  '--start-at X,Y or --exit-at X,Y' % layer)
        elif (start or exit_) and named:
            which = 'start' if start else 'exit'
            self.conflicts[up] = ('layer %s is named by --walls and is the %s\'s layer too: give the %s with '
                                  '--%s-at X,Y' % (layer, which, which, which))
        if start:
            role = 'start'
        elif exit_:
            role = 'exit'
        elif any(matches(up, p) for p in self.walls):
            role = 'walls'
        else:
            role = None
        self.cache[up] = role
        return role

    def describe(self, role):
        """The layers of a role, for a line of advice: 'layer START', 'layers named WALL*'."""
        if role == 'walls':
            if self.walls == [p.upper() for p in DEFAULT_WALLS]:
                return 'a layer whose name starts with WALL'
            return 'layer%s %s' % ('s' if len(self.walls) > 1 or '*' in self.walls[0] else '', ', '.join(self.walls))
        pattern = self.start if role == 'start' else self.exit
        return 'layer %s' % pattern


def matches(name, pattern):
    """A layer name (upper case) against a name or shell pattern (upper case): a name holding [ or ] is
    also taken as it stands."""
    return name == pattern or fnmatch.fnmatchcase(name, pattern)


def near_type(name, types):
    """The object type a block's name may have been meant to be (SKITER: skitter), or None."""
    low = name.lower()
    limit = 1 if len(low) <= 4 else 2
    best, best_d = None, limit + 1
    for t in sorted(types):
        if abs(len(t) - len(low)) > limit:
            continue
        d = edit_distance(low, t)
        if d < best_d:
            best, best_d = t, d
    return best


def edit_distance(a, b):
    row = list(range(len(b) + 1))
    for i in range(1, len(a) + 1):
        diagonal, row[0] = row[0], i
        for j in range(1, len(b) + 1):
            up = row[j]
            row[j] = min(row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1]))
            diagonal = up
    return row[len(b)]


class Plan:
    """What a drawing holds for a level, in game units: wall polylines, starts, exits, objects, and what
    was left out."""

    def __init__(self, doc, options, types):
        self.doc = doc
        self.units = options['units']
        self.options = options
        self.types = types                 # lower-case block name -> object file
        self.roles = Roles(options)
        self.walls = []                    # polylines [(x, z), ...]
        self.wall_entities = 0
        self.curves = []                   # (entity type, straight pieces) of every curve flattened for walls
        self.starts = []                   # (x, z, heading)
        self.exits = []                    # (x, z, gate heading or None)
        self.marks = {'start': [], 'exit': []}   # shapes drawn on the start's and exit's layers: (points, point?)
        self.objects = []                  # (type name, x, z, heading)
        self.unknown = Counter()           # INSERTs of block names that name nothing and brought nothing
        self.near = {}                     # block name -> the object type it may mean
        self.layers = {}                   # upper-case name -> [the name as first met, Counter of entity types]
        self.ignored_layers = {}           # upper-case name -> the name as first met (CAD names ignore case)
        self.ignored_kinds = Counter()     # (layer, entity type) taken by no rule
        self.visits = 0
        self.bad = 0                       # entities with coordinates that are no numbers

    # -- walking the drawing
    def read(self):
        root = Matrix44()
        self.walk(self.doc.modelspace(), root, None, ())
        for role, rows in (('start', self.starts), ('exit', self.exits)):
            for x, z in shape_centres(self.marks[role]):
                rows.append((x, z, 0 if role == 'start' else None))
        units = self.units
        if self.options.get('start_at'):
            x, y = self.options['start_at']
            self.starts.append((x / units, y / units, 0))
        if self.options.get('exit_at'):
            x, y = self.options['exit_at']
            self.exits.append((x / units, y / units, None))

    def taken(self):
        return (len(self.walls) + len(self.starts) + len(self.exits) + len(self.objects) +
                len(self.marks['start']) + len(self.marks['exit']))

    def walk(self, entities, m, outer_layer, chain):
        """The entities of the model space, or of a block inserted with m; chain: the blocks this one is
        inserted in."""
        aff = Affine.of(m, self.units)
        for e in entities:
            self.count(1)
            kind = e.dxftype()
            layer = e.dxf.get('layer', '0') or '0'
            if layer == '0' and outer_layer is not None:
                layer = outer_layer
            up = layer.upper()
            seen = self.layers.setdefault(up, [layer, Counter()])
            seen[1][kind] += 1
            role = self.roles(layer)
            if kind == 'INSERT':
                self.insert(e, m, layer, role, chain)
            elif role == 'walls':
                polys = self.outline(e, kind, aff, layer)
                if polys is None:
                    self.ignored_kinds[(layer, kind)] += 1
                else:
                    self.walls.extend(polys)
                    self.wall_entities += 1
            elif role in ('start', 'exit'):
                if kind == 'POINT':
                    p = self.point(e.dxf.location, aff)
                    if p:
                        self.marks[role].append(([p], True))
                    continue
                polys = self.outline(e, kind, aff, layer, shape=True)
                if polys is None:
                    self.ignored_kinds[(layer, kind)] += 1
                for poly in polys or ():
                    self.marks[role].append((poly, False))
            else:
                self.ignored_layers.setdefault(up, layer)

    def point(self, v, aff):
        p = aff(v[0], v[1])
        if not all(math.isfinite(c) for c in p):
            self.bad += 1
            return None
        return p

    def count(self, n):
        self.visits += n
        if self.visits > MAX_VISITS:
            raise Refused(['the drawing expands to more than %d entities with its blocks inserted' % MAX_VISITS])

    def insert(self, e, m, layer, role, chain):
        name = e.dxf.get('name', '')
        if name in chain:
            raise Refused(['block "%s" inserts itself' % name])
        self.count(e.mcount - 1)
        known = name.lower() in self.types
        if not known and role not in ('start', 'exit') and name not in self.near:
            near = near_type(name, self.types)
            if near:
                self.near[name] = near
        for ins in (e.multi_insert() if e.mcount > 1 else [e]):
            mm = ins.matrix44() * m
            aff = Affine.of(mm, self.units)
            p = self.point((0.0, 0.0), aff)
            if p is None:
                continue
            look = (aff.ax, aff.ay)
            if role == 'start':
                self.starts.append((p[0], p[1], heading_of(look)))
            elif role == 'exit':
                self.exits.append((p[0], p[1], gate_heading(look)))
            elif known:
                self.objects.append((name.lower(), p[0], p[1], heading_of(look)))
            else:
                block = self.doc.blocks.get(name)
                before = self.taken()
                if block is not None:
                    self.walk(block, mm, layer, chain + (name,))
                if self.taken() == before:
                    self.unknown[name] += 1

    def outline(self, e, kind, aff, layer, shape=False):
        """The polylines an entity draws, in game units: None for an entity that draws no line (a text, a
        hatch, a dimension), a list of polylines (empty when its coordinates are no numbers) otherwise.
        With shape, also the outlines of filled areas (SOLID, TRACE, 3DFACE), which mark a start or an
        exit but are no walls."""
        s = aff.scale()
        ocs = None
        elevation = 0.0
        if kind == 'LINE':
            a, b = e.dxf.start, e.dxf.end
            polys = [[(a[0], a[1]), (b[0], b[1])]]
        elif kind == 'LWPOLYLINE':
            pts = [(x, y, b) for x, y, b in e.get_points('xyb')]
            if not pts:
                return []
            polys = [self.vertices(pts, e.closed, s)]
            ocs = e.ocs()
            elevation = e.dxf.get('elevation', 0.0)
        elif kind == 'POLYLINE':
            if not (e.is_2d_polyline or e.is_3d_polyline):
                return None
            # the frame of a spline-fit polyline is not the curve drawn
            pts = [(v.dxf.location[0], v.dxf.location[1], v.dxf.get('bulge', 0.0) if e.is_2d_polyline else 0.0)
                   for v in e.vertices if not v.dxf.get('flags', 0) & 16]
            if not pts:
                return []
            polys = [self.vertices(pts, e.is_closed, s)]
            ocs = e.ocs() if e.is_2d_polyline else None
            elevation = e.dxf.get('elevation', Vec3(0, 0, 0))[2]
        elif kind in ('ARC', 'CIRCLE'):
            c, r = e.dxf.center, e.dxf.radius
            if not r > 0:
                return None
            if kind == 'CIRCLE':
                a0, sweep = 0.0, 2 * math.pi
            else:
                a0 = math.radians(e.dxf.start_angle)
                sweep = math.radians((e.dxf.end_angle - e.dxf.start_angle) % 360.0) or 2 * math.pi
            polys = [arc_points(c[0], c[1], r, a0, sweep, s)]
            ocs = e.ocs()
            elevation = c[2]
        elif kind in ('SPLINE', 'ELLIPSE'):
            polys = [self.flatten(e, kind, s, layer, record=not shape)]
        elif shape and kind in ('SOLID', 'TRACE', '3DFACE'):
            corners = [e.dxf.get(k) for k in ('vtx0', 'vtx1', 'vtx2', 'vtx3')]
            corners = [c for c in corners if c is not None]
            if kind != '3DFACE' and len(corners) == 4:
                corners[2], corners[3] = corners[3], corners[2]    # SOLID and TRACE run in a Z
            polys = [[(c[0], c[1]) for c in corners + corners[:1]]]
            ocs = e.ocs() if kind != '3DFACE' else None
            elevation = corners[0][2] if corners else 0.0
        else:
            return None
        if ocs is not None and ocs.transform:
            polys = [[(w.x, w.y) for w in (ocs.to_wcs(Vec3(x, y, elevation)) for x, y in poly)] for poly in polys]
        out = []
        for poly in polys:
            g = [aff(x, y) for x, y in poly]
            if not all(math.isfinite(v) for pt in g for v in pt):
                self.bad += 1
                return []
            if len(g) >= 2 or (shape and g):
                out.append(g)
        return out

    def flatten(self, e, kind, scale, layer, record):
        """A SPLINE or an ELLIPSE as points along it, with ezdxf's own adaptive flattening: no straight
        piece lies farther than CURVE_TOLERANCE game units from the curve."""
        distance = CURVE_TOLERANCE / scale if scale > 0 else CURVE_TOLERANCE
        what = '%s on layer %s' % (kind, layer)
        try:
            pts = list(itertools.islice(e.flattening(distance, segments=4 if kind == 'SPLINE' else 8),
                                        MAX_CURVE_POINTS + 1))
        except Exception as x:   # a curve whose knots, weights or axes make no curve
            raise Refused(['%s cannot be flattened: %s' % (what, one_line(x))])
        if len(pts) > MAX_CURVE_POINTS:
            raise Refused(['%s becomes more than %d straight pieces' % (what, MAX_CURVE_POINTS)])
        if record:
            self.curves.append((kind, max(0, len(pts) - 1)))
        self.count(len(pts) // 64)
        return [(p[0], p[1]) for p in pts]

    @staticmethod
    def vertices(pts, closed, scale):
        """A polyline's points with each bulge drawn as an arc."""
        out = []
        n = len(pts)
        for i in range(n if closed else n - 1):
            x0, y0, b = pts[i]
            x1, y1, _ = pts[(i + 1) % n]
            seg = bulge_points((x0, y0), (x1, y1), b, scale)
            out.extend(seg if not out else seg[1:])
        return out if out else [(x, y) for x, y, _ in pts[:1]]

    def layer_list(self, limit=30):
        """'0 (12 LINE, 3 LWPOLYLINE), C00-00-FF-BLUE (4 SPLINE)': every layer met and what lies on it."""
        rows = []
        for up in sorted(self.layers):
            name, kinds = self.layers[up]
            rows.append('%s (%s)' % (name, ', '.join('%d %s' % (n, k) for k, n in
                                                     sorted(kinds.items(), key=lambda kv: (-kv[1], kv[0])))))
        if len(rows) > limit:
            rows = rows[:limit] + ['and %d more' % (len(rows) - limit)]
        return ', '.join(rows) or 'none (the drawing holds no entities)'

    def drawn_layers(self):
        """The layers that hold lines or curves (including those brought by blocks), as first named."""
        return [self.layers[up][0] for up in sorted(self.layers)
                if any(k in DRAWN_KINDS for k in self.layers[up][1])]


DRAWN_KINDS = ('LINE', 'LWPOLYLINE', 'POLYLINE', 'ARC', 'CIRCLE', 'ELLIPSE', 'SPLINE')


def one_line(x):
    """An exception's text as a short printable line."""
    text = re.sub(r'[^\x20-\x7e]+', '?', str(x) or type(x).__name__)
    return text if len(text) <= 160 else text[:157] + '...'


def shape_centres(pieces):
    """The start or exit marks of a layer, one for each shape: pieces whose bounding boxes touch or
    overlap are one shape (a circle drawn as six splines, a square as four lines, a filled dot with its
    closing line). A shape's place is the POINT it holds, or else the centre of its bounding box, which
    is the centre of a circle, a square or any drawn symmetric mark."""
    eps = 0.01
    boxes = []
    for pts, _ in pieces:
        xs, zs = [p[0] for p in pts], [p[1] for p in pts]
        boxes.append((min(xs), min(zs), max(xs), max(zs)))
    parent = list(range(len(pieces)))

    def root(i):
        while parent[i] != i:
            parent[i] = parent[parent[i]]
            i = parent[i]
        return i
    order = sorted(range(len(boxes)), key=lambda i: boxes[i][0])
    for k, i in enumerate(order):
        a = boxes[i]
        for j in order[k + 1:]:
            b = boxes[j]
            if b[0] > a[2] + eps:
                break
            if b[1] <= a[3] + eps and a[1] <= b[3] + eps:
                parent[root(j)] = root(i)
    groups = {}
    for i in range(len(pieces)):
        groups.setdefault(root(i), []).append(i)
    out = []
    for members in sorted(groups.values()):     # in drawing order of their first piece
        points = [pieces[i][0][0] for i in members if pieces[i][1]]
        if points:
            out.append(points[0])
        else:
            out.append(((min(boxes[i][0] for i in members) + max(boxes[i][2] for i in members)) / 2,
                        (min(boxes[i][1] for i in members) + max(boxes[i][3] for i in members)) / 2))
    return out


def wall_segments(walls):
    """Every wall polyline as straight segments ((x1, z1), (x2, z2)); pieces shorter than a millionth of a
    unit (zero lengths, and lengths whose square a float cannot hold) left out."""
    out = []
    for poly in walls:
        for a, b in zip(poly, poly[1:]):
            if (b[0] - a[0]) ** 2 + (b[1] - a[1]) ** 2 > 1e-12:
                out.append((a, b))
    return out


class Reach:
    """Where a player of radius RADIUS can walk from the start: a flood over a grid of points, each one
    free when no wall is nearer than RADIUS less half the grid's step (so a gap as wide as the player
    always shows), filled a run of points along z at a time.

    The grid's points lie at x0 + i * step, z0 + j * step; cell (i, j) is byte i * nz + j: 0 free, 1 a
    wall's reach (and the grid's border), 2 reached."""

    def __init__(self, segments, start, extra_points):
        xs = [p[0] for s in segments for p in s] + [p[0] for p in extra_points] + [start[0]]
        zs = [p[1] for s in segments for p in s] + [p[1] for p in extra_points] + [start[1]]
        margin = RADIUS + 1.0
        w, d = max(xs) - min(xs) + 2 * margin, max(zs) - min(zs) + 2 * margin
        step = max(GRID_STEP, math.sqrt(w * d / GRID_NODES))
        self.step = step
        # the start is a grid point, so that its own clearance is what the flood starts from
        self.x0 = start[0] - step * math.ceil((start[0] - min(xs) + margin) / step)
        self.z0 = start[1] - step * math.ceil((start[1] - min(zs) + margin) / step)
        self.nx = int(math.ceil((max(xs) + margin - self.x0) / step)) + 1
        self.nz = int(math.ceil((max(zs) + margin - self.z0) / step)) + 1
        self.cells = bytearray(self.nx * self.nz)
        nz = self.nz
        ones = b'\x01' * max(self.nx, nz)
        self.cells[0:nz] = ones[:nz]
        self.cells[(self.nx - 1) * nz:] = ones[:nz]
        for i in range(self.nx):
            self.cells[i * nz] = self.cells[i * nz + nz - 1] = 1
        r = RADIUS - step / 2
        for a, b in segments:
            self.block(a, b, r, ones)
        self.start = (int(round((start[0] - self.x0) / step)), int(round((start[1] - self.z0) / step)))

    def block(self, a, b, r, ones):
        """Marks the grid points closer than r to the segment from a to b."""
        step, x0, z0, nz = self.step, self.x0, self.z0, self.nz
        ax, az = a
        bx, bz = b
        dx, dz = bx - ax, bz - az
        length = math.hypot(dx, dz)
        nx_, nz_ = -dz / length * r, dx / length * r          # the normal, r long
        rect = ((ax + nx_, az + nz_), (bx + nx_, bz + nz_), (bx - nx_, bz - nz_), (ax - nx_, az - nz_))
        edges = [(rect[k], rect[(k + 1) % 4]) for k in range(4)]
        i0 = max(1, int(math.ceil((min(ax, bx) - r - x0) / step)))
        i1 = min(self.nx - 2, int(math.floor((max(ax, bx) + r - x0) / step)))
        r2 = r * r
        for i in range(i0, i1 + 1):
            x = x0 + i * step
            lo, hi = math.inf, -math.inf
            for cx, cz in (a, b):
                t = r2 - (x - cx) * (x - cx)
                if t > 0:
                    s = math.sqrt(t)
                    lo, hi = min(lo, cz - s), max(hi, cz + s)
            for (px, pz), (qx, qz) in edges:
                if (px - x) * (qx - x) <= 0 and px != qx:
                    z = pz + (x - px) / (qx - px) * (qz - pz)
                    lo, hi = min(lo, z), max(hi, z)
            if lo >= hi:
                continue
            j0 = max(1, int(math.floor((lo - z0) / step)) + 1)
            j1 = min(nz - 2, int(math.ceil((hi - z0) / step)) - 1)
            if j0 <= j1:
                base = i * nz
                self.cells[base + j0:base + j1 + 1] = ones[:j1 - j0 + 1]

    def flood(self):
        """Marks every point reached from the start (with steps to the eight neighbours)."""
        cells, nz = self.cells, self.nz
        i, j = self.start
        if cells[i * nz + j] != 0:
            return
        todo = [(i, j)]
        while todo:
            i, j = todo.pop()
            base = i * nz
            if cells[base + j] != 0:
                continue
            lo = cells.rfind(b'\x01', base, base + j) + 1 - base
            hi = cells.find(b'\x01', base + j, base + nz) - base        # the border stops it
            cells[base + lo:base + hi] = b'\x02' * (hi - lo)
            for ni in (i - 1, i + 1):
                nb = ni * nz
                k, end = nb + max(lo - 1, 0), nb + min(hi + 1, nz)
                while True:
                    k = cells.find(b'\x00', k, end)
                    if k < 0:
                        break
                    todo.append((ni, k - nb))
                    nxt = cells.find(b'\x01', k, nb + nz)
                    k = nxt if nxt >= 0 else end

    def reached(self, p, reach, square=False):
        """Whether a reached point lies within reach of p (a circle, or a square with square)."""
        step = self.step
        ci, cj = (p[0] - self.x0) / step, (p[1] - self.z0) / step
        n = int(reach / step) + 1
        for i in range(max(0, int(ci) - n), min(self.nx, int(ci) + n + 2)):
            for j in range(max(0, int(cj) - n), min(self.nz, int(cj) + n + 2)):
                if self.cells[i * self.nz + j] != 2:
                    continue
                dx, dz = self.x0 + i * step - p[0], self.z0 + j * step - p[1]
                if (max(abs(dx), abs(dz)) if square else math.hypot(dx, dz)) < reach:
                    return True
        return False

    def floor_squares(self, size):
        """The squares of a size-wide grid (index (floor(x / size), floor(z / size))) that hold a reached
        point."""
        out = set()
        cells, nz, step = self.cells, self.nz, self.step
        for i in range(self.nx):
            base = i * nz
            k = cells.find(b'\x02', base, base + nz)
            if k < 0:
                continue
            a = int(math.floor((self.x0 + i * step) / size))
            while k >= 0:
                end = cells.find(b'\x01', k, base + nz)
                z_lo, z_hi = self.z0 + (k - base) * step, self.z0 + (end - 1 - base) * step
                for b in range(int(math.floor(z_lo / size)), int(math.floor(z_hi / size)) + 1):
                    out.add((a, b))
                k = cells.find(b'\x02', end, base + nz)
        return out


def nearest_wall(segments, p):
    best = math.inf
    px, pz = p
    for (ax, az), (bx, bz) in segments:
        dx, dz = bx - ax, bz - az
        t = ((px - ax) * dx + (pz - az) * dz) / (dx * dx + dz * dz)
        t = min(1.0, max(0.0, t))
        best = min(best, math.hypot(ax + t * dx - px, az + t * dz - pz))
    return best


def build_map(segments, squares, height):
    """The level drawing: every wall from the floor to the ceiling in pieces of at most PIECE, its foot on
    the eye plane (the floor plan), a rail over it and a line under the ceiling, posts at the cuts; over
    every square of PIECE the player can reach, its edges on the floor, and beams on the ceiling along the
    edges of the squares twice as wide."""
    L = Lines()
    ceil = height - EYE
    heights = [FLOOR, 0.0, ceil]
    if RAIL < ceil - 0.1:
        heights.append(RAIL)
    if ceil - CORNICE > RAIL + 0.1:
        heights.append(ceil - CORNICE)
    for (ax, az), (bx, bz) in segments:
        n = max(1, int(math.ceil(math.hypot(bx - ax, bz - az) / PIECE - 1e-9)))
        pts = [(ax + (bx - ax) * k / n, az + (bz - az) * k / n) for k in range(n + 1)]
        for p, q in zip(pts, pts[1:]):
            for h in heights:
                L.add((p[0], h, p[1]), (q[0], h, q[1]), plan=h == 0.0)
        for p in pts:
            L.add((p[0], FLOOR, p[1]), (p[0], ceil, p[1]))
    beams = sorted(set((a // 2, b // 2) for a, b in squares))
    for h, size, cells in ((FLOOR, PIECE, sorted(squares)), (ceil, 2 * PIECE, beams)):
        for a, b in cells:
            x0, z0, x1, z1 = a * size, b * size, (a + 1) * size, (b + 1) * size
            for p, q in (((x0, z0), (x1, z0)), ((x1, z0), (x1, z1)), ((x1, z1), (x0, z1)), ((x0, z1), (x0, z0))):
                L.cut((p[0], h, p[1]), (q[0], h, q[1]))
    return L


def object_types(data):
    """Object-type files of DIR/objects by lower-case name: {'skitter': 'objects/skitter.obj'}."""
    folder = os.path.join(data, 'objects')
    out = {}
    try:
        names = sorted(os.listdir(folder))
    except OSError:
        return out
    for n in names:
        stem, ext = os.path.splitext(n)
        # a name the level file can hold as it is: plain characters, no field or key separator
        if not re.fullmatch(r'[A-Za-z0-9_.+-]{1,120}', n):
            continue
        if ext.lower() == '.obj' and os.path.isfile(os.path.join(folder, n)):
            out.setdefault(stem.lower(), 'objects/' + n)
    return out


def read_drawing(path):
    """The drawing as ezdxf reads it and None; or, when its ordinary reader refuses the file (a section
    structure older libraries write loosely, a broken table), as ezdxf's recovery reader reads it, with a
    line that says so. Refused when neither reads a drawing."""
    try:
        return ezdxf.readfile(path), None
    except OSError as e:
        if e.errno is not None:     # the file itself: missing, a folder, not readable
            raise Refused(['cannot open %s: %s' % (path, e.strerror or e)])
        first = e                   # "is not a DXF file": its first tags are not what the reader expects
    except Exception as e:          # ezdxf.DXFError, and the plain errors it raises on malformed values
        first = e
    try:
        doc, _ = recover.readfile(path)
    except Exception:
        doc = None
    why = one_line(first)
    if not why.startswith(type(first).__name__):
        why = '%s: %s' % (type(first).__name__, why)
    if doc is None or len(doc.modelspace()) == 0:
        raise Refused(['%s is not a drawing that can be read: %s' % (path, why)])
    return doc, 'read with ezdxf\'s recovery reader: the ordinary reader refused the file (%s)' % why.rstrip('.')


def advice(plan, missing):
    """The options that would take what a drawing was refused for from the layers it has."""
    out = []
    if 'walls' in missing:
        drawn = [l for l in plan.drawn_layers() if plan.roles(l) not in ('start', 'exit')]
        if drawn:
            out.append('--walls %s takes the walls from the layer%s with lines or curves' %
                       (','.join(drawn), 's' if len(drawn) > 1 else ''))
        else:
            out.append('--walls LAYER[,LAYER...] names the layers of the walls')
    for role in ('start', 'exit'):
        if role in missing:
            out.append('--%s LAYER takes the %s from a layer holding one shape or point, --%s-at X,Y puts it '
                       'there (drawing units)' % (role, role, role))
    return '; '.join(out)


class Level:
    """A converted level: the checked plan, the level file's lines and the drawing."""

    def __init__(self, plan, name, options, types):
        self.plan = plan
        self.name = name
        self.options = options
        self.types = types
        self.warnings = []

    def check(self):
        """Every reason the level would not play, or nothing."""
        plan, o = self.plan, self.options
        problems = []
        if plan.bad:
            problems.append('%s coordinates that are no numbers' %
                            ('1 entity has' if plan.bad == 1 else '%d entities have' % plan.bad))
        problems += [plan.roles.conflicts[k] for k in sorted(plan.roles.conflicts)]
        if o.get('strict'):
            for name in sorted(plan.near):
                problems.append('block "%s" names no object type: is it %s? (--strict refuses it)' %
                                (name, plan.near[name]))
        self.segments = wall_segments(plan.walls)
        roles = plan.roles
        missing = []
        if not self.segments:
            missing.append('walls')
            problems.append('no walls: draw lines, polylines, arcs, circles, ellipses or splines on %s' %
                            roles.describe('walls'))
        for role, rows in (('start', plan.starts), ('exit', plan.exits)):
            if not rows:
                missing.append(role)
                problems.append('no %s: draw a POINT, an INSERT or a shape (a circle, a closed outline) on %s' %
                                (role, roles.describe(role)))
            elif len(rows) > 1:
                where = ', '.join(fmt_point(r[:2]) for r in rows[:4]) + (', ...' if len(rows) > 4 else '')
                layer = roles.describe(role) if not o.get(role + '_at') else 'layer %s' % role.upper()
                problems.append('%d %ss on %s, at %s: draw one' % (len(rows), role, layer, where))
        if missing:
            problems.append('layers: %s' % plan.layer_list())
            if plan.layers:
                problems.append('options: %s' % advice(plan, missing))
        # positions in a level file are whole numbers
        self.start = (whole(plan.starts[0][0]), whole(plan.starts[0][1]), plan.starts[0][2]) if plan.starts else None
        self.exit = (whole(plan.exits[0][0]), whole(plan.exits[0][1]), plan.exits[0][2]) if plan.exits else None
        self.objects = [(t, whole(x), whole(z), h) for t, x, z, h in plan.objects]
        if self.exit and GATE in self.types:
            gate = self.exit[2]
            if gate is None:
                gate = gate_heading((self.start[0] - self.exit[0], self.start[1] - self.exit[1])) if self.start else 0
            self.objects.append((GATE, self.exit[0], self.exit[1], gate))
        elif self.exit:
            self.warnings.append('no objects/%s.obj: nothing marks the exit' % GATE)
        lines = self.header_lines()
        room = min(MAX_OBJECTS, MAX_LINES - len(lines))
        if len(self.objects) > room:
            gate = ' with the exit gate' if GATE in self.types and self.exit else ''
            problems.append('%d objects%s: a level holds at most %d' % (len(self.objects), gate, room))
        pts = [p for s in self.segments for p in s] + [(o_[1], o_[2]) for o_ in self.objects]
        pts += [self.start[:2]] if self.start else []
        if pts:
            xs, zs = [p[0] for p in pts], [p[1] for p in pts]
            if max(max(xs) - min(xs), max(zs) - min(zs)) > MAX_SPAN:
                problems.append('the plan is %.0f by %.0f units: a level may be at most %.0f across' %
                                (max(xs) - min(xs), max(zs) - min(zs), MAX_SPAN))
            elif max(abs(v) for v in xs + zs) > MAX_COORD:
                problems.append('the plan lies %.0f units from the origin: draw it within %.0f' %
                                (max(abs(v) for v in xs + zs), MAX_COORD))
        if problems or not (self.segments and self.start and self.exit):
            return problems
        near = nearest_wall(self.segments, self.start[:2])
        if near < RADIUS:
            return ['the start %s is inside a wall: %.2f units from one, the player needs %.1f' %
                    (fmt_point(self.start[:2]), near, RADIUS)]
        self.reach = Reach(self.segments, self.start[:2], [self.exit[:2]] + [o_[1:3] for o_ in self.objects])
        self.reach.flood()
        if not self.reach.reached(self.exit[:2], EXIT_REACH):
            return ['the exit %s cannot be reached from the start %s by a player of radius %.1f' %
                    (fmt_point(self.exit[:2]), fmt_point(self.start[:2]), RADIUS)]
        for t, x, z, _ in self.objects:
            if t != GATE and not self.reach.reached((x, z), 1.0, square=True):
                self.warnings.append('the %s at %s stands where the player cannot go' % (t, fmt_point((x, z))))
        return []

    def map_file(self):
        return 'maps/%s.dxf' % self.name.lower()

    def header_lines(self):
        o = self.options
        drawn = re.sub(r'[^\x20-\x7e]', '?', os.path.basename(o['drawing']))[:120]
        lines = ['// %s: drawn as %s, converted by zarvo-level' % (self.name, drawn)]
        if self.plan.curves:
            lines.append('// curves: %s' % curves_text(self.plan.curves, 230))
        lines += ['NAME=%s' % o['title'], 'MAP=%s' % self.map_file(), 'OBJECTS=%d' % len(self.objects),
                 'ARSENAL=%s' % o['arsenal']]
        if self.exit:
            lines.append('EXITCOORD=%d;%d' % self.exit[:2])
        if o['reset']:
            lines.append('RESETPLAYER=1')
        if self.start:
            lines.append('STARTCOORD=%d;%d;%d' % self.start)
        lines += ['NEXTLEVEL=%s' % o['next'], 'SOUNDS=%s' % o['sounds'], 'MUSIC=%s' % o['music']]
        return lines

    def level_text(self):
        lines = self.header_lines()
        objs = ['OBJECT%d=%s;%d;%d;%d' % (k, self.types[t], x, z, h) for k, (t, x, z, h) in enumerate(self.objects)]
        at = next(i for i, l in enumerate(lines) if l.startswith('OBJECTS=')) + 1
        lines = lines[:at] + objs + lines[at:]
        return ''.join(l + '\r\n' for l in lines).encode('ascii')

    def drawing(self):
        squares = self.reach.floor_squares(PIECE)
        self.lines = build_map(self.segments, squares, self.options['height'])
        self.squares = squares
        return self.lines.drawing().dxf()


def curves_text(curves, limit):
    """'6 SPLINEs into 72 straight pieces (12, 12, 12, 12, 12, 12), 1 ELLIPSE into 40 (40)': the curves of
    the walls in drawing order by kind, each with its pieces, cut to about limit characters."""
    kinds = {}
    for kind, n in curves:
        kinds.setdefault(kind, []).append(n)
    parts = []
    room = max(40, limit // max(1, len(kinds)))
    for kind, counts in kinds.items():
        head = '%d %s%s into %d straight pieces' % (len(counts), kind, 's' if len(counts) > 1 else '', sum(counts))
        shown = ''
        for k, n in enumerate(counts):
            more = ', ... %d more' % (len(counts) - k) if k < len(counts) else ''
            if len(head) + len(shown) + len(str(n)) + len(more) + 6 > room and k < len(counts):
                shown += more
                break
            shown += (', ' if shown else '') + str(n)
        parts.append('%s (%s)' % (head, shown))
    return ', '.join(parts) + ', none farther than %g from its curve' % CURVE_TOLERANCE


def write_files(data, files):
    """Writes {relative name: bytes} into data, each through a temporary file renamed into place."""
    done = []
    try:
        for rel, blob in files.items():
            path = os.path.join(data, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            fd, tmp = tempfile.mkstemp(prefix='.zarvo-level-', dir=os.path.dirname(path))
            with os.fdopen(fd, 'wb') as f:
                f.write(blob)
            done.append((tmp, path))
        for tmp, path in done:
            os.replace(tmp, path)
    finally:
        for tmp, _ in done:
            if os.path.exists(tmp):
                os.unlink(tmp)


def convert(options):
    """Reads, checks and writes one level; returns the summary lines. Raises Refused."""
    data = options['data']
    if not os.path.isdir(data):
        raise Refused(['%s is not a folder' % data])
    types = object_types(data)
    doc, recovered = read_drawing(options['drawing'])
    notes = [recovered] if recovered else []
    plan = Plan(doc, options, types)
    try:
        plan.read()
    except Refused as r:
        raise Refused(notes + r.lines)
    except Exception as e:   # a malformed entity ezdxf let through
        raise Refused(notes + ['%s: an entity cannot be read: %s' % (options['drawing'], one_line(e))])
    level = Level(plan, options['name'], options, types)
    problems = level.check()
    if problems:
        raise Refused(notes + problems)
    files = {options['name'] + '.LVL': level.level_text(), level.map_file(): level.drawing()}
    for key in ('arsenal', 'sounds', 'music', 'next'):
        v = options[key]
        if not (key == 'next' and v == 'WIN') and not os.path.isfile(os.path.join(data, v)):
            level.warnings.append('%s names %s, which %s does not hold' % (key.upper(), v, data))
    write_files(data, files)
    return notes + summary(level, files)


def summary(level, files):
    plan = level.plan
    counts = Counter(t for t, *_ in level.objects)
    plan_lines = sum(1 for a, b in level.lines.out if a[1] == 0.0)
    out = ['wrote %s' % ' and '.join(os.path.join(level.options['data'], f) for f in files),
           'walls: %d entities, %d straight pieces; the map holds %d lines, %d of them the floor plan' %
           (plan.wall_entities, len(level.segments), len(level.lines.out), plan_lines),
           'start %s heading %d, exit %s' % (fmt_point(level.start[:2]), level.start[2], fmt_point(level.exit[:2])),
           'objects: %s' % (', '.join('%d %s' % (n, t) for t, n in sorted(counts.items())) or 'none')]
    if plan.curves:
        out.insert(2, 'curves: %s' % curves_text(plan.curves, 400))
    if plan.unknown:
        names = sorted(plan.unknown, key=str.upper)
        shown = ', '.join(names[:12]) + (', ... %d more' % (len(names) - 12) if len(names) > 12 else '')
        n = sum(plan.unknown.values())
        out.append('ignored %d INSERT%s of %d block%s that name%s no object type: %s' %
                   (n, 's' if n > 1 else '', len(names), 's' if len(names) > 1 else '', '' if len(names) > 1 else 's',
                    shown))
    for name in sorted(plan.near):
        level.warnings.append('block "%s" names no object type: is it %s? (--strict refuses it)' %
                              (name, plan.near[name]))
    if plan.ignored_layers:
        out.append('ignored layers: %s' % ', '.join(plan.ignored_layers[k] for k in sorted(plan.ignored_layers)))
    for (layer, kind), n in sorted(plan.ignored_kinds.items()):
        out.append('ignored on layer %s: %d %s' % (layer, n, kind))
    out += ['warning: %s' % w for w in level.warnings]
    return out
