// Rasteriser and frame benchmarks: DrawLine against memset, and the line passes of a full level frame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../tests/support/dxf.h"
#include "../tests/support/scratch.h"
#include "../tests/support/walls.h"
#include "app/app.h"
#include "app/settings.h"
#include "game/world.h"
#include "model/model.h"
#include "render/aids.h"
#include "render/passes.h"
#include "render/raster.h"
#include "render/video.h"

namespace {

struct Lines {
    std::vector<int> ends;  // x1, y1, x2, y2 per line
    long long pixels = 0;
};

// Random lines across a 1024 x 768 screen: the pixel count of each is max(|dx|, |dy|) + 1.
Lines MakeLines(int count) {
    Lines l;
    std::mt19937 rng(7);
    for (int i = 0; i < count; ++i) {
        int x1 = rng() % 1024, y1 = rng() % 768, x2 = rng() % 1024, y2 = rng() % 768;
        l.ends.insert(l.ends.end(), {x1, y1, x2, y2});
        l.pixels += std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1;
    }
    return l;
}

void BM_DrawLine(benchmark::State& state) {
    Settings.SCREENX = 1024, Settings.SCREENY = 768;
    static const Lines lines = MakeLines(1000);
    std::vector<uint8_t> frame(1024 * 768);
    std::vector<float> column(1025, -20.0f);
    const int depthTest = int(state.range(0));
    for (auto _ : state) {
        for (size_t i = 0; i < lines.ends.size(); i += 4)
            DrawLine(lines.ends[i], lines.ends[i + 1], -5, lines.ends[i + 2], lines.ends[i + 3], -6, uint8_t(i),
                     frame.data(), 1024, column.data(), depthTest);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(state.iterations() * lines.pixels);
}
BENCHMARK(BM_DrawLine)->Arg(0)->Arg(1);

// The physical ceiling: writing the same number of bytes with memset.
void BM_MemsetSameBytes(benchmark::State& state) {
    static const Lines lines = MakeLines(1000);
    std::vector<uint8_t> frame(size_t(lines.pixels));
    for (auto _ : state) {
        std::memset(frame.data(), int(state.iterations() & 0xFF), frame.size());
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(state.iterations() * lines.pixels);
}
BENCHMARK(BM_MemsetSameBytes);

// A level of 20 000 segments: 5 000 wall pieces (floor line, top line, two posts) over a 160 x 160
// area around the player, and 255 objects with a 12-edge box model placed in view.
void BuildScene() {
    static bool built = false;
    if (built) return;
    built = true;
    const std::string map = ScratchPath("level.dxf"), box = ScratchPath("box.dxf");
    std::string text;
    std::mt19937 rng(11);
    for (int i = 0; i < 5000; ++i) {
        float x = float(rng() % 16000) / 100 - 80, z = float(rng() % 16000) / 100 - 80;
        float x2 = (rng() & 1) ? x + 2 : x, z2 = (x2 == x) ? z + 2 : z;
        text += DxfLine(x, 0, z, x2, 0, z2) + DxfLine(x, -2, z, x2, -2, z2) + DxfLine(x, 0, z, x, -2, z) +
                DxfLine(x2, 0, z2, x2, -2, z2);
    }
    WriteFile(map, text);
    text.clear();
    const float c[8][3] = {{-.3f, 0, -.3f},    {.3f, 0, -.3f},    {.3f, 0, .3f},    {-.3f, 0, .3f},
                           {-.3f, -.6f, -.3f}, {.3f, -.6f, -.3f}, {.3f, -.6f, .3f}, {-.3f, -.6f, .3f}};
    const int e[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                          {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (auto& k : e) text += DxfLine(c[k[0]][0], c[k[0]][1], c[k[0]][2], c[k[1]][0], c[k[1]][1], c[k[1]][2]);
    WriteFile(box, text);

    BuildTrigTables();
    LoadSingleFrameModel(World.LevelModel, map.c_str(), 0);
    LoadSingleFrameModel(World.OcclusionModel, map.c_str(), 1);
    ObjectRecord& player = World.ObjectTable[0];
    player.state = 1;
    player.health = 100;
    player.weapon = WPN_GUN;
    player.ammo[WPN_GUN] = 20;
    Model boxModel;
    LoadSingleFrameModel(boxModel, box.c_str(), 0);
    for (int i = 1; i < 256; ++i) {
        ObjectRecord& r = World.ObjectTable[i];
        r.state = 1;
        r.type = uint8_t(i % 2 ? 10 : 3);
        r.models[0] = boxModel;  // shared geometry
        r.pos[0] = float((i % 15) - 7) * 0.8f;
        r.pos[2] = 2.0f + float(i / 15) * 0.7f;
        r.angles[1] = (i * 23) % 360;
    }
    World.WeaponTable[WPN_GUN].models[0] = boxModel;
    World.WeaponTable[WPN_GUN].screenPos[0] = 0.4f;
    World.WeaponTable[WPN_GUN].screenPos[1] = 0.5f;
    World.WeaponTable[WPN_GUN].screenPos[2] = 1.5f;
}

void BM_LevelFrame(benchmark::State& state) {
    Settings.SCREENX = int32_t(state.range(0));
    Settings.SCREENY = int32_t(state.range(1));
    Settings.SCREENBPP = 8;
    Program.AppActive = 1;
    Program.GameState = GS_PLAYING;
    if (!VideoReady()) {
        InitVideo();
        RegisterGameFont();
    }
    ChangeResolution();
    BuildScene();
    AllocateColumnBuffer();
    // The player turns a degree each frame, as in play: no frame is the one before it.
    int32_t& heading = World.ObjectTable[0].angles[1];
    for (auto _ : state) {
        heading = heading == 0 ? 1 : 0;
        ClearBackBuffer(0);
        LockBackBuffer();
        DrawLevelPass();
        DrawObjectPass();
        DrawViewPass();
        DrawHud();
        UnlockBackBuffer();
        PresentFrame();
    }
    heading = 0;
    state.counters["levelSegments"] = World.LevelModel.frames ? World.LevelModel.frames[0].count : 0;
}
BENCHMARK(BM_LevelFrame)
    ->Args({1024, 768})
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The line passes alone (no clear, no present), to separate the renderer's share of a frame.
void BM_LinePassesOnly(benchmark::State& state) {
    Settings.SCREENX = int32_t(state.range(0));
    Settings.SCREENY = int32_t(state.range(1));
    Settings.SCREENBPP = 8;
    Program.AppActive = 1;
    if (!VideoReady()) InitVideo();
    ChangeResolution();
    BuildScene();
    AllocateColumnBuffer();
    ClearBackBuffer(0);
    LockBackBuffer();
    for (auto _ : state) {
        DrawLevelPass();
        DrawObjectPass();
        DrawViewPass();
    }
    UnlockBackBuffer();
}
BENCHMARK(BM_LinePassesOnly)->Args({1024, 768})->Args({640, 480})->Unit(benchmark::kMicrosecond);

// The overhead map over a floor plan of 20 000 walls, 2 units long, spread over 160 x 160 units around
// the player (a quarter of them within its 40-unit reach), at 1024 x 768, with the monsters shown:
// hidden (0), north up (1), turned with the player (2).
void BM_Automap(benchmark::State& state) {
    Settings.SCREENX = 1024;
    Settings.SCREENY = 768;
    Settings.SCREENBPP = 8;
    Settings.AUTOMAP = 2;
    Program.AppActive = 1;
    Program.GameState = GS_PLAYING;
    if (!VideoReady()) InitVideo();
    ChangeResolution();
    BuildScene();
    std::vector<Segment> walls;
    std::mt19937 rng(13);
    std::uniform_real_distribution<float> at(-80, 80), dir(0, 6.2831853f);
    for (int i = 0; i < 20000; ++i) {
        const float x = at(rng), z = at(rng), a = dir(rng);
        walls.push_back(Wall(x, z, x + 2 * std::cos(a), z + 2 * std::sin(a)));
    }
    SetWalls(walls);
    World.ObjectTable[0].pos[0] = 0.5f, World.ObjectTable[0].pos[2] = -0.25f;
    World.ObjectTable[0].angles[1] = 37;
    Render.AutomapShown = state.range(0) != 0;
    Render.AutomapHeadingUp = state.range(0) == 2;
    ClearBackBuffer(0);
    LockBackBuffer();
    for (auto _ : state) DrawAutomap();
    UnlockBackBuffer();
    Render.AutomapShown = Render.AutomapHeadingUp = 0;
    Settings.AUTOMAP = 0;
    state.counters["walls"] = double(walls.size());
}
BENCHMARK(BM_Automap)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
