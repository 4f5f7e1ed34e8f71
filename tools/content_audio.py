"""Sound effects for Zarvo, synthesised: 8-bit unsigned mono PCM WAV at 22050 Hz.

Everything is computed from fixed formulas and a fixed-seed generator, so the bytes never change.
"""
import math
import struct

RATE = 22050


class Noise:
    """A small linear congruential generator (fixed seed per sound), values in -1 … 1."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF

    def __call__(self):
        self.s = (self.s * 1103515245 + 12345) & 0xFFFFFFFF
        return ((self.s >> 8) & 0xFFFF) / 32767.5 - 1.0


def n_samples(sec):
    return int(sec * RATE)


def env(i, n, attack=0.005, decay=None, curve=1.0):
    """Attack then exponential-ish decay to zero at n."""
    t = i / RATE
    a = min(1.0, t / attack) if attack > 0 else 1.0
    rest = max(0.0, 1.0 - i / n)
    return a * (rest ** curve)


def tone(sec, f0, f1=None, wave='sine', curve=1.5, vib=0.0, vib_rate=6.0, attack=0.005):
    """A pitch glide from f0 to f1 (exponential) with the chosen wave shape."""
    n = n_samples(sec)
    f1 = f0 if f1 is None else f1
    out = []
    ph = 0.0
    for i in range(n):
        k = i / n
        f = f0 * (f1 / f0) ** k
        if vib:
            f *= 1.0 + vib * math.sin(2 * math.pi * vib_rate * i / RATE)
        ph += f / RATE
        x = ph % 1.0
        if wave == 'sine':
            v = math.sin(2 * math.pi * x)
        elif wave == 'square':
            v = 1.0 if x < 0.5 else -1.0
        elif wave == 'saw':
            v = 2.0 * x - 1.0
        else:  # triangle
            v = 4.0 * abs(x - 0.5) - 1.0
        out.append(v * env(i, n, attack, curve=curve))
    return out


def noise(sec, seed, cutoff=0.3, curve=2.0, attack=0.002, sweep=None):
    """Low-passed noise; cutoff is the one-pole coefficient (0 … 1, higher = brighter)."""
    n = n_samples(sec)
    rnd = Noise(seed)
    out = []
    y = 0.0
    for i in range(n):
        c = cutoff if sweep is None else cutoff * (sweep / cutoff) ** (i / n)
        y += c * (rnd() - y)
        out.append(y * env(i, n, attack, curve=curve))
    return out


def mix(*parts):
    """parts are (gain, samples, offset seconds)."""
    length = max(int(off * RATE) + len(s) for g, s, off in parts)
    out = [0.0] * length
    for g, s, off in parts:
        o = int(off * RATE)
        for i, v in enumerate(s):
            out[o + i] += g * v
    return out


def crush(samples, drive=1.0):
    """Soft clip, normalise to 90 % and return the 8-bit bytes."""
    shaped = [math.tanh(v * drive) for v in samples]
    peak = max(1e-6, max(abs(v) for v in shaped))
    g = 0.9 / peak
    return bytes(max(0, min(255, int(round(128 + 127 * v * g)))) for v in shaped)


def wav(data):
    """RIFF/WAVE with an 18-byte format chunk (PCM, mono, 8 bit, 22050 Hz)."""
    fmt = struct.pack('<HHIIHHH', 1, 1, RATE, RATE, 1, 8, 0)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
    if len(data) % 2:
        body += b'\x80'
    return b'RIFF' + struct.pack('<I', len(body)) + body


def arpeggio(notes, step, sec_each, wave='square', curve=1.2):
    parts = []
    for i, f in enumerate(notes):
        parts.append((0.5, tone(sec_each, f, wave=wave, curve=curve), i * step))
    return mix(*parts)


def growl(sec, f0, f1, seed, rough=0.5, vib=0.04):
    return mix((0.7, tone(sec, f0, f1, 'saw', curve=1.0, vib=vib, vib_rate=23.0, attack=0.02), 0.0),
               (rough, noise(sec, seed, 0.15, curve=1.0, attack=0.02), 0.0))


SOUNDS = {
    # the player
    'player_pain': lambda: crush(growl(0.28, 180, 110, 11, 0.4), 1.5),
    'player_death': lambda: crush(mix((1.0, growl(1.1, 200, 55, 12, 0.5, 0.06), 0.0),
                                      (0.4, tone(1.1, 90, 40, 'sine', curve=1.0), 0.0)), 1.4),
    # weapons
    'knife': lambda: crush(noise(0.22, 21, 0.05, curve=1.0, attack=0.05, sweep=0.6), 1.2),
    'gun': lambda: crush(mix((1.0, noise(0.3, 22, 0.7, curve=3.0), 0.0),
                             (0.8, tone(0.2, 160, 50, 'sine', curve=2.0), 0.0)), 2.0),
    'shotgun': lambda: crush(mix((1.0, noise(0.55, 23, 0.5, curve=2.5, sweep=0.1), 0.0),
                                 (0.9, tone(0.35, 110, 35, 'sine', curve=1.5), 0.0),
                                 (0.3, noise(0.05, 24, 0.9, curve=1.0), 0.4)), 2.5),
    'minigun': lambda: crush(mix((1.0, noise(0.07, 25, 0.8, curve=2.0), 0.0),
                                 (0.5, tone(0.07, 300, 120, 'square', curve=2.0), 0.0)), 2.0),
    'rocket': lambda: crush(mix((0.7, noise(0.7, 26, 0.05, curve=1.0, attack=0.03, sweep=0.5), 0.0),
                                (0.5, tone(0.7, 120, 420, 'saw', curve=1.0, attack=0.02), 0.0)), 1.5),
    # a rocket bursting at a wall: a sharp crack, a low boom and debris settling
    'rocket_burst': lambda: crush(mix((1.0, noise(0.9, 27, 0.6, curve=2.5, attack=0.001, sweep=0.04), 0.0),
                                      (0.9, tone(0.8, 90, 28, 'sine', curve=1.8, attack=0.002), 0.0),
                                      (0.25, noise(0.5, 28, 0.3, curve=1.5, attack=0.1), 0.25)), 2.8),
    # pickups
    'pickup_weapon': lambda: crush(mix((0.8, noise(0.04, 31, 0.9, curve=1.0), 0.0),
                                       (0.8, noise(0.06, 32, 0.7, curve=1.5), 0.12),
                                       (0.5, tone(0.2, 660, 990, 'square', curve=1.5), 0.1)), 1.2),
    'pickup_health': lambda: crush(arpeggio([523.25, 659.26, 783.99, 1046.5], 0.06, 0.12, 'triangle'), 1.0),
    'pickup_ammo': lambda: crush(mix((0.8, noise(0.03, 33, 0.9, curve=1.0), 0.0),
                                     (0.8, noise(0.03, 34, 0.9, curve=1.0), 0.09),
                                     (0.4, tone(0.15, 440, 440, 'square', curve=2.0), 0.09)), 1.2),
    # monsters: pain and death per kind
    'skitter_pain': lambda: crush(tone(0.2, 1400, 900, 'saw', curve=1.5, vib=0.08, vib_rate=40), 1.3),
    'skitter_death': lambda: crush(mix((0.8, tone(0.6, 1600, 300, 'saw', curve=1.2, vib=0.1, vib_rate=35), 0.0),
                                       (0.4, noise(0.6, 41, 0.4, curve=1.5), 0.0)), 1.3),
    'warden_pain': lambda: crush(mix((0.8, tone(0.25, 420, 300, 'square', curve=1.5), 0.0),
                                     (0.3, noise(0.25, 42, 0.3), 0.0)), 1.2),
    'warden_death': lambda: crush(mix((0.8, tone(0.8, 500, 80, 'square', curve=1.0, vib=0.03, vib_rate=12), 0.0),
                                      (0.5, noise(0.8, 43, 0.2, curve=1.0), 0.0)), 1.4),
    'brute_pain': lambda: crush(growl(0.35, 110, 80, 44, 0.6, 0.05), 1.8),
    'brute_death': lambda: crush(mix((1.0, growl(1.0, 120, 40, 45, 0.6, 0.07), 0.0),
                                     (0.6, noise(0.5, 46, 0.1, curve=2.0), 0.45)), 1.8),
    'overseer_pain': lambda: crush(mix((0.7, tone(0.4, 220, 180, 'sine', vib=0.12, vib_rate=9), 0.0),
                                       (0.5, tone(0.4, 330, 270, 'triangle', vib=0.1, vib_rate=7), 0.0)), 1.4),
    'overseer_death': lambda: crush(mix((0.7, tone(1.4, 300, 30, 'saw', curve=0.8, vib=0.15, vib_rate=6), 0.0),
                                        (0.6, noise(1.4, 47, 0.3, curve=1.0, sweep=0.02), 0.0),
                                        (0.5, tone(1.0, 450, 60, 'sine', curve=1.0), 0.3)), 1.5),
    # menus and levels
    'menu_move': lambda: crush(tone(0.05, 880, 880, 'square', curve=1.5), 1.0),
    'menu_select': lambda: crush(mix((0.5, tone(0.08, 660, wave='square', curve=1.0), 0.0),
                                     (0.5, tone(0.14, 990, wave='square', curve=1.5), 0.07)), 1.0),
    'level_start': lambda: crush(arpeggio([261.63, 392.0, 523.25, 783.99, 1046.5], 0.09, 0.3, 'square', 1.5), 1.0),
    'level_exit': lambda: crush(mix((0.6, tone(1.0, 200, 1600, 'triangle', curve=0.6, vib=0.05, vib_rate=11), 0.0),
                                    (0.3, noise(1.0, 51, 0.05, curve=0.8, attack=0.3, sweep=0.5), 0.0)), 1.2),
}


def build():
    """name -> WAV file bytes"""
    return {name: wav(make()) for name, make in sorted(SOUNDS.items())}
