// The walls of the floor plan: every mover's circle pushed out of them, through a grid over the walls
// that gives exactly the result of the plain loop over all of them.
#include "game/walls.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "game/contact.h"
#include "game/world.h"

namespace {

const Segment* Walls(int32_t& count) {
    count = 0;
    if (World.OcclusionModel.frameCount <= 0 || !World.OcclusionModel.frames) return nullptr;
    const Mesh& m = World.OcclusionModel.frames[0];
    if (!m.segments || m.count <= 0) return nullptr;
    count = m.count;
    return m.segments;
}

// A uniform grid over the floor plan: each cell lists, in ascending order, the walls that cross it.
// A query gathers the cells around the target's start with a margin wide enough that any wall outside
// them cannot touch the target while it stays within MAX_DRIFT of that start; the candidates are
// pushed from in descending order, and should the pushes carry the target further, the cells around
// its new position are gathered for the walls below the last one tested. Every wall that could touch
// the target is therefore tested, in the same order and with the same target as in the plain loop:
// the result is the plain loop's, bit for bit.
constexpr int GRID_MIN_WALLS = 64;        // fewer walls: the plain loop is as quick
constexpr float GRID_MAX_COORD = 1.0e5f;  // beyond this float rounding needs more slack: plain loop
constexpr float MAX_DRIFT = 0.5f;
constexpr float SLACK = 0.25f;  // covers rounding in the contact test
constexpr float QUERY_MARGIN = MAX_DRIFT + WALL_RADIUS + SLACK;
constexpr int64_t GRID_MAX_CELLS = 1 << 20;

}  // namespace

WallsRecord WallGrid;

