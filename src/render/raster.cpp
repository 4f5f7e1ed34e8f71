// Trig tables, view transform and projection, column occlusion buffer, clipping and line rasteriser.
//
// Arithmetic rule (the output is pixel-exact, so it matters): all coordinates, depths and error terms
// are stored as 32-bit floats. Expressions made only of floats and integers are evaluated in float;
// expressions that carry a decimal constant (0.5, 0.01, 1000, 0.008) are evaluated in double and the
// result stored as float, as unsuffixed constants would do in C.
#include "render/raster.h"

#include <cmath>
#include <cstddef>

#include "core/settings.h"
#include "render/video.h"

RenderRecord Render;

int BuildTrigTables() {
    for (int i = 0; i <= 360; ++i) {
        float a = static_cast<float>(-i) * 3.1415927f / 180.0f;
        Render.SinTable[i] = static_cast<float>(std::sin(static_cast<double>(a)));
        Render.CosTable[i] = static_cast<float>(std::cos(static_cast<double>(a)));
    }
    return 1;
}

namespace {

struct Rotation {
    float sx, cx, sy, cy, sz, cz;
};

inline Rotation MakeRotation(const int32_t angles[3]) {
    int32_t ax = WrapAngle(angles[0]), ay = WrapAngle(angles[1]), az = WrapAngle(angles[2]);
    return {Render.SinTable[ax], Render.CosTable[ax], Render.SinTable[ay],
            Render.CosTable[ay], Render.SinTable[az], Render.CosTable[az]};
}

inline void RotatePoint(const Rotation& r, float& x, float& y, float& z) {
    float x1 = x * r.cz + y * r.sz;
    float y1 = y * r.cz - x * r.sz;
    float y2 = y1 * r.cx + z * r.sx;
    float z1 = z * r.cx - y1 * r.sx;
    float x2 = x1 * r.cy - z1 * r.sy;
    float z2 = z1 * r.cy + x1 * r.sy;
    x = x2;
    y = y2;
    z = z2;
}

inline void RotateWith(const Rotation& r, Segment& s) {
    RotatePoint(r, s.x1, s.y1, s.z1);
    RotatePoint(r, s.x2, s.y2, s.z2);
}

inline bool InCube(float x, float y, float z) {
    return x >= -20.0f && x <= 20.0f && y >= -20.0f && y <= 20.0f && z >= -20.0f && z <= 20.0f;
}

// NEARCLIP: a segment the near test drops is cut where it crosses the near limit, when one end lies in
// front of it; the end behind moves to the crossing, at depth 0.5. False when nothing is left to draw:
// both ends behind, or a coordinate that is not a number.
bool CutAtNearLimit(Segment& s) {
    if (!(std::isfinite(s.x1) && std::isfinite(s.y1) && std::isfinite(s.z1) && std::isfinite(s.x2) &&
          std::isfinite(s.y2) && std::isfinite(s.z2)))
        return false;
    const bool front1 = s.z1 > 0.5f, front2 = s.z2 > 0.5f;
    if (front1 == front2) return false;  // both behind (both in front passed the near test)
    float &bx = front1 ? s.x2 : s.x1, &by = front1 ? s.y2 : s.y1, &bz = front1 ? s.z2 : s.z1;
    const float fx = front1 ? s.x1 : s.x2, fy = front1 ? s.y1 : s.y2, fz = front1 ? s.z1 : s.z2;
    const float t = (0.5f - bz) / (fz - bz);  // fz > 0.5 >= bz: a fraction of the way to the front end
    bx = bx + (fx - bx) * t;
    by = by + (fy - by) * t;
    bz = 0.5f;
    return true;
}

}  // namespace

void RotateSegment(Segment& segment, const int32_t angles[3]) { RotateWith(MakeRotation(angles), segment); }

