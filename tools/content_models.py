"""The creatures, weapons, pickups and scenery of Zarvo, drawn as wireframes.

Every function returns Drawings in height-up coordinates (see content_geometry). Creatures face +z and
stand on h = 0; the weapon view models sit around their own origin, the barrel pointing to +z.
"""
import math

from content_geometry import Drawing, add, rot_x, rot_z, rot_y, sign


def _sd(a):
    return math.sin(math.radians(a))


def _cd(a):
    return math.cos(math.radians(a))


# ---- humanoids: the Warden (type 11) and the Brute (type 12) ------------------------------------
WARDEN = dict(hip_h=1.0, hip_w=0.18, thigh=0.5, shin=0.5, leg_w=0.07, torso=0.75, chest_w=0.32,
              chest_d=0.16, sh_w=0.42, upper=0.42, fore=0.4, arm_w=0.06, head=0.16, gun=True,
              hunch=0.0)
BRUTE = dict(hip_h=1.05, hip_w=0.3, thigh=0.55, shin=0.5, leg_w=0.12, torso=0.8, chest_w=0.55,
             chest_d=0.3, sh_w=0.72, upper=0.5, fore=0.5, arm_w=0.13, head=0.17, gun=False,
             hunch=18.0)


def humanoid(s, legs=(0.0, 0.0), knees=(0.0, 0.0), arms=(10.0, 10.0), elbows=(20.0, 20.0),
             bob=0.0, flash=False):
    d = Drawing()
    hip_h = s['hip_h'] + bob
    # legs: angle forward from vertical, knee bend backwards
    for side, a, k in ((-1, legs[0], knees[0]), (1, legs[1], knees[1])):
        hip = (side * s['hip_w'], hip_h, 0.0)
        knee = add(hip, (0.0, -s['thigh'] * _cd(a), s['thigh'] * _sd(a)))
        foot = add(knee, (0.0, -s['shin'] * _cd(a - k), s['shin'] * _sd(a - k)))
        d.limb(hip, knee, s['leg_w'])
        d.limb(knee, foot, s['leg_w'] * 0.85)
        d.line(foot, add(foot, (0.0, 0.0, 0.22)))
    # torso, leaning forward by the hunch
    pelvis = (0.0, hip_h, 0.0)
    neck = add(pelvis, (0.0, s['torso'] * _cd(s['hunch']), s['torso'] * _sd(s['hunch'])))
    d.box(pelvis, s['hip_w'] + 0.06, 0.08, s['chest_d'] * 0.8)
    chest = Drawing()
    chest.box((0.0, s['torso'] * 0.55, 0.0), s['chest_w'], s['torso'] * 0.45, s['chest_d'])
    chest.box((0.0, s['torso'] * 0.12, 0.0), s['chest_w'] * 0.6, s['torso'] * 0.12, s['chest_d'] * 0.8)
    d.extend(chest.map(lambda p: add(rot_x(p, -s['hunch']), pelvis)))
    # head with a visor slit
    hc = add(neck, (0.0, s['head'] * 1.2, s['head'] * 0.3))
    d.box(hc, s['head'], s['head'], s['head'])
    d.line(add(hc, (-s['head'] * 0.8, 0.02, s['head'])), add(hc, (s['head'] * 0.8, 0.02, s['head'])))
    # arms: raised forward by the arm angle
    for side, a, e in ((-1, arms[0], elbows[0]), (1, arms[1], elbows[1])):
        sh = add(neck, (side * s['sh_w'], -0.08, 0.0))
        elbow = add(sh, (0.0, -s['upper'] * _cd(a), s['upper'] * _sd(a)))
        hand = add(elbow, (0.0, -s['fore'] * _cd(a + e), s['fore'] * _sd(a + e)))
        d.limb(sh, elbow, s['arm_w'])
        d.limb(elbow, hand, s['arm_w'] * 0.9)
        if s['gun'] and side == 1:
            tip = add(hand, (0.0, -0.3 * _cd(a + e), 0.3 * _sd(a + e)))
            tip = add(tip, (0.0, 0.0, 0.25))
            d.limb(hand, tip, 0.05)
            if flash:
                d.star(tip, 0.3, 8, 'z')
        elif not s['gun']:
            d.box(hand, s['arm_w'] * 1.6, s['arm_w'] * 1.6, s['arm_w'] * 1.6)
            if flash and side == 1:
                d.star(add(hand, (0.0, 0.0, 0.2)), 0.35, 10, 'z')
    if s['hip_w'] > 0.25:
        # shoulder plates of the Brute
        for side in (-1, 1):
            d.box(add(neck, (side * s['sh_w'] * 0.8, 0.02, 0.0)), 0.2, 0.1, 0.22)
    return d


