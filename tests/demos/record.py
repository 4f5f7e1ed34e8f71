#!/usr/bin/env python3
"""Records the committed demos with the real game: zarvo --record under Xvfb, driven by xdotool.

    python3 tests/demos/record.py PLAN OUT.zdemo [--zarvo build/release/zarvo] [--runner ...]

Run by hand, not in CI (it plays in real time). Each plan is a list of timed steps; because the real game
ticks at whatever rate the machine gives it, moves are planned to end against walls wherever they can.
After the game has closed, the recording is replayed in the scripted runner, which must reproduce its
digest, and the plan's own check is applied to the world the replay ends with; the script exits non-zero
when either fails (then play it again: the monsters' moves follow a seed taken from the time of day).
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# Headings: 0 looks along +z, 90 along -x, 180 along -z, 270 along +x; turn(d) adds d degrees.
START_LEVEL1 = [('wait', 2600), ('key', 'Down'), ('wait', 150), ('key', 'Return'), ('wait', 2200)]

# Level 1: the gun in the start room, down the passage firing, the bottom corridor's health and ammunition
# packs and its skitters.
TO_BOTTOM = [
    ('hold', ['Up'], 1800),            # along 225 over the gun into the room's south-east corner
    ('turn', -135), ('hold', ['Up'], 760),   # west to the passage at x = 15
    ('turn', 90), ('hold', ['Up', 'space'], 3800),   # down the passage, firing, to the bottom wall
    ('turn', 90), ('hold', ['Left'], 120),   # face east, sidestep onto the packs' row
]
EAST_ALONG_BOTTOM = [('hold', ['Up', 'space'], 5500)]   # to the corridor's east wall

PLANS = {
    'level1': START_LEVEL1 + TO_BOTTOM + EAST_ALONG_BOTTOM + [('wait', 600)],
    # A fresh player (the knife only) loads the third level from the console and stands among its monsters.
    'death': [('wait', 2600), ('console', 'LOAD LEVEL3.LVL'), ('wait', 2500), ('key', 'Escape'),
              ('wait', 60000)],
    # Level 1 to its exit, then on into level 2.
    'levels': START_LEVEL1 + TO_BOTTOM + EAST_ALONG_BOTTOM + [
        # North-west from the east wall: along the corridor's north wall into the first opening (the
        # passage at x = 35), along its west wall, into the room and its north-west corner.
        ('turn', -225), ('hold', ['Up', 'space'], 9000),
        ('turn', -135), ('hold', ['Right'], 90),          # face east, step off the north wall
        ('hold', ['Up'], 2500),                           # east over the exit
        ('wait', 800), ('key', 'space'), ('wait', 3000),   # the level-complete screen; level 2
        ('hold', ['Up'], 1500), ('wait', 1000),
    ],
}


def check_level1(d):
    monsters = [o for o in d['objects'] if 10 <= o['type'] <= 13]
    items = [o for o in d['objects'] if 2 <= o['type'] <= 8]
    kills = d['level']['MonstersAtStart'] - len(monsters)
    picked = d['level']['ItemsAtStart'] - len(items)
    return kills >= 1 and picked >= 2, 'kills %d, pickups %d' % (kills, picked)


def check_death(d):
    return d['player']['state'] == 0, 'player state %d, health %d' % (d['player']['state'], d['player']['health'])


def check_levels(d):
    return d['NextLevelFile'] == 'LEVEL3.LVL' and d['GameState'] == 1, \
        'state %d, next level %s' % (d['GameState'], d['NextLevelFile'])


CHECKS = {'level1': check_level1, 'death': check_death, 'levels': check_levels}

CONSOLE_KEYS = {' ': 'space', '.': 'Delete', '/': 'slash'}


def xdo(*args):
    subprocess.run(['xdotool'] + [str(a) for a in args], check=True)


def play(plan):
    for step in plan:
        kind = step[0]
        if kind == 'wait':
            time.sleep(step[1] / 1000)
        elif kind == 'key':
            xdo('key', step[1])
        elif kind == 'hold':
            for k in step[1]:
                xdo('keydown', k)
            time.sleep(step[2] / 1000)
            for k in step[1]:
                xdo('keyup', k)
            time.sleep(0.05)
        elif kind == 'turn':
            # Mouse look: every pointer pixel off centre turns half a degree; the mouse moves the pointer
            # two pixels per count, so one count is one degree (to the right for a positive count). The
            # pointer stops at the screen's edge, 160 degrees away: larger turns go in pieces.
            left = step[1]
            while left:
                part = max(-90, min(90, left))
                xdo('mousemove_relative', '--', -part, 0)
                time.sleep(0.15)
                left -= part
        elif kind == 'console':
            xdo('key', 'grave')
            time.sleep(0.4)
            for c in step[1]:
                xdo('key', CONSOLE_KEYS.get(c, c.lower() if c.isalpha() else c))
                time.sleep(0.08)
            xdo('key', 'Return')
        else:
            raise SystemExit('unknown step %r' % (step,))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('plan', choices=sorted(PLANS))
    ap.add_argument('out')
    ap.add_argument('--zarvo', default=os.path.join(ROOT, 'build/release/zarvo'))
    ap.add_argument('--runner', default=os.path.join(ROOT, 'build/release/zarvo-headless'))
    # The committed demos are played in the classic campaign kept beside them.
    ap.add_argument('--data', default=os.path.join(HERE, 'classic'))
    args = ap.parse_args()
    out = os.path.abspath(args.out)
    work = tempfile.mkdtemp(prefix='zarvo-demo-')
    try:
        shutil.copytree(args.data, os.path.join(work, 'data'))
        data = os.path.join(work, 'data')
        display = ':%d' % (50 + os.getpid() % 40)
        xvfb = subprocess.Popen(['Xvfb', display, '-screen', '0', '1024x768x24'], stderr=subprocess.DEVNULL)
        time.sleep(1)
        env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER=os.environ.get('SDL_AUDIODRIVER', 'dummy'))
        os.environ['DISPLAY'] = display
        game = subprocess.Popen([os.path.abspath(args.zarvo), '--record', out], cwd=data, env=env)
        try:
            play(PLANS[args.plan])
            xdo('key', 'alt+F4')
            game.wait(timeout=20)
        finally:
            if game.poll() is None:
                game.kill()
            xvfb.terminate()
        replay = subprocess.run([os.path.abspath(args.runner), '--dump', out], cwd=data, capture_output=True, text=True)
        print(replay.stderr.strip())
        if replay.returncode != 0:
            return 1
        ok, summary = CHECKS[args.plan](json.loads(replay.stdout.strip().split('\n')[-1]))
        print('%s: %s (%s)' % (args.plan, 'ok' if ok else 'not what the plan wants', summary))
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