namespace {

bool SegmentCrossesCell(const Segment& s, float cx0, float cz0, float cell) {
    // Separating axes: the two box axes are covered by the caller's range; test the segment's normal.
    // The cell is padded well beyond the rounding of the cell indexes, so a doubtful wall is included.
    float pad = 0.01f * cell + 1e-5f * (std::fabs(cx0) + std::fabs(cz0));
    float dx = s.x2 - s.x1, dz = s.z2 - s.z1;
    float hx = cell * 0.5f + pad, hz = cell * 0.5f + pad;
    float cx = cx0 + cell * 0.5f - s.x1, cz = cz0 + cell * 0.5f - s.z1;
    float dist = std::fabs(cx * dz - cz * dx);
    float reach = std::fabs(dz) * hx + std::fabs(dx) * hz;
    return dist <= reach;
}

void BuildGrid(const Segment* segs, int32_t count) {
    WallGrid.store = World.OcclusionModel.store;
    WallGrid.segments = segs;
    WallGrid.count = count;
    WallGrid.built = true;
    WallGrid.usable = false;
    WallGrid.start.clear();
    WallGrid.items.clear();
    if (count < GRID_MIN_WALLS) return;
    float minX = 0, maxX = 0, minZ = 0, maxZ = 0;
    bool any = false;
    for (int32_t i = 0; i < count; ++i) {
        const Segment& s = segs[i];
        for (float v : {s.x1, s.z1, s.x2, s.z2})
            if (!(std::fabs(v) <= GRID_MAX_COORD)) return;  // also NaN
        if (s.x1 == s.x2 && s.z1 == s.z2) continue;         // never touches
        float lx = std::min(s.x1, s.x2), hx = std::max(s.x1, s.x2);
        float lz = std::min(s.z1, s.z2), hz = std::max(s.z1, s.z2);
        if (!any) minX = lx, maxX = hx, minZ = lz, maxZ = hz, any = true;
        minX = std::min(minX, lx), maxX = std::max(maxX, hx);
        minZ = std::min(minZ, lz), maxZ = std::max(maxZ, hz);
    }
    if (!any) {
        WallGrid.usable = true;  // only zero-length walls: nothing ever touches
        WallGrid.nx = WallGrid.nz = 0;
        return;
    }
    float w = maxX - minX, h = maxZ - minZ;
    // Aim at a handful of walls per cell; a cell is at least a query wide, so a query spans <= 2 x 2.
    float cell = std::max(2 * QUERY_MARGIN + 0.1f, std::sqrt(std::max(w * h, 1.0f) * 4 / float(count)));
    while ((int64_t(w / cell) + 1) * (int64_t(h / cell) + 1) > GRID_MAX_CELLS) cell *= 2;
    int32_t nx = int32_t(w / cell) + 1, nz = int32_t(h / cell) + 1;
    WallGrid.minX = minX, WallGrid.minZ = minZ, WallGrid.cell = cell, WallGrid.nx = nx, WallGrid.nz = nz;

    std::vector<int32_t> counts(size_t(nx) * size_t(nz) + 1, 0);
    auto visit = [&](int32_t i, auto&& use) {
        const Segment& s = segs[i];
        if (s.x1 == s.x2 && s.z1 == s.z2) return;
        int32_t x0 = std::clamp(int32_t((std::min(s.x1, s.x2) - minX) / cell), 0, nx - 1);
        int32_t x1 = std::clamp(int32_t((std::max(s.x1, s.x2) - minX) / cell), 0, nx - 1);
        int32_t z0 = std::clamp(int32_t((std::min(s.z1, s.z2) - minZ) / cell), 0, nz - 1);
        int32_t z1 = std::clamp(int32_t((std::max(s.z1, s.z2) - minZ) / cell), 0, nz - 1);
        for (int32_t cz = z0; cz <= z1; ++cz)
            for (int32_t cx = x0; cx <= x1; ++cx)
                if ((x0 == x1 && z0 == z1) || SegmentCrossesCell(s, minX + cx * cell, minZ + cz * cell, cell))
                    use(size_t(cz) * size_t(nx) + size_t(cx));
    };
    for (int32_t i = 0; i < count; ++i) visit(i, [&](size_t c) { ++counts[c]; });
    WallGrid.start.assign(counts.size(), 0);
    for (size_t c = 1; c < counts.size(); ++c) WallGrid.start[c] = WallGrid.start[c - 1] + counts[c - 1];
    WallGrid.items.assign(size_t(WallGrid.start.back()), 0);
    std::vector<int32_t> fill(WallGrid.start.begin(), WallGrid.start.end() - 1);
    for (int32_t i = 0; i < count; ++i) visit(i, [&](size_t c) { WallGrid.items[size_t(fill[c]++)] = i; });
    WallGrid.usable = true;
}

// The grid for the current floor plan, rebuilt when the floor plan is another one.
const WallsRecord& CurrentGrid(const Segment* segs, int32_t count) {
    if (!WallGrid.built || WallGrid.store != World.OcclusionModel.store || WallGrid.segments != segs ||
        WallGrid.count != count)
        BuildGrid(segs, count);
    return WallGrid;
}

int PushPlainFrom(const Segment* segs, int32_t from, float target[3]) {
    int hit = 0;
    for (int32_t s = from; s >= 0; --s)
        if (CirclePushFromSegment(target, WALL_RADIUS, segs[s], target)) hit = 1;
    return hit;
}

// Where the segment from p to p + d crosses the wall, as a fraction of d (1 when it does not).
float Crossing(float px, float pz, float dx, float dz, const Segment& w) {
    const float ex = w.x2 - w.x1, ez = w.z2 - w.z1;
    const float denom = dx * ez - dz * ex;
    if (denom == 0.0f || !std::isfinite(denom)) return 1.0f;  // parallel, or a wall of zero length
    const float ax = w.x1 - px, az = w.z1 - pz;
    const float t = (ax * ez - az * ex) / denom;
    const float u = (ax * dz - az * dx) / denom;
    if (!(t >= 0.0f && t <= 1.0f && u >= 0.0f && u <= 1.0f)) return 1.0f;
    return t;
}

int32_t CellIndex(float v, float origin, float cell, int32_t n) {
    float f = (v - origin) / cell;
    if (!(f >= 0)) return f < 0 ? -1 : -2;  // -2: not a number
    if (f >= float(n)) return n;
    return int32_t(f);
}

}  // namespace