def fall(d, deg, sink=0.0):
    """Topple a figure backwards about its feet (for death frames)."""
    return d.map(lambda p: add(rot_x(p, -deg), (0.0, -sink, 0.0)))


def crumble(d, t):
    """Squash a drawing towards the floor; t = 0 untouched, 1 flat."""
    return d.map(lambda p: (p[0] * (1 + 0.5 * t), max(0.02, p[1] * (1 - t)), p[2] * (1 + 0.3 * t)))


def humanoid_set(s):
    idle = [humanoid(s), humanoid(s, bob=-0.03, arms=(12, 12), elbows=(24, 24))]
    attack = [humanoid(s, arms=(10, 75), elbows=(20, 15)),
              humanoid(s, arms=(10, 85), elbows=(20, 5), flash=True),
              humanoid(s, arms=(10, 80), elbows=(20, 10))]
    walk = [humanoid(s, legs=(25, -20), knees=(5, 30), arms=(-15, 30)),
            humanoid(s, legs=(5, -5), knees=(10, 40), arms=(0, 15), bob=-0.04),
            humanoid(s, legs=(-20, 25), knees=(30, 5), arms=(30, -15)),
            humanoid(s, legs=(-5, 5), knees=(40, 10), arms=(15, 0), bob=-0.04)]
    dying = humanoid(s, arms=(60, 60), elbows=(40, 40))
    death = [fall(dying, 15), fall(humanoid(s, knees=(40, 40), arms=(90, 90)), 40, 0.1),
             fall(dying, 65, 0.2), crumble(fall(dying, 85, 0.25), 0.5), crumble(fall(dying, 90, 0.3), 0.9)]
    return idle, attack, walk, death


# ---- the Skitter (type 10): a six-legged crawler -------------------------------------------------
def skitter(lift=(0, 0, 0, 0, 0, 0), claws=0.0, body_h=0.55, curl=0.0):
    d = Drawing()
    # body: a flattened octagonal hull along z
    d.tube((0.0, body_h, -0.55), (0.0, body_h, 0.45), 0.32, 8, r2=0.26)
    d.tube((0.0, body_h, 0.45), (0.0, body_h + 0.05, 0.75), 0.2, 6, r2=0.1)
    d.line((0.0, body_h + 0.32, -0.4), (0.0, body_h + 0.42, 0.3))
    # eyes
    for side in (-1, 1):
        d.box((side * 0.08, body_h + 0.1, 0.7), 0.035, 0.035, 0.035)
    # legs: three a side, knees high
    for i, z in enumerate((0.3, 0.0, -0.3)):
        for side in (-1, 1):
            k = i * 2 + (0 if side < 0 else 1)
            hip = (side * 0.28, body_h, z)
            up = lift[k]
            knee = (side * (0.65 - curl * 0.35), body_h + 0.35 + up * 0.5 - curl * 0.2, z + 0.12 * (1 - i))
            foot = (side * (1.0 - curl * 0.6), max(0.0, up - curl * 0.0) + curl * 0.25, z * 1.4 + 0.1)
            d.line(hip, knee)
            d.line(knee, foot)
    # mandibles, opening with the claws value
    for side in (-1, 1):
        base = (side * 0.1, body_h - 0.05, 0.75)
        tip = (side * (0.12 + 0.2 * claws), body_h - 0.15 + 0.25 * claws, 1.0 + 0.15 * claws)
        d.line(base, tip)
        d.line(tip, (side * 0.04, body_h - 0.1, 0.95 + 0.1 * claws))
    return d