void ProjectFrame(const Mesh& mesh, ProjectedSegment* projected, uint8_t* visible, const float rel[3],
                  const int32_t objectAngles[3], const int32_t eyeAngles[3]) {
    if (!mesh.segments || !projected || !visible) return;
    const Rotation obj = MakeRotation(objectAngles);
    const Rotation eye = MakeRotation(eyeAngles);
    const double cx = static_cast<double>(Settings.ScreenCentreX);
    const double cy = static_cast<double>(Settings.ScreenCentreY);
    // 1000 pixels per unit of q (a focal length of 500 pixels), times the view's scale: a larger screen
    // with SCALEVIEW shows the same field of view.
    const double focal = 1000.0 * Video.ViewScale;
    const float rx = rel[0], ry = rel[1], rz = rel[2];
    const bool nearClip = Settings.NEARCLIP != 0;
    for (int32_t i = 0; i < mesh.count; ++i) {
        visible[i] = 0;
        const Segment& s = mesh.segments[i];
        if (!InCube(s.x1 + rx, s.y1 + ry, s.z1 + rz)) continue;
        Segment w = s;  // the work segment
        RotateWith(obj, w);
        w.x1 += rx;
        w.y1 += ry;
        w.z1 += rz;
        w.x2 += rx;
        w.y2 += ry;
        w.z2 += rz;
        if (!InCube(w.x1, w.y1, w.z1)) continue;
        RotateWith(eye, w);
        if (!(w.z1 > 0.5f && w.z2 >= 0.5f) && !(nearClip && CutAtNearLimit(w))) continue;
        float q1 = static_cast<float>(0.5 * w.x1 / (w.z1 + 0.01));
        float r1 = static_cast<float>(0.5 * w.y1 / (w.z1 + 0.01));
        float q2 = static_cast<float>(0.5 * w.x2 / (w.z2 + 0.01));
        float r2 = static_cast<float>(0.5 * w.y2 / (w.z2 + 0.01));
        ProjectedSegment& p = projected[i];
        p.x1 = static_cast<float>(cx + (focal * q1 + 0.5));
        p.y1 = static_cast<float>(cy + (focal * r1 + 0.5));
        p.z1 = w.z1;
        p.x2 = static_cast<float>(cx + (focal * q2 + 0.5));
        p.y2 = static_cast<float>(cy + (focal * r2 + 0.5));
        p.z2 = w.z2;
        visible[i] = 1;
    }
}

int AddOccluderSpan(float xa, float xb, float za, float zb, float* buffer) {
    if (!buffer) return 0;
    if (std::isnan(xa) || std::isnan(xb)) return 0;  // no column to write for a position that is not a number
    if (xa > xb) {
        float t = xa;
        xa = xb;
        xb = t;
        t = za;
        za = zb;
        zb = t;
    }
    const float last = static_cast<float>(Settings.SCREENX - 1);
    if (xb < 0.0f || xa > last) return 0;
    // The divisor is the difference of the truncated ends; taking it in float avoids converting a huge
    // coordinate to an integer and equals the integer difference converted to float.
    float slope = (zb - za) / (std::trunc(xb) - std::trunc(xa));
    if (xa < 0.0f) {
        za = za + (0.0f - xa) * slope;
        xa = 0.0f;
    }
    if (xb > last) xb = static_cast<float>(Settings.SCREENX);
    float v = -za;
    for (int32_t c = static_cast<int32_t>(xa); static_cast<float>(c) <= xb; ++c) {
        if (buffer[c] < v) buffer[c] = v;
        v = v - slope;
    }
    return 1;
}

namespace {

struct ClipEnd {
    float u, v, w;  // clipped coordinate, the other screen coordinate, depth
};

// Clips the pair to 0..limit on u, interpolating v and w; ends are swapped so a is the lower one and
// written back in the caller's order.
int ClipPair(float& u1, float& u2, float& v1, float& v2, float& w1, float& w2, int32_t size) {
    const bool swapped = u1 > u2;
    ClipEnd a{u1, v1, w1}, b{u2, v2, w2};
    if (swapped) {
        ClipEnd t = a;
        a = b;
        b = t;
    }
    const float limit = static_cast<float>(size - 1);
    if (b.u < 0.0f) return 0;
    if (a.u > limit) return 0;
    if (a.u < 0.0f) {
        a.w = (0.0f - a.u) * (b.w - a.w) / (b.u - a.u) + a.w;
        a.v = (0.0f - a.u) * (b.v - a.v) / (b.u - a.u) + a.v;
        a.u = 0.0f;
    }
    if (b.u > limit) {
        b.w = b.w - (b.u - limit) * (b.w - a.w) / (b.u - a.u);
        b.v = b.v - (b.u - limit) * (b.v - a.v) / (b.u - a.u);
        b.u = limit;
    }
    if (swapped) {
        ClipEnd t = a;
        a = b;
        b = t;
    }
    u1 = a.u, v1 = a.v, w1 = a.w;
    u2 = b.u, v2 = b.v, w2 = b.w;
    return 1;
}

}  // namespace

