"""Music for Zarvo: small composed pieces written as standard MIDI files (format 1).

Each piece is a chord progression with a bass line, an accompaniment figure, drums and a melody built
from a seeded motif that is repeated, varied and fitted to the chords, in the form A A B A.
"""
import struct

TPQ = 480  # ticks per quarter note

MAJOR = [0, 2, 4, 5, 7, 9, 11]
MINOR = [0, 2, 3, 5, 7, 8, 10]
HARMONIC = [0, 2, 3, 5, 7, 8, 11]   # minor with a raised seventh for the dominant

KICK, SNARE, HAT, OPEN_HAT, CRASH, RIDE, TOM_LO, TOM_HI, CLAP = 36, 38, 42, 46, 49, 51, 45, 48, 39


class Rng:
    def __init__(self, seed):
        self.s = seed & 0x7FFFFFFF

    def next(self, n):
        self.s = (self.s * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.s >> 12) % n


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


class Track:
    def __init__(self, name):
        self.events = []   # (tick, order, bytes)
        self.meta(0, 0x03, name.encode('ascii'))

    def meta(self, tick, kind, data):
        self.events.append((tick, 0, bytes([0xFF, kind]) + vlq(len(data)) + data))

    def ctrl(self, tick, ch, data):
        self.events.append((tick, 1, bytes([ch]) + bytes(data)))

    def note(self, tick, ch, key, length, vel):
        key = max(0, min(127, key))
        self.events.append((tick, 3, bytes([0x90 | ch, key, max(1, min(127, vel))])))
        self.events.append((tick + max(1, length), 2, bytes([0x80 | ch, key, 0])))

    def chunk(self, end):
        body = b''
        now = 0
        for tick, _, data in sorted(self.events, key=lambda e: (e[0], e[1], e[2])):
            body += vlq(tick - now) + data
            now = tick
        body += vlq(max(0, end - now)) + b'\xff\x2f\x00'
        return b'MTrk' + struct.pack('>I', len(body)) + body