def skitter_set():
    idle = [skitter(), skitter(body_h=0.5)]
    attack = [skitter(claws=0.6, lift=(0.3, 0.3, 0, 0, 0, 0)), skitter(claws=1.0, lift=(0.5, 0.5, 0, 0, 0, 0)),
              skitter(claws=0.3)]
    a, b = 0.25, 0.0
    walk = [skitter(lift=(a, b, b, a, a, b)), skitter(lift=(0.1, 0.1, 0.1, 0.1, 0.1, 0.1), body_h=0.5),
            skitter(lift=(b, a, a, b, b, a)), skitter(lift=(0.1, 0.1, 0.1, 0.1, 0.1, 0.1), body_h=0.5)]
    death = [skitter(curl=0.2, body_h=0.45, claws=1.0), skitter(curl=0.45, body_h=0.35),
             skitter(curl=0.7, body_h=0.25), crumble(skitter(curl=0.9, body_h=0.2), 0.5),
             crumble(skitter(curl=1.0, body_h=0.15), 0.9)]
    return idle, attack, walk, death


# ---- the Overseer (type 13): a floating eye with rings and tendrils ------------------------------
def overseer(h=1.7, spin=0.0, spikes=0.0, sway=0.0, burst=0.0, flash=False):
    d = Drawing()
    c = (0.0, h, 0.0)
    if burst > 0:
        # pieces drifting apart and sinking
        parts = Drawing()
        parts.bipyramid(c, 0.55, 0.45, 0.45, 8, spin)
        for i in range(6):
            ang = i * 60 + spin
            off = (math.cos(math.radians(ang)) * burst, -burst * h * 0.7, math.sin(math.radians(ang)) * burst)
            frag = Drawing()
            frag.box(add(c, off), 0.12, 0.12, 0.12)
            d.extend(frag)
        d.extend(crumble(parts, min(0.95, burst)))
        d.ring((0.0, max(0.05, h * (1 - burst)), 0.0), 0.9 + burst, 12, 'h', spin)
        return d
    d.bipyramid(c, 0.55, 0.45, 0.45, 8, spin)
    # the eye: iris rings on the front
    d.ring((0.0, h, 0.5), 0.22, 8, 'z', spin)
    d.ring((0.0, h, 0.56), 0.1, 6, 'z', -spin)
    # two orbiting rings
    d.ring(c, 0.95, 12, 'h', spin)
    tilt = Drawing()
    tilt.ring((0.0, 0.0, 0.0), 0.85, 12, 'h', -spin)
    d.extend(tilt.map(lambda p: add(rot_z(rot_x(p, 35), 20), c)))
    # spikes out of the equator
    for i in range(8):
        a = math.radians(i * 45 + spin + 22.5)
        base = (math.cos(a) * 0.55, h, math.sin(a) * 0.55)
        ln = 0.2 + 0.45 * spikes
        d.line(base, (math.cos(a) * (0.55 + ln), h, math.sin(a) * (0.55 + ln)))
    # hanging tendrils
    for i in range(3):
        a = math.radians(i * 120 + 30)
        top = (math.cos(a) * 0.2, h - 0.4, math.sin(a) * 0.2)
        mid = (math.cos(a) * 0.3 + sway * 0.15, h - 0.9, math.sin(a) * 0.3)
        low = (math.cos(a) * 0.25 - sway * 0.2, h - 1.35, math.sin(a) * 0.25 + 0.1)
        d.line(top, mid)
        d.line(mid, low)
    if flash:
        d.star((0.0, h, 0.7), 0.5, 12, 'z', spin)
    # the glow it casts on the floor under it
    d.ring((0.0, 0.0, 0.0), 0.6, 8, 'h', spin)
    return d


