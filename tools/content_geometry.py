"""Wireframe drawings for Zarvo: a tiny 3-D line kit and the DXF writer.

All model code in tools/ works in "height up" coordinates (x, h, z): h grows upwards. The game's
projection puts positive y below the horizon, so the writer stores y = -h. Objects face +z.
"""
import math


def fmt(v):
    """Fixed, short, locale-free number text; never '-0'."""
    s = ('%.4f' % v).rstrip('0').rstrip('.')
    if s in ('-0', ''):
        s = '0'
    return s


def norm(v):
    l = math.sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])
    return (v[0] / l, v[1] / l, v[2] / l) if l > 1e-9 else (0.0, 0.0, 0.0)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def mul(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def rot_y(p, deg):
    """Rotate about the vertical axis (degrees, +x towards -z for positive angles)."""
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    return (p[0] * c + p[2] * s, p[1], p[2] * c - p[0] * s)


def rot_x(p, deg, pivot=(0.0, 0.0, 0.0)):
    """Rotate about an x-parallel axis through pivot; positive tips +z upwards."""
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    x, h, z = sub(p, pivot)
    return add((x, h * c + z * s, z * c - h * s), pivot)


def rot_z(p, deg, pivot=(0.0, 0.0, 0.0)):
    """Rotate about a z-parallel axis through pivot; positive turns +x upwards."""
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    x, h, z = sub(p, pivot)
    return add((x * c - h * s, x * s + h * c, z), pivot)


class Drawing:
    """A list of 3-D segments and quads, written as 3DLINE and 3DFACE entities."""

    def __init__(self):
        self.lines = []
        self.faces = []

    def line(self, a, b):
        self.lines.append((tuple(a), tuple(b)))

    def poly(self, pts, closed=True):
        n = len(pts)
        for i in range(n if closed else n - 1):
            self.line(pts[i], pts[(i + 1) % n])

    def face(self, a, b, c, d):
        self.faces.append((tuple(a), tuple(b), tuple(c), tuple(d)))

    def extend(self, other):
        self.lines.extend(other.lines)
        self.faces.extend(other.faces)
        return self

    def map(self, fn):
        out = Drawing()
        out.lines = [(fn(a), fn(b)) for a, b in self.lines]
        out.faces = [tuple(fn(p) for p in f) for f in self.faces]
        return out

    def moved(self, d):
        return self.map(lambda p: add(p, d))

    def scaled(self, s):
        return self.map(lambda p: mul(p, s))

    def turned(self, deg):
        return self.map(lambda p: rot_y(p, deg))

    # ---- primitives -------------------------------------------------------------------------
    def box(self, c, hx, hh, hz):
        x0, x1 = c[0] - hx, c[0] + hx
        h0, h1 = c[1] - hh, c[1] + hh
        z0, z1 = c[2] - hz, c[2] + hz
        bot = [(x0, h0, z0), (x1, h0, z0), (x1, h0, z1), (x0, h0, z1)]
        top = [(x0, h1, z0), (x1, h1, z0), (x1, h1, z1), (x0, h1, z1)]
        self.poly(bot)
        self.poly(top)
        for a, b in zip(bot, top):
            self.line(a, b)
        return self

    def limb(self, p, q, w, w2=None):
        """A square beam from p to q with half-width w (w2 at q)."""
        w2 = w if w2 is None else w2
        d = norm(sub(q, p))
        ref = (0.0, 1.0, 0.0) if abs(d[1]) < 0.9 else (1.0, 0.0, 0.0)
        u = norm(cross(d, ref))
        v = cross(d, u)
        ring = lambda c, r: [add(c, add(mul(u, su * r), mul(v, sv * r)))
                             for su, sv in ((1, 1), (-1, 1), (-1, -1), (1, -1))]
        a, b = ring(p, w), ring(q, w2)
        self.poly(a)
        self.poly(b)
        for x, y in zip(a, b):
            self.line(x, y)
        return self

    def tube(self, p, q, r, n=8, r2=None, spokes=True, phase=0.0):
        """An n-sided prism (or frustum) from p to q."""
        r2 = r if r2 is None else r2
        d = norm(sub(q, p))
        ref = (0.0, 1.0, 0.0) if abs(d[1]) < 0.9 else (1.0, 0.0, 0.0)
        u = norm(cross(d, ref))
        v = cross(d, u)
        def ring(c, rr):
            pts = []
            for i in range(n):
                a = 2 * math.pi * i / n + math.radians(phase)
                pts.append(add(c, add(mul(u, math.cos(a) * rr), mul(v, math.sin(a) * rr))))
            return pts
        a, b = ring(p, r), ring(q, r2)
        self.poly(a)
        self.poly(b)
        if spokes:
            for x, y in zip(a, b):
                self.line(x, y)
        return a, b

    def ring(self, c, r, n=8, axis='h', phase=0.0):
        pts = []
        for i in range(n):
            a = 2 * math.pi * i / n + math.radians(phase)
            ca, sa = math.cos(a) * r, math.sin(a) * r
            if axis == 'h':
                pts.append((c[0] + ca, c[1], c[2] + sa))
            elif axis == 'z':
                pts.append((c[0] + ca, c[1] + sa, c[2]))
            else:
                pts.append((c[0], c[1] + ca, c[2] + sa))
        self.poly(pts)
        return pts

    def star(self, c, r, n=8, axis='z', phase=0.0):
        """Rays from a centre: muzzle flashes and sparks."""
        for i in range(n):
            a = 2 * math.pi * i / n + math.radians(phase)
            rr = r if i % 2 == 0 else r * 0.55
            ca, sa = math.cos(a) * rr, math.sin(a) * rr
            if axis == 'z':
                p = (c[0] + ca, c[1] + sa, c[2])
            elif axis == 'h':
                p = (c[0] + ca, c[1], c[2] + sa)
            else:
                p = (c[0], c[1] + ca, c[2] + sa)
            self.line(c, p)
        return self

    def bipyramid(self, c, r, up, down, n=6, phase=0.0):
        eq = self.ring(c, r, n, 'h', phase)
        top = (c[0], c[1] + up, c[2])
        bot = (c[0], c[1] - down, c[2])
        for p in eq:
            self.line(p, top)
            self.line(p, bot)
        return self

    # ---- output -----------------------------------------------------------------------------
    def dxf(self):
        out = ['0', 'SECTION', '2', 'ENTITIES']
        for a, b in self.lines:
            out += ['0', '3DLINE', '8', 'ZARVO']
            for code, v in (('10', a[0]), ('20', -a[1]), ('30', a[2]),
                            ('11', b[0]), ('21', -b[1]), ('31', b[2])):
                out += [code, fmt(v)]
        for f in self.faces:
            out += ['0', '3DFACE', '8', 'ZARVO']
            for i, p in enumerate(f):
                for axis, v in ((1, p[0]), (2, -p[1]), (3, p[2])):
                    out += ['%d%d' % (axis, i), fmt(v)]
        out += ['0', 'ENDSEC', '0', 'EOF']
        return ('\n'.join(out) + '\n').encode('ascii')


# ---- stroke letters for signs ----------------------------------------------------------------
# Each glyph is a list of polylines in a cell 1 wide and 2 high (x right, h up). The shapes are boxy,
# like a segment display, so that a word costs a few lines a letter and stays legible at a distance.
GLYPHS = {
    'A': [[(0, 0), (0, 1.5), (0.5, 2), (1, 1.5), (1, 0)], [(0, 1), (1, 1)]],
    'B': [[(0, 0), (0, 2), (0.8, 2), (1, 1.8), (1, 1.2), (0.8, 1), (0, 1)],
          [(0.8, 1), (1, 0.8), (1, 0.2), (0.8, 0), (0, 0)]],
    'C': [[(1, 0), (0, 0), (0, 2), (1, 2)]],
    'D': [[(0, 0), (0, 2), (0.6, 2), (1, 1.6), (1, 0.4), (0.6, 0), (0, 0)]],
    'E': [[(1, 0), (0, 0), (0, 2), (1, 2)], [(0, 1), (0.8, 1)]],
    'F': [[(0, 0), (0, 2), (1, 2)], [(0, 1), (0.8, 1)]],
    'G': [[(1, 1.6), (1, 2), (0, 2), (0, 0), (1, 0), (1, 1), (0.5, 1)]],
    'H': [[(0, 0), (0, 2)], [(1, 0), (1, 2)], [(0, 1), (1, 1)]],
    'I': [[(0.5, 0), (0.5, 2)], [(0.1, 0), (0.9, 0)], [(0.1, 2), (0.9, 2)]],
    'J': [[(0, 0.5), (0, 0), (1, 0), (1, 2)]],
    'K': [[(0, 0), (0, 2)], [(1, 2), (0, 1), (1, 0)]],
    'L': [[(0, 2), (0, 0), (1, 0)]],
    'M': [[(0, 0), (0, 2), (0.5, 1.2), (1, 2), (1, 0)]],
    'N': [[(0, 0), (0, 2), (1, 0), (1, 2)]],
    'O': [[(0, 0), (0, 2), (1, 2), (1, 0), (0, 0)]],
    'P': [[(0, 0), (0, 2), (1, 2), (1, 1), (0, 1)]],
    'Q': [[(0, 0), (0, 2), (1, 2), (1, 0), (0, 0)], [(0.6, 0.4), (1.1, -0.2)]],
    'R': [[(0, 0), (0, 2), (1, 2), (1, 1), (0, 1)], [(0.4, 1), (1, 0)]],
    'S': [[(1, 2), (0, 2), (0, 1), (1, 1), (1, 0), (0, 0)]],
    'T': [[(0.5, 0), (0.5, 2)], [(0, 2), (1, 2)]],
    'U': [[(0, 2), (0, 0), (1, 0), (1, 2)]],
    'V': [[(0, 2), (0.5, 0), (1, 2)]],
    'W': [[(0, 2), (0.25, 0), (0.5, 1), (0.75, 0), (1, 2)]],
    'X': [[(0, 0), (1, 2)], [(0, 2), (1, 0)]],
    'Y': [[(0, 2), (0.5, 1), (1, 2)], [(0.5, 1), (0.5, 0)]],
    'Z': [[(0, 2), (1, 2), (0, 0), (1, 0)]],
    '0': [[(0, 0), (0, 2), (1, 2), (1, 0), (0, 0)], [(0, 0), (1, 2)]],
    '1': [[(0.2, 1.6), (0.5, 2), (0.5, 0)], [(0.1, 0), (0.9, 0)]],
    '2': [[(0, 2), (1, 2), (1, 1), (0, 1), (0, 0), (1, 0)]],
    '3': [[(0, 2), (1, 2), (1, 0), (0, 0)], [(0.2, 1), (1, 1)]],
    '4': [[(0, 2), (0, 1), (1, 1)], [(0.8, 2), (0.8, 0)]],
    '5': [[(1, 2), (0, 2), (0, 1), (1, 1), (1, 0), (0, 0)]],
    '6': [[(1, 2), (0, 2), (0, 0), (1, 0), (1, 1), (0, 1)]],
    '7': [[(0, 2), (1, 2), (0.4, 0)]],
    '8': [[(0, 0), (0, 2), (1, 2), (1, 0), (0, 0)], [(0, 1), (1, 1)]],
    '9': [[(1, 1), (0, 1), (0, 2), (1, 2), (1, 0), (0, 0)]],
    '>': [[(0, 1), (1, 1)], [(0.5, 1.5), (1, 1), (0.5, 0.5)]],
    '<': [[(1, 1), (0, 1)], [(0.5, 1.5), (0, 1), (0.5, 0.5)]],
    '-': [[(0.1, 1), (0.9, 1)]],
    ' ': [],
}
ADVANCE = 1.5   # letter pitch in glyph widths


def text_width(text, size):
    return (len(text) * ADVANCE - (ADVANCE - 1)) * size if text else 0.0


def text_strokes(text, size):
    """The strokes of a line of text as ((u0, v0), (u1, v1)) pairs: u along the line from its left
    end, v up from its base line, in world units for letters `size` wide."""
    out = []
    for i, ch in enumerate(text):
        x0 = i * ADVANCE * size
        for poly in GLYPHS[ch]:
            for (ax, ah), (bx, bh) in zip(poly, poly[1:]):
                out.append(((x0 + ax * size, ah * size), (x0 + bx * size, bh * size)))
    return out


def sign(d, text, left, base_h, z, size):
    """Upright letters in the x-h plane at depth z, read from -z looking towards +z."""
    for (u0, v0), (u1, v1) in text_strokes(text, size):
        d.line((left + u0, base_h + v0, z), (left + u1, base_h + v1, z))
    return d