float FirstWallAlong(float x1, float z1, float x2, float z2) {
    int32_t count;
    const Segment* segs = Walls(count);
    if (!segs) return 1.0f;
    const float dx = x2 - x1, dz = z2 - z1;
    float first = 1.0f;
    const WallsRecord& g = CurrentGrid(segs, count);
    if (!g.usable || !(std::fabs(x1) <= GRID_MAX_COORD && std::fabs(z1) <= GRID_MAX_COORD &&
                       std::fabs(x2) <= GRID_MAX_COORD && std::fabs(z2) <= GRID_MAX_COORD)) {
        for (int32_t i = 0; i < count; ++i) first = std::min(first, Crossing(x1, z1, dx, dz, segs[i]));
        return first;
    }
    if (g.nx == 0) return 1.0f;  // zero-length walls only
    // Every cell the segment's box touches (a wall crossing it lies in one of them).
    int32_t cx0 = std::max(0, CellIndex(std::min(x1, x2), g.minX, g.cell, g.nx));
    int32_t cx1 = std::min(g.nx - 1, CellIndex(std::max(x1, x2), g.minX, g.cell, g.nx));
    int32_t cz0 = std::max(0, CellIndex(std::min(z1, z2), g.minZ, g.cell, g.nz));
    int32_t cz1 = std::min(g.nz - 1, CellIndex(std::max(z1, z2), g.minZ, g.cell, g.nz));
    for (int32_t cz = cz0; cz <= cz1; ++cz)
        for (int32_t cx = cx0; cx <= cx1; ++cx) {
            size_t c = size_t(cz) * size_t(g.nx) + size_t(cx);
            for (int32_t k = g.start[c]; k < g.start[c + 1]; ++k)
                first = std::min(first, Crossing(x1, z1, dx, dz, segs[g.items[size_t(k)]]));
        }
    return first;
}

int PushFromWallsPlain(float target[3]) {
    int32_t count;
    const Segment* segs = Walls(count);
    if (!segs) return 0;
    return PushPlainFrom(segs, count - 1, target);
}

int PrepareWalls() {
    int32_t count;
    const Segment* segs = Walls(count);
    if (segs) CurrentGrid(segs, count);
    return 1;
}

int PushFromWalls(float target[3]) {
    int32_t count;
    const Segment* segs = Walls(count);
    if (!segs) return 0;
    const WallsRecord& g = CurrentGrid(segs, count);
    if (!g.usable) return PushPlainFrom(segs, count - 1, target);
    if (g.nx == 0) return 0;  // zero-length walls only
    const int32_t* items = g.items.data();
    int hit = 0;
    int32_t limit = count;  // walls below this index are still to be tested
    for (;;) {
        // Gather the cells around where the target stands now: at most 2 x 2 ascending lists, cut at
        // the limit and walked together from their ends, so each wall comes once, in descending order.
        const float x0 = target[0], z0 = target[2];
        int32_t cx0 = CellIndex(x0 - QUERY_MARGIN, g.minX, g.cell, g.nx);
        int32_t cx1 = CellIndex(x0 + QUERY_MARGIN, g.minX, g.cell, g.nx);
        int32_t cz0 = CellIndex(z0 - QUERY_MARGIN, g.minZ, g.cell, g.nz);
        int32_t cz1 = CellIndex(z0 + QUERY_MARGIN, g.minZ, g.cell, g.nz);
        if (cx0 == -2 || cx1 == -2 || cz0 == -2 || cz1 == -2) return PushPlainFrom(segs, limit - 1, target) | hit;
        if (cx1 < 0 || cz1 < 0 || cx0 >= g.nx || cz0 >= g.nz) return hit;  // no wall anywhere near
        cx0 = std::max(cx0, 0), cz0 = std::max(cz0, 0);
        cx1 = std::min(cx1, g.nx - 1), cz1 = std::min(cz1, g.nz - 1);
        int32_t lo[4], hi[4], lists = 0;
        for (int32_t cz = cz0; cz <= cz1; ++cz)
            for (int32_t cx = cx0; cx <= cx1; ++cx) {
                size_t c = size_t(cz) * size_t(g.nx) + size_t(cx);
                lo[lists] = g.start[c];
                hi[lists] = int32_t(std::lower_bound(items + g.start[c], items + g.start[c + 1], limit) - items);
                ++lists;
            }
        bool moved = false;
        for (;;) {
            int32_t best = -1;
            for (int k = 0; k < lists; ++k)
                if (hi[k] > lo[k]) best = std::max(best, items[hi[k] - 1]);
            if (best < 0) break;
            for (int k = 0; k < lists; ++k)
                if (hi[k] > lo[k] && items[hi[k] - 1] == best) --hi[k];
            if (!CirclePushFromSegment(target, WALL_RADIUS, segs[best], target)) continue;
            hit = 1;
            if (!(std::fabs(target[0] - x0) <= MAX_DRIFT && std::fabs(target[2] - z0) <= MAX_DRIFT)) {
                // Pushed beyond the gathered neighbourhood: gather again around the new position for
                // the walls below this one.
                limit = best;
                moved = true;
                break;
            }
        }
        if (!moved) return hit;
    }
}