def overseer_set():
    idle = [overseer(), overseer(h=1.62, spin=10)]
    attack = [overseer(spikes=0.6, flash=True), overseer(spikes=1.0, spin=8), overseer(spikes=0.5, spin=15, flash=True)]
    walk = [overseer(spin=0, sway=1), overseer(spin=11, sway=0, h=1.65), overseer(spin=22, sway=-1),
            overseer(spin=33, sway=0, h=1.65)]
    death = [overseer(spikes=1.0, flash=True), overseer(burst=0.25, spin=10), overseer(burst=0.5, spin=20),
             overseer(burst=0.75, spin=30), overseer(burst=0.95, spin=40)]
    return idle, attack, walk, death


MONSTERS = {
    'skitter': skitter_set,
    'warden': lambda: humanoid_set(WARDEN),
    'brute': lambda: humanoid_set(BRUTE),
    'overseer': overseer_set,
}


# ---- weapon view models -----------------------------------------------------------------------
def pistol(recoil=0.0, flash=0.0, smoke=False):
    d = Drawing()
    d.box((0.0, 0.0, 0.25), 0.035, 0.045, 0.25)            # slide
    d.box((0.0, -0.06, 0.22), 0.03, 0.02, 0.2)              # frame
    d.limb((0.0, -0.07, 0.06), (0.0, -0.27, -0.02), 0.035)  # grip
    d.poly([(0.0, -0.08, 0.14), (0.0, -0.14, 0.15), (0.0, -0.14, 0.08)], closed=False)  # guard
    d.line((0.0, 0.045, 0.45), (0.0, 0.07, 0.45))           # front sight
    muzzle = (0.0, 0.0, 0.5)
    if flash:
        d.star(muzzle, 0.18 * flash, 10, 'z')
        d.line(muzzle, (0.0, 0.0, 0.5 + 0.25 * flash))
    if smoke:
        d.ring((0.0, 0.06, 0.55), 0.05, 6, 'z')
        d.ring((0.02, 0.12, 0.58), 0.07, 6, 'z', 20)
    return d.map(lambda p: rot_x(add(p, (0.0, 0.0, -recoil * 0.15)), recoil * 14, (0.0, -0.2, 0.0)))


def knife(stab=0.0, swing=0.0):
    d = Drawing()
    d.poly([(0.0, 0.0, 0.1), (0.03, 0.0, 0.45), (0.0, 0.015, 0.55), (-0.03, 0.0, 0.45)])  # blade
    d.line((0.0, 0.0, 0.1), (0.0, 0.015, 0.55))
    d.box((0.0, 0.0, 0.08), 0.09, 0.02, 0.015)             # guard
    d.limb((0.0, 0.0, 0.07), (0.0, -0.02, -0.15), 0.03)     # handle
    return d.map(lambda p: add(rot_y(rot_x(p, 20 - stab * 25), -swing * 40), (-swing * 0.15, stab * 0.05, stab * 0.35)))


def shotgun(recoil=0.0, flash=0.0, pump=0.0):
    d = Drawing()
    for side in (-1, 1):
        d.tube((side * 0.035, 0.0, 0.0), (side * 0.035, 0.0, 0.85), 0.03, 6)
    d.box((0.0, -0.06, 0.3 - pump * 0.12), 0.06, 0.035, 0.12)   # pump grip
    d.box((0.0, -0.02, -0.05), 0.06, 0.06, 0.1)                 # receiver
    d.limb((0.0, -0.04, -0.15), (0.0, -0.16, -0.45), 0.05, 0.07)  # stock
    if flash:
        for side in (-1, 1):
            d.star((side * 0.035, 0.0, 0.86), 0.22 * flash, 10, 'z', side * 9)
    return d.map(lambda p: rot_x(add(p, (0.0, 0.0, -recoil * 0.18)), recoil * 16, (0.0, -0.1, -0.3)))