int ClipSegmentX(float& x1, float& x2, float& y1, float& y2, float& z1, float& z2) {
    return ClipPair(x1, x2, y1, y2, z1, z2, Settings.SCREENX);
}

int ClipSegmentY(float& x1, float& x2, float& y1, float& y2, float& z1, float& z2) {
    return ClipPair(y1, y2, x1, x2, z1, z2, Settings.SCREENY);
}

namespace {

// Pixels the line writes into the frame being drawn are marked in its map of written groups (`Mark`).
template <bool DepthTest, bool Mark>
void Rasterise(int x1, int y1, float depth1, int x2, int y2, float depth2, uint8_t colour, uint8_t* pixels,
               int32_t pitch, const float* column, uint64_t* written) {
    float dx = static_cast<float>(x2 - x1), dy = static_cast<float>(y2 - y1);
    int xstep = 1;
    ptrdiff_t rowstep = pitch;
    if (dx < 0) {
        xstep = -1;
        dx = -dx;
    }
    if (dy < 0) {
        rowstep = -static_cast<ptrdiff_t>(pitch);
        dy = -dy;
    }
    float z = depth1;
    const float zstep = dx != 0 ? (depth2 - depth1) / dx : 0.0f;
    ptrdiff_t at = x1 + static_cast<ptrdiff_t>(y1) * pitch;
    int col = x1;
    auto plot = [&] {
        if (!DepthTest || static_cast<double>(z) + 0.008 >= column[col]) {
            pixels[at] = colour;
            if (Mark) MarkWritten(written, size_t(at));
        }
    };
    if (dx > dy) {
        const int n = x2 > x1 ? x2 - x1 : x1 - x2;
        float err = 2 * dy - dx;
        for (int k = 0; k <= n; ++k) {
            plot();
            z = z + zstep;
            col += xstep;
            if (err >= 0) {
                err = err - 2 * dx;
                at += rowstep;
            }
            err = err + 2 * dy;
            at += xstep;
        }
    } else {
        const int n = y2 > y1 ? y2 - y1 : y1 - y2;
        float err = 2 * dx - dy;
        for (int k = 0; k <= n; ++k) {
            plot();
            if (err >= 0) {
                err = err - 2 * dy;
                at += xstep;
                col += xstep;
                z = z + zstep;
            }
            err = err + 2 * dx;
            at += rowstep;
        }
    }
}

}  // namespace

int DrawLine(int x1, int y1, float depth1, int x2, int y2, float depth2, uint8_t colour, uint8_t* pixels, int32_t pitch,
             const float* column, int depthTest) {
    if (!pixels) return 1;
    if (x1 < 0 || x2 < 0 || y1 < 0 || y2 < 0 || x1 >= Settings.SCREENX || x2 >= Settings.SCREENX ||
        y1 >= Settings.SCREENY || y2 >= Settings.SCREENY)
        return 1;
    const bool test = depthTest && column;
    if (pixels == Video.FramePixels && !Video.Written.empty()) {
        uint64_t* written = Video.Written.data();
        if (test)
            Rasterise<true, true>(x1, y1, depth1, x2, y2, depth2, colour, pixels, pitch, column, written);
        else
            Rasterise<false, true>(x1, y1, depth1, x2, y2, depth2, colour, pixels, pitch, column, written);
    } else if (test) {
        Rasterise<true, false>(x1, y1, depth1, x2, y2, depth2, colour, pixels, pitch, column, nullptr);
    } else {
        Rasterise<false, false>(x1, y1, depth1, x2, y2, depth2, colour, pixels, pitch, column, nullptr);
    }
    return 1;
}

int TransformModel(Model& model, int frame, const float eyePos[3], const int32_t eyeAngles[3], const float objectPos[3],
                   const int32_t objectAngles[3]) {
    if (frame < 0 || frame >= model.frameCount || !model.frames) return 0;
    const Mesh& mesh = model.frames[frame];
    if (!model.projected || !model.visible || mesh.count > model.maxSegments) {
        model.drawnCount = 0;
        return 1;
    }
    const float rel[3] = {objectPos[0] - eyePos[0], objectPos[1] - eyePos[1], objectPos[2] - eyePos[2]};
    ProjectFrame(mesh, model.projected, model.visible, rel, objectAngles, eyeAngles);
    model.drawnCount = mesh.count;
    return 1;
}
