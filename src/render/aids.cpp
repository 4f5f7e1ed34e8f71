// Aids drawn over a level's frame: the crosshair with its hit mark, and the overhead map.
#include "render/aids.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/program.h"
#include "core/settings.h"
#include "game/players.h"
#include "game/world.h"
#include "render/render.h"
#include "render/video.h"

namespace {

// Palette indexes: the white and yellow entries, the brightest red (85 starts the green ramp, black),
// a green and a dim blue.
constexpr uint8_t kWhite = 255, kYellow = 254, kRed = 84, kWall = 150, kBorder = 210;

// A flat line without depth test; a line with an end off the screen draws nothing. One pixel per step
// along the longer axis, the other axis in 16.16 fixed point: no branch in the loop.
void Line(int x1, int y1, int x2, int y2, uint8_t colour) {
    if (!Video.FramePixels || x1 < 0 || x2 < 0 || y1 < 0 || y2 < 0 || x1 >= Settings.SCREENX ||
        x2 >= Settings.SCREENX || y1 >= Settings.SCREENY || y2 >= Settings.SCREENY)
        return;
    uint8_t* const pixels = Video.FramePixels;
    const ptrdiff_t pitch = Video.FramePitch;
    const int dx = x2 - x1, dy = y2 - y1;
    const int n = std::max(std::abs(dx), std::abs(dy));
    // The pixels are marked in the frame's map of written groups too (render/video.h).
    uint64_t* const written = Video.Written.empty() ? nullptr : Video.Written.data();
    auto put = [&](ptrdiff_t at) {
        pixels[at] = colour;
        if (written) MarkWritten(written, size_t(at));
    };
    if (n == 0) {
        put(x1 + y1 * pitch);
    } else if (std::abs(dx) >= std::abs(dy)) {
        const int sx = dx > 0 ? 1 : -1;
        const int32_t step = int32_t((int64_t(dy) << 16) / n);
        int32_t y = (y1 << 16) + 0x8000;
        for (int k = 0, x = x1; k <= n; ++k, x += sx, y += step) put(x + (y >> 16) * pitch);
    } else {
        const int sy = dy > 0 ? 1 : -1;
        const int32_t step = int32_t((int64_t(dx) << 16) / n);
        int32_t x = (x1 << 16) + 0x8000;
        for (int k = 0, y = y1; k <= n; ++k, y += sy, x += step) put((x >> 16) + y * pitch);
    }
}

bool InLevel() { return (Program.GameState == GS_PLAYING || Program.GameState == GS_PAUSED) && Video.FramePixels; }

// Clips the segment to the square [-r, r] x [-r, r] (Liang-Barsky); false when nothing of it is inside.
bool ClipToSquare(float& x1, float& y1, float& x2, float& y2, float r) {
    float t0 = 0, t1 = 1;
    const float dx = x2 - x1, dy = y2 - y1;
    const float p[4] = {-dx, dx, -dy, dy};
    const float q[4] = {x1 + r, r - x1, y1 + r, r - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const float t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const float ax = x1 + t0 * dx, ay = y1 + t0 * dy;
    x2 = x1 + t1 * dx, y2 = y1 + t1 * dy;
    x1 = ax, y1 = ay;
    return true;
}

// The map's view of the world: offsets from the player turned into panel units (u right, v up).
struct MapView {
    float px = 0, pz = 0;
    float rightX = 1, rightZ = 0, upX = 0, upZ = 1;  // world directions of the panel's right and up
    float reach = AUTOMAP_RANGE;                     // world offsets beyond this cannot be on the panel
    float centreX = 0, centreY = 0, scale = 1;       // panel centre in pixels, pixels per unit

    void ToPanel(float x, float z, float& u, float& v) const {
        const float dx = x - px, dz = z - pz;
        u = dx * rightX + dz * rightZ;
        v = dx * upX + dz * upZ;
    }
    // Rounded to the nearest pixel; on the panel both are positive, so adding a half and truncating does.
    int ScreenX(float u) const { return int(centreX + u * scale + 0.5f); }
    int ScreenY(float v) const { return int(centreY - v * scale + 0.5f); }
};

void Cross(int x, int y, int half, uint8_t colour) {
    Line(x - half, y - half, x + half, y + half, colour);
    Line(x - half, y + half, x + half, y - half, colour);
}

void DrawWalls(const MapView& view) {
    const Model& plan = World.OcclusionModel;
    if (plan.frameCount <= 0 || !plan.frames) return;
    const Mesh& mesh = plan.frames[0];
    if (!mesh.segments) return;
    // Locals, so that the pixel writes (which may alias anything) do not make the loop reload them.
    const Segment* segments = mesh.segments;
    const int32_t count = mesh.count;
    const MapView v = view;
    const float r = AUTOMAP_RANGE;
    // First the walls that may reach the panel, gathered without branches (which walls lie off to one
    // side is hard to foretell, and most of a big level does); NaN fails every test and is dropped below.
    std::vector<int32_t>& near = Render.MapScratch;
    if (near.size() < size_t(count)) near.resize(size_t(count));
    int32_t* const list = near.data();
    int32_t found = 0;
    for (int32_t i = 0; i < count; ++i) {
        const Segment& s = segments[i];
        float u1, v1, u2, v2;
        v.ToPanel(s.x1, s.z1, u1, v1);
        v.ToPanel(s.x2, s.z2, u2, v2);
        // Branch-free: the four tests are summed as numbers.
        const bool off = int(std::min(u1, u2) > r) + int(std::max(u1, u2) < -r) + int(std::min(v1, v2) > r) +
                             int(std::max(v1, v2) < -r) !=
                         0;
        list[found] = i;
        found += off ? 0 : 1;
    }
    for (int32_t k = 0; k < found; ++k) {
        const Segment& s = segments[list[k]];
        float u1, v1, u2, v2;
        v.ToPanel(s.x1, s.z1, u1, v1);
        v.ToPanel(s.x2, s.z2, u2, v2);
        const bool inside =
            int(std::fabs(u1) <= r) + int(std::fabs(v1) <= r) + int(std::fabs(u2) <= r) + int(std::fabs(v2) <= r) == 4;
        if (!inside) {
            if (!(std::isfinite(u1) && std::isfinite(v1) && std::isfinite(u2) && std::isfinite(v2))) continue;
            if (!ClipToSquare(u1, v1, u2, v2, r)) continue;
        }
        Line(v.ScreenX(u1), v.ScreenY(v1), v.ScreenX(u2), v.ScreenY(v2), kWall);
    }
}

// The red glow along the screen's edge: `band` pixels deep, the brightest red index `peak` at the edge
// falling to nothing inward; only the background is coloured, so the lines stay as drawn.
void EdgeGlow(int band, float peak) {
    const int w = Settings.SCREENX, h = Settings.SCREENY;
    uint8_t shade[1024];
    band = std::min({band, int(sizeof shade), w / 4, h / 4});
    if (band <= 0 || !Video.FramePixels) return;
    for (int d = 0; d < band; ++d) shade[d] = uint8_t(std::clamp(peak * (1.0f - float(d) / float(band)), 0.0f, 84.0f));
    uint64_t* const written = Video.Written.empty() ? nullptr : Video.Written.data();
    for (int y = 0; y < h; ++y) {
        uint8_t* const row = Video.FramePixels + ptrdiff_t(y) * Video.FramePitch;
        const size_t rowAt = size_t(y) * size_t(Video.FramePitch);
        auto put = [&](int x, int d) {
            if (row[x] != 0 || shade[d] == 0) return;
            row[x] = shade[d];
            if (written) MarkWritten(written, rowAt + size_t(x));
        };
        const int dy = std::min(y, h - 1 - y);
        if (dy < band) {
            for (int x = 0; x < w; ++x) put(x, std::min({dy, x, w - 1 - x}));
        } else {
            for (int x = 0; x < band; ++x) put(x, x), put(w - 1 - x, x);
        }
    }
}

// An arrowhead inside the screen's edge pointing along the screen direction (ux, uy) (y down).
void EdgeArrow(float ux, float uy, uint8_t colour) {
    const float cx = float(Settings.SCREENX) * 0.5f, cy = float(Settings.SCREENY) * 0.5f;
    const float rx = cx - float(Scaled(24)), ry = cy - float(Scaled(24));
    if (rx <= 0 || ry <= 0) return;
    // Where the direction meets the ellipse just inside the edge.
    const float k = 1.0f / std::sqrt((ux / rx) * (ux / rx) + (uy / ry) * (uy / ry));
    const float tipX = cx + ux * k, tipY = cy + uy * k;
    const float length = float(Scaled(28)), half = float(Scaled(18));
    const float baseX = tipX - ux * length, baseY = tipY - uy * length;
    const int steps = int(half) * 2;
    for (int i = 0; i <= steps; ++i) {
        const float t = -half + float(i);
        Line(int(std::lround(tipX)), int(std::lround(tipY)), int(std::lround(baseX - uy * t)),
             int(std::lround(baseY + ux * t)), colour);
    }
}

}  // namespace

void DrawHitFeedback() {
    if (!Settings.HITFEEDBACK || !InLevel()) return;
    const WorldRecord::HurtRecord& hurt = World.Hurt;
    if (hurt.amount <= 0 || Program.TickCount < hurt.tick || Program.TickCount - hurt.tick >= HURT_SHOWN_TICKS) return;
    const float fade = 1.0f - float(Program.TickCount - hurt.tick) / float(HURT_SHOWN_TICKS);
    const float weight = std::min(1.0f, float(hurt.amount) / 30.0f);
    EdgeGlow(Scaled(6) + int(float(Scaled(42)) * weight), (30.0f + 54.0f * weight) * fade);
    // The way to the shooter as the player faces now: ahead is up the screen, his right hand right.
    const ObjectRecord& p = World.ObjectTable[ViewRecord()];
    const float dx = hurt.fromX - p.pos[0], dz = hurt.fromZ - p.pos[2];
    const float a = DegreesToRadians(NormaliseAngle(p.angles[1]));
    const float ahead = -dx * std::sin(a) + dz * std::cos(a), right = dx * std::cos(a) + dz * std::sin(a);
    const float length = std::sqrt(ahead * ahead + right * right);
    if (!(length > 1e-3f) || !std::isfinite(length)) return;  // hurt from where he stands: no way to point
    EdgeArrow(right / length, -ahead / length, uint8_t(40.0f + 44.0f * fade));
}

void AutomapPanel(int* left, int* top, int* side) {
    int s = std::min(Settings.SCREENX, Settings.SCREENY) * 3 / 4;
    s &= ~1;
    *side = s;
    *left = (Settings.SCREENX - s) / 2;
    *top = (Settings.SCREENY - s) / 2;
}

void DrawCrosshair() {
    if (!Settings.CROSSHAIR || !InLevel() || World.ObjectTable[ViewRecord()].state == 0) return;
    const int cx = int(Settings.ScreenCentreX), cy = int(Settings.ScreenCentreY);
    const int a = Scaled(3), b = Scaled(7);  // the cross's arms run from a to b pixels off the centre
    Line(cx - b, cy, cx - a, cy, kWhite);
    Line(cx + a, cy, cx + b, cy, kWhite);
    Line(cx, cy - b, cx, cy - a, kWhite);
    Line(cx, cy + a, cx, cy + b, kWhite);
    if (World.HitMarkTicks <= 0) return;
    const int c = Scaled(6), d = Scaled(11);  // the hit mark's ticks, diagonally
    Line(cx - d, cy - d, cx - c, cy - c, kRed);
    Line(cx + c, cy - c, cx + d, cy - d, kRed);
    Line(cx - d, cy + d, cx - c, cy + c, kRed);
    Line(cx + c, cy + c, cx + d, cy + d, kRed);
}

void DrawAutomap() {
    if (!Settings.AUTOMAP || !Render.AutomapShown || !InLevel()) return;
    int left, top, side;
    AutomapPanel(&left, &top, &side);
    if (side < 16) return;
    for (int y = top; y < top + side; ++y) memset(Video.FramePixels + size_t(y) * Video.FramePitch + left, 0, side);
    const int right = left + side - 1, bottom = top + side - 1;
    Line(left, top, right, top, kBorder);
    Line(right, top, right, bottom, kBorder);
    Line(right, bottom, left, bottom, kBorder);
    Line(left, bottom, left, top, kBorder);

    const ObjectRecord& p = World.ObjectTable[ViewRecord()];
    MapView view;
    view.px = p.pos[0], view.pz = p.pos[2];
    // The player looks along (-sin a, cos a); his right hand points along (cos a, sin a).
    const float a = DegreesToRadians(NormaliseAngle(p.angles[1]));
    const float fx = -std::sin(a), fz = std::cos(a);
    if (Render.AutomapHeadingUp) {
        view.rightX = fz, view.rightZ = -fx;
        view.upX = fx, view.upZ = fz;
        view.reach = AUTOMAP_RANGE * 1.4143f;  // the turned square's corners
    }
    view.centreX = float(left) + float(side) * 0.5f;
    view.centreY = float(top) + float(side) * 0.5f;
    view.scale = (float(side) * 0.5f - 2.0f) / AUTOMAP_RANGE;
    if (!std::isfinite(view.px) || !std::isfinite(view.pz)) return;

    DrawWalls(view);

    if (Settings.AUTOMAP >= 2) {
        for (int j = 1; j < OBJECT_COUNT; ++j) {
            const ObjectRecord& m = World.ObjectTable[j];
            if (m.state == OBJ_FREE || m.state == OBJ_DYING || !IsMonsterType(m.type)) continue;
            float u, v;
            view.ToPanel(m.pos[0], m.pos[2], u, v);
            Cross(view.ScreenX(u), view.ScreenY(v), Scaled(2), kRed);
            Cross(view.ScreenX(u), view.ScreenY(v), Scaled(2), kRed);
        }
    }

    // The exit, held at the panel's edge in its direction when it lies beyond.
    float u, v;
    view.ToPanel(World.ExitPoint[0], World.ExitPoint[1], u, v);
    if (std::isfinite(u) && std::isfinite(v)) {
        const float far = std::max(std::fabs(u), std::fabs(v));
        if (far > AUTOMAP_RANGE - 2.0f) u *= (AUTOMAP_RANGE - 2.0f) / far, v *= (AUTOMAP_RANGE - 2.0f) / far;
        const int ex = view.ScreenX(u), ey = view.ScreenY(v), e = Scaled(3);
        Line(ex - e, ey - e, ex + e, ey - e, kYellow);
        Line(ex + e, ey - e, ex + e, ey + e, kYellow);
        Line(ex + e, ey + e, ex - e, ey + e, kYellow);
        Line(ex - e, ey + e, ex - e, ey - e, kYellow);
        Cross(ex, ey, e, kYellow);
    }

    // The player: an arrow at the centre along his heading (straight up when the map turns with him).
    float dx = fx, dy = -fz;  // screen direction of his heading
    if (Render.AutomapHeadingUp) dx = 0, dy = -1;
    const float cx = view.centreX, cy = view.centreY, k = float(Video.ViewScale);
    auto at = [&](float along, float across, int& x, int& y) {
        along *= k, across *= k;
        x = int(std::lround(cx + dx * along - dy * across));
        y = int(std::lround(cy + dy * along + dx * across));
    };
    int tx, ty, lx, ly, rx, ry, nx, ny;
    at(8, 0, tx, ty);
    at(-5, 5, lx, ly);
    at(-5, -5, rx, ry);
    at(-2, 0, nx, ny);
    Line(tx, ty, lx, ly, kWhite);
    Line(tx, ty, rx, ry, kWhite);
    Line(lx, ly, nx, ny, kWhite);
    Line(rx, ry, nx, ny, kWhite);
}
