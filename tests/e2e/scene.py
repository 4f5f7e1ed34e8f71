# Helpers shared by the runner scripts: write definition files, DXF drawings and WAV files for a small
# test level, and read the runner's PNG screenshots.
import struct
import zlib


def defs(name, lines):
    open(name, "wb").write("".join(l + "\r\n" for l in lines).encode())

def dxf(name, faces):
    out = []
    for f in faces:
        out += ["0", "3DFACE"]
        for c, (x, y, z) in enumerate(f):
            out += ["1%d" % c, str(x), "2%d" % c, str(y), "3%d" % c, str(z)]
    out += ["0", "EOF"]
    open(name, "w").write("\n".join(out) + "\n")

def wall(x1, z1, x2, z2, h=3):
    return [(x1, 0, z1), (x2, 0, z2), (x2, h, z2), (x1, h, z1)]

def wav(name, n):
    data = bytes(128 + (40 if (i // 20) % 2 else -40) for i in range(n))
    fmt = struct.pack("<HHIIHH", 1, 1, 11025, 11025, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
    open(name, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)


def line(x1, z1, x2, z2, y1=0, y2=0):
    return ["0", "3DLINE", "10", repr(x1), "20", repr(y1), "30", repr(z1),
            "11", repr(x2), "21", repr(y2), "31", repr(z2)]


def png_pixels(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, w = 8, b"", 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR": w, h = struct.unpack(">II", data[pos + 8:pos + 16])
        if kind == b"IDAT": idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    return w, zlib.decompress(idat)