def minigun(spin=0.0, flash=0.0, shake=0.0):
    d = Drawing()
    for i in range(6):
        a = math.radians(i * 60 + spin)
        off = (math.cos(a) * 0.07, math.sin(a) * 0.07, 0.0)
        d.line(add(off, (0.0, 0.0, 0.15)), add(off, (0.0, 0.0, 0.95)))
    d.ring((0.0, 0.0, 0.95), 0.1, 6, 'z', spin)
    d.ring((0.0, 0.0, 0.55), 0.1, 6, 'z', spin)
    d.tube((0.0, 0.0, -0.25), (0.0, 0.0, 0.15), 0.14, 8)        # housing
    d.limb((0.0, 0.14, -0.1), (0.0, 0.24, 0.1), 0.02)           # carry handle
    d.line((0.0, 0.24, 0.1), (0.0, 0.14, 0.15))
    d.box((0.0, -0.2, -0.05), 0.04, 0.07, 0.05)                 # grip
    if flash:
        d.star((0.0, 0.0, 1.0), 0.2 * flash, 8, 'z', spin)
    return d.map(lambda p: add(p, (shake * 0.01, shake * 0.012, -shake * 0.03)))


def launcher(recoil=0.0, flash=0.0, blast=0.0):
    d = Drawing()
    d.tube((0.0, 0.0, -0.45), (0.0, 0.0, 0.85), 0.12, 8)
    d.ring((0.0, 0.0, 0.85), 0.15, 8, 'z')
    d.ring((0.0, 0.0, -0.45), 0.15, 8, 'z')
    d.box((-0.15, 0.16, 0.2), 0.03, 0.04, 0.08)                 # sight
    d.box((0.0, -0.2, 0.1), 0.035, 0.08, 0.04)                  # grip
    d.box((0.0, -0.2, 0.35), 0.035, 0.07, 0.04)
    if flash:
        d.star((0.0, 0.0, 0.9), 0.3 * flash, 12, 'z')
    if blast:
        d.star((0.0, 0.0, -0.5), 0.35 * blast, 12, 'z', 15)
        d.line((0.0, 0.0, -0.5), (0.0, 0.0, -0.5 - 0.3 * blast))
    return d.map(lambda p: rot_x(add(p, (0.0, 0.0, -recoil * 0.2)), recoil * 10, (0.0, 0.0, -0.4)))


WEAPONS = {
    # name: (rest, firing frames, screen position, screen rotation)
    'knife': (lambda: knife(), lambda: [knife(0.5, 0.3), knife(1.0, 0.6), knife(0.5, 0.2)],
              (0.3, 0.42, 1.1), (0, -8, 0)),
    'pistol': (lambda: pistol(), lambda: [pistol(1.0, 1.0), pistol(0.6, 0.4), pistol(0.2, 0.0, True)],
               (0.3, 0.38, 1.25), (0, -6, 0)),
    'shotgun': (lambda: shotgun(), lambda: [shotgun(1.0, 1.0), shotgun(0.6, 0.3), shotgun(0.2, 0.0, 1.0),
                                            shotgun(0.0, 0.0, 0.4)],
                (0.3, 0.4, 1.25), (0, -5, 0)),
    'minigun': (lambda: minigun(), lambda: [minigun(20, 1.0, 1), minigun(40, 0.6, -1), minigun(60, 1.0, 1)],
                (0.32, 0.42, 1.3), (0, -5, 0)),
    'launcher': (lambda: launcher(), lambda: [launcher(1.0, 1.0, 1.0), launcher(0.7, 0.4, 0.6),
                                              launcher(0.3, 0.0, 0.2), launcher(0.1)],
                 (0.27, 0.4, 1.6), (0, -6, 0)),
}