def chord_notes(root, scale, degree, octave_shift=0):
    """Triad on a scale degree: MIDI notes (root position) around the given root."""
    out = []
    for k in (0, 2, 4):
        d = degree + k
        out.append(root + scale[d % 7] + 12 * (d // 7) + 12 * octave_shift)
    return out


def nearest(candidates, target):
    return min(candidates, key=lambda c: (abs(c - target), c))


def compose(song):
    bpm, root, mode = song['bpm'], song['root'], song['mode']
    scale = {'major': MAJOR, 'minor': MINOR}[mode]
    prog = song['progression']             # scale degrees (0-based), one chord per bar
    form = song.get('form', 'AABA')
    rng = Rng(song['seed'])
    bar = TPQ * 4
    eighth = TPQ // 2

    meta = Track(song['title'])
    meta.meta(0, 0x51, struct.pack('>I', int(60000000 / bpm))[1:])
    meta.meta(0, 0x58, bytes([4, 2, 24, 8]))
    lead, comp, bass, drums = Track('Lead'), Track('Accompaniment'), Track('Bass'), Track('Drums')
    for tr, ch, prog_no, vol, pan in ((lead, 0, song['lead'], 100, 72), (comp, 1, song['comp'], 78, 48),
                                      (bass, 2, song['bass'], 96, 64)):
        tr.ctrl(0, 0xB0 | ch, [7, vol])
        tr.ctrl(0, 0xB0 | ch, [10, pan])
        tr.ctrl(0, 0xB0 | ch, [91, 50])
        tr.ctrl(0, 0xC0 | ch, [prog_no])
    drums.ctrl(0, 0xB9, [7, 92])
    drums.ctrl(0, 0xB9, [91, 40])

    # Two melodic motifs (A and B): rhythms in eighths over two bars, contours in scale steps.
    def motif(density):
        rhythm, left = [], 16
        choices = [1, 2, 2, 3, 4] if density > 0.5 else [2, 2, 3, 4, 4, 6]
        while left > 0:
            d = min(left, choices[rng.next(len(choices))])
            rhythm.append(d)
            left -= d
        steps = [rng.next(5) - 2 for _ in rhythm]
        rests = [rng.next(7) == 0 for _ in rhythm]
        rests[0] = False
        return rhythm, steps, rests
    motifs = {'A': motif(song['density']), 'B': motif(song['density'] + 0.3)}

    sections = []
    for s in form:
        sections.append(s)
    bars_per_section = len(prog) * song.get('repeats', 2)
    total_bars = bars_per_section * len(sections) + 1
    t = 0
    melody_center = root + 12 + song.get('lead_octave', 0) * 12
    for si, sec in enumerate(sections):
        rhythm, steps, rests = motifs[sec]
        lift = 5 if sec == 'B' else 0
        for b in range(bars_per_section):
            degree = prog[b % len(prog)]
            if sec == 'B' and song.get('b_progression'):
                degree = song['b_progression'][b % len(song['b_progression'])]
            start = t + b * bar
            tri = chord_notes(root, scale, degree)
            # dominant chords in minor keys take the leading tone
            if mode == 'minor' and degree % 7 == 4:
                tri[1] = root + HARMONIC[6] + 12 * ((degree + 2) // 7)
            final_bar = si == len(sections) - 1 and b == bars_per_section - 1
            # ---- bass
            bnote = tri[0] - 24 if tri[0] - 24 >= 28 else tri[0] - 12
            pattern = song['bass_pattern']
            for k, (pos, off, ln) in enumerate(pattern):
                key = bnote + off
                bass.note(start + pos * eighth, 2, key, ln * eighth - 20, 96 if pos % 4 == 0 else 82)
            # ---- accompaniment
            style = song['comp_style']
            voicing = [n - 12 if n - 12 >= root - 3 else n for n in tri]
            if style == 'pad':
                for n in voicing:
                    comp.note(start, 1, n, bar - 30, 62)
            elif style == 'arp':
                order = [0, 1, 2, 1] * 2
                for k in range(8):
                    n = voicing[order[k]] + (12 if k in (2, 6) else 0)
                    comp.note(start + k * eighth, 1, n, eighth - 10, 70 if k % 2 == 0 else 58)
            elif style == 'power':
                r = voicing[0] - 12 if voicing[0] - 12 >= 40 else voicing[0]
                for k in range(8):
                    accent = k in (0, 3, 6)
                    ln = eighth - 40 if not accent else eighth
                    for n in (r, r + 7, r + 12):
                        comp.note(start + k * eighth, 1, n, ln, 92 if accent else 70)
            elif style == 'pulse':
                # a driving eighth-note pulse on root and fifth, the third on the offbeats
                for k in range(8):
                    pair = (voicing[0], voicing[2]) if k % 2 == 0 else (voicing[1], voicing[1] + 12)
                    for n in pair:
                        comp.note(start + k * eighth, 1, n, eighth - 30, 76 if k % 4 == 0 else 60)
            elif style == 'stabs':
                for pos in (0, 3, 4, 6):
                    for n in voicing:
                        comp.note(start + pos * eighth, 1, n + 12, eighth, 80 if pos in (0, 4) else 66)
            # ---- drums
            dstyle = song['drums']
            if not (final_bar and dstyle != 'none'):
                for k in range(8):
                    tk = start + k * eighth
                    if dstyle == 'light':
                        if k in (0, 5):
                            drums.note(tk, 9, KICK, 60, 80)
                        if k in (2, 6):
                            drums.note(tk, 9, CLAP if sec == 'B' else SNARE, 60, 55)
                        drums.note(tk, 9, HAT, 40, 45 if k % 2 else 60)
                    elif dstyle == 'rock':
                        if k in (0, 3, 4) or (k == 7 and b % 2):
                            drums.note(tk, 9, KICK, 60, 100)
                        if k in (2, 6):
                            drums.note(tk, 9, SNARE, 60, 100)
                        drums.note(tk, 9, RIDE if sec == 'B' else HAT, 40, 70 if k % 2 else 85)
                    elif dstyle == 'drive':
                        if k % 2 == 0:
                            drums.note(tk, 9, KICK, 60, 105)
                        if k in (2, 6):
                            drums.note(tk, 9, SNARE, 60, 110)
                        drums.note(tk, 9, OPEN_HAT if k % 2 else HAT, 40, 75)
                        drums.note(tk + eighth // 2, 9, HAT, 30, 50)
                    elif dstyle == 'half':
                        # half time: the snare only on the third beat, a busy kick and hats
                        if k in (0, 3, 7 if b % 2 else 0):
                            drums.note(tk, 9, KICK, 60, 100)
                        if k == 4:
                            drums.note(tk, 9, SNARE, 80, 112)
                        drums.note(tk, 9, HAT, 30, 70 if k % 2 == 0 else 50)
                        drums.note(tk + eighth // 2, 9, HAT, 30, 40)
                    elif dstyle == 'march':
                        if k in (0, 4):
                            drums.note(tk, 9, KICK, 60, 90)
                        drums.note(tk, 9, SNARE, 50, 70 if k % 2 else 95)
                if b == bars_per_section - 1:
                    # a fill into the next section
                    for k, drum in enumerate((TOM_HI, TOM_HI, TOM_LO, TOM_LO)):
                        drums.note(start + (6 * eighth) + k * (eighth // 2), 9, drum, 50, 90)
                if b == 0:
                    drums.note(start, 9, CRASH, 200, 90)
            else:
                drums.note(start, 9, CRASH, bar, 100)
                drums.note(start, 9, KICK, 100, 110)
            # ---- melody: motif over two bars, fitted to the chord
            if final_bar:
                lead.note(start, 0, nearest([tri[0] + 12 * o for o in range(-1, 4)], melody_center + lift), bar, 96)
                continue
            half = b % 2
            pos, cur = 0, melody_center + lift
            variation = (b // 2) % 2 == 1
            for i, (ln, st, rest) in enumerate(zip(rhythm, steps, rests)):
                if pos // 8 == half:
                    tk = start + (pos % 8) * eighth
                    if variation and i == len(rhythm) - 1:
                        st = -st
                    cur = cur + st * 2
                    # stay within an octave and a half of the centre
                    cur = max(melody_center + lift - 7, min(melody_center + lift + 12, cur))
                    tones = [n + 12 * o for n in tri for o in range(-1, 4)]
                    strong = (pos % 4) == 0
                    if strong:
                        key = nearest(tones, cur)
                    else:
                        sc = [root + scale[d % 7] + 12 * (d // 7) for d in range(-7, 28)]
                        key = nearest(sc, cur)
                    cur = key
                    length = min(ln, 8 - pos % 8) * eighth
                    if not rest:
                        lead.note(tk, 0, key, length - 30, 92 if strong else 78)
                pos += ln
        t += bars_per_section * bar
    end = total_bars * bar
    tracks = [meta, lead, comp, bass, drums]
    head = b'MThd' + struct.pack('>IHHH', 6, 1, len(tracks), TPQ)
    return head + b''.join(tr.chunk(end) for tr in tracks)


E8 = lambda pairs: [(p, o, l) for p, o, l in pairs]

PIECES = {
    'menu': dict(title='Zarvo - Theme', bpm=84, root=57, mode='minor', progression=[0, 5, 2, 6],
                 b_progression=[3, 0, 5, 4], seed=7, lead=11, comp=89, bass=33, comp_style='pad',
                 drums='light', density=0.2, lead_octave=0,
                 bass_pattern=E8([(0, 0, 3), (3, 0, 1), (4, 7, 2), (6, 12, 2)])),
    'level1': dict(title='Zarvo - Outpost', bpm=116, root=52, mode='minor', progression=[0, 0, 5, 6],
                   b_progression=[3, 3, 0, 4], seed=101, lead=81, comp=30, bass=34, comp_style='power',
                   drums='rock', density=0.4, lead_octave=1,
                   bass_pattern=E8([(k, 0, 1) for k in range(8)])),
    'level2': dict(title='Zarvo - Depot', bpm=126, root=50, mode='minor', progression=[0, 6, 5, 4],
                   b_progression=[3, 0, 3, 4], seed=202, lead=62, comp=48, bass=38, comp_style='arp',
                   drums='rock', density=0.5, lead_octave=1,
                   bass_pattern=E8([(0, 0, 2), (2, 12, 1), (3, 0, 1), (4, 0, 2), (6, 7, 1), (7, 12, 1)])),
    'level3': dict(title='Zarvo - Foundry', bpm=138, root=48, mode='minor', progression=[0, 3, 5, 4],
                   b_progression=[5, 6, 0, 4], seed=303, lead=29, comp=19, bass=39, comp_style='stabs',
                   drums='drive', density=0.6, lead_octave=1,
                   bass_pattern=E8([(k, 0 if k % 4 else 0, 1) for k in range(8)])),
    'level4': dict(title='Zarvo - Citadel', bpm=150, root=47, mode='minor', progression=[0, 5, 3, 4],
                   b_progression=[5, 3, 0, 4], seed=404, lead=30, comp=30, bass=34, comp_style='power',
                   drums='drive', density=0.7, lead_octave=1,
                   bass_pattern=E8([(k, 12 if k in (3, 7) else 0, 1) for k in range(8)])),
    'level5': dict(title='Zarvo - Reactor', bpm=132, root=54, mode='minor', progression=[0, 5, 6, 4],
                   b_progression=[3, 5, 0, 4], seed=606, lead=81, comp=38, bass=39, comp_style='pulse',
                   drums='half', density=0.55, lead_octave=1,
                   bass_pattern=E8([(0, 0, 1), (1, 0, 1), (2, 12, 1), (3, 0, 1), (4, 7, 1), (5, 0, 1), (6, 12, 1),
                                    (7, 10, 1)])),
    'level6': dict(title='Zarvo - Sanctum', bpm=160, root=43, mode='minor', progression=[0, 5, 3, 4],
                   b_progression=[5, 6, 3, 4], seed=707, lead=61, comp=19, bass=33, comp_style='pad',
                   drums='drive', density=0.65, lead_octave=1,
                   bass_pattern=E8([(0, 0, 1), (1, 0, 1), (2, 12, 1), (3, 0, 1), (4, 0, 1), (5, 12, 1),
                                    (6, 7, 1), (7, 12, 1)])),
    'victory': dict(title='Zarvo - Victory', bpm=108, root=48, mode='major', progression=[0, 4, 5, 3],
                    b_progression=[3, 4, 0, 4], seed=505, lead=56, comp=61, bass=58, comp_style='stabs',
                    drums='march', density=0.3, lead_octave=1, repeats=1, form='AAB A'.replace(' ', ''),
                    bass_pattern=E8([(0, 0, 2), (2, 7, 2), (4, 12, 2), (6, 7, 2)])),
}


def build():
    """name -> MIDI file bytes"""
    return {name: compose(song) for name, song in sorted(PIECES.items())}