# ---- pickups, rocket, scenery -----------------------------------------------------------------
def pickup_weapon(view):
    """A view model stood upright on its side, floating above a small pad."""
    d = view.map(lambda p: rot_y(p, 90)).scaled(1.6).moved((0.0, 0.8, 0.0))
    pad = Drawing()
    pad.ring((0.0, 0.25, 0.0), 0.4, 6, 'h')
    pad.ring((0.0, 0.32, 0.0), 0.3, 6, 'h', 30)
    return d.extend(pad)


def medkit():
    d = Drawing()
    d.box((0.0, 0.75, 0.0), 0.32, 0.32, 0.32)
    for z in (-0.34, 0.34):
        d.poly([(-0.08, 0.95, z), (0.08, 0.95, z), (0.08, 0.83, z), (0.2, 0.83, z), (0.2, 0.67, z),
                (0.08, 0.67, z), (0.08, 0.55, z), (-0.08, 0.55, z), (-0.08, 0.67, z), (-0.2, 0.67, z),
                (-0.2, 0.83, z), (-0.08, 0.83, z)])
    return d


def ammo_crate():
    d = Drawing()
    d.box((0.0, 0.55, 0.0), 0.4, 0.22, 0.28)
    d.line((-0.4, 0.33, -0.28), (0.4, 0.77, -0.28))
    d.line((-0.4, 0.77, -0.28), (0.4, 0.33, -0.28))
    for x in (-0.22, 0.0, 0.22):
        d.tube((x, 0.77, 0.0), (x, 1.07, 0.0), 0.06, 6)
        d.line((x, 1.07, 0.0), (x, 1.17, 0.0))
    return d


def rocket():
    d = Drawing()
    d.tube((0.0, 0.0, -0.35), (0.0, 0.0, 0.3), 0.08, 6)
    d.tube((0.0, 0.0, 0.3), (0.0, 0.0, 0.5), 0.08, 6, r2=0.0)
    for i in range(4):
        a = math.radians(i * 90 + 45)
        d.poly([(math.cos(a) * 0.08, math.sin(a) * 0.08, -0.35), (math.cos(a) * 0.2, math.sin(a) * 0.2, -0.4),
                (math.cos(a) * 0.08, math.sin(a) * 0.08, -0.15)], closed=True)
    d.star((0.0, 0.0, -0.4), 0.18, 8, 'z')
    d.line((0.0, 0.0, -0.4), (0.0, 0.0, -0.75))
    # it flies at the eye's height, where it leaves the launcher held just under the eye
    return d.moved((0.0, -0.35, 0.0))


def torch(flicker):
    d = Drawing()
    d.limb((0.0, 0.0, 0.0), (0.0, 1.6, 0.0), 0.05)
    d.tube((0.0, 1.6, 0.0), (0.0, 1.85, 0.0), 0.12, 6, r2=0.22)
    tips = [(0.0, 2.35 + 0.1 * flicker, 0.0), (0.1 - 0.05 * flicker, 2.15, 0.05),
            (-0.1, 2.2 - 0.08 * flicker, -0.04), (0.02, 2.1 + 0.05 * flicker, -0.12)]
    for i, t in enumerate(tips):
        a = math.radians(i * 90 + 40 * flicker)
        base = (math.cos(a) * 0.15, 1.85, math.sin(a) * 0.15)
        d.line(base, t)
        d.line(t, (0.0, 1.9, 0.0))
    return d


def crystal(turn):
    d = Drawing()
    d.tube((0.0, 0.0, 0.0), (0.0, 0.2, 0.0), 0.55, 6, r2=0.4)     # the rock it grows from
    d.bipyramid((0.0, 1.2, 0.0), 0.3, 0.9, 0.6, 5, turn)
    d.bipyramid((0.45, 0.55, 0.2), 0.12, 0.45, 0.3, 4, -turn)
    d.bipyramid((-0.35, 0.45, -0.25), 0.1, 0.35, 0.25, 4, turn * 2)
    return d


def terminal(blink):
    d = Drawing()
    d.box((0.0, 0.5, 0.0), 0.5, 0.5, 0.3)
    slope = [(-0.5, 1.0, -0.3), (0.5, 1.0, -0.3), (0.5, 1.5, 0.1), (-0.5, 1.5, 0.1)]
    d.poly(slope)
    d.line((-0.5, 1.0, 0.3), (-0.5, 1.5, 0.1))
    d.line((0.5, 1.0, 0.3), (0.5, 1.5, 0.1))
    for i in range(3):
        f = 0.2 + 0.2 * i
        a = (-0.35, 1.0 + 0.5 * f, -0.3 + 0.4 * f - 0.01)
        b = (0.35 - 0.25 * ((i + blink) % 3) / 2.0, a[1], a[2])
        d.line(a, b)
    return d


def exit_gate(turn):
    """The exit marker: an arch with a spinning beacon and the word EXIT."""
    d = Drawing()
    for side in (-1, 1):
        d.limb((side * 1.1, 0.0, 0.0), (side * 1.1, 2.4, 0.0), 0.1)
    d.limb((-1.2, 2.5, 0.0), (1.2, 2.5, 0.0), 0.1)
    d.bipyramid((0.0, 1.25, 0.0), 0.35, 0.5, 0.5, 4, turn)
    d.ring((0.0, 1.25, 0.0), 0.7, 10, 'h', turn)
    d.ring((0.0, 0.05, 0.0), 1.0, 12, 'h', -turn)
    sign(d, 'EXIT', -0.9, 2.75, 0.0, 0.3)
    return d


def banner(wave):
    """A standard: a pole with a cross bar, a hanging cloth that ripples, and a crest on it."""
    d = Drawing()
    d.limb((0.0, 0.0, 0.0), (0.0, 3.0, 0.0), 0.04)
    d.bipyramid((0.0, 3.1, 0.0), 0.08, 0.15, 0.05, 4)
    d.limb((-0.55, 2.8, 0.0), (0.55, 2.8, 0.0), 0.03)
    cloth = []
    for i in range(5):
        h = 2.8 - i * 0.4
        ripple = 0.07 * math.sin(math.radians(wave + i * 70))
        cloth.append(((-0.5, h, 0.05 + ripple), (0.5, h, 0.05 - ripple)))
    for (a, b), (c, e) in zip(cloth, cloth[1:]):
        d.line(a, c)
        d.line(b, e)
    d.line(cloth[0][0], cloth[0][1])
    tip = (0.0, 0.85, 0.05 + 0.07 * math.sin(math.radians(wave + 280)))
    d.line(cloth[-1][0], tip)
    d.line(cloth[-1][1], tip)
    d.poly([(0.0, 2.45, 0.1), (0.22, 2.15, 0.1), (0.0, 1.75, 0.1), (-0.22, 2.15, 0.1)])   # crest
    return d


def coil(spark):
    """A generator coil: a base, a column wound with rings, a crown that throws sparks."""
    d = Drawing()
    d.box((0.0, 0.2, 0.0), 0.45, 0.2, 0.45)
    d.tube((0.0, 0.4, 0.0), (0.0, 2.1, 0.0), 0.16, 6)
    for i in range(6):
        d.ring((0.0, 0.6 + i * 0.28 + 0.04 * ((i + spark) % 2), 0.0), 0.3, 8, 'h', spark * 15)
    d.ring((0.0, 2.25, 0.0), 0.42, 10, 'h', spark * 20)
    d.ring((0.0, 2.25, 0.0), 0.22, 10, 'h', -spark * 20)
    if spark:
        d.star((0.0, 2.45, 0.0), 0.35 + 0.1 * spark, 8, 'y' if spark % 2 else 'z', spark * 25)
    return d
