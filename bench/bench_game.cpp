// Simulation benchmarks: GameStep with 255 monsters and a 20 000-segment floor plan, the wall pushes
// with and without the grid, and MonsterThink for 255 monsters.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "../tests/support/walls.h"
#include "app/app.h"
#include "core/random.h"
#include "game/monsters.h"
#include "game/tick.h"
#include "game/walls.h"
#include "game/world.h"
#include "platform/headless/headless.h"
#include "render/passes.h"

namespace {

enum Map { MAP_ROOMS = 0, MAP_SCATTERED = 1 };

// 20 000 wall segments: rooms, the outlines of 5000 small boxes on a 2-unit pitch over 200 x 100; or
// scattered, 20 000 short walls at random over 400 x 400.
void MakeWalls(int map) {
    std::vector<Segment> walls;
    std::mt19937 rng(3);
    if (map == MAP_ROOMS) {
        for (int i = 0; i < 5000; ++i) {
            float x = float(i % 100) * 2.0f, z = float(i / 100) * 2.0f;
            float x2 = x + 1.5f, z2 = z + 0.75f;
            walls.push_back(Wall(x, z, x2, z));
            walls.push_back(Wall(x2, z, x2, z2));
            walls.push_back(Wall(x2, z2, x, z2));
            walls.push_back(Wall(x, z2, x, z));
        }
    } else {
        std::uniform_real_distribution<float> u(0, 400), s(-2, 2);
        for (int i = 0; i < 20000; ++i) {
            float x = u(rng), z = u(rng);
            walls.push_back({x, 0, z, x + s(rng), 0, z + s(rng)});
        }
    }
    SetWalls(walls);
}

// The player and 255 monsters spread over the map. firing: 0 none, 1 every other monster with a
// 10-tick reload, 2 every monster on every tick. Shots do no damage, so the scene stays the same.
void MakeWorld(int map, int firing) {
    ResetWorld();
    MakeWalls(map);
    PrepareWalls();
    Program.GameState = GS_PLAYING;
    World.ExitPoint[0] = World.ExitPoint[1] = -1000;
    const float half[3] = {0.5f, 0.5f, 0.5f};
    const float w = map == MAP_ROOMS ? 200 : 400, h = map == MAP_ROOMS ? 100 : 400;
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> ux(0, w), uz(0, h);
    std::uniform_int_distribution<int> ua(0, 359);
    ObjectRecord& p = World.ObjectTable[0];
    p.state = 1, p.health = INT32_MAX, p.radius = 0.5f;
    MakeBoxModel(p.models[0], half);
    p.pos[0] = w / 2, p.pos[2] = h / 2;
    p.controls.forward = 1;
    World.WeaponTable[WPN_GUN].damage = 0;
    World.WeaponTable[WPN_GUN].reloadTime = firing == 2 ? 0 : 10;
    for (int i = 1; i < OBJECT_COUNT; ++i) {
        ObjectRecord& m = World.ObjectTable[i];
        m.state = AI_PATROL, m.type = uint8_t(10 + i % 4), m.health = 100, m.radius = 0.5f;
        MakeBoxModel(m.models[0], half);
        m.pos[0] = ux(rng), m.pos[2] = uz(rng), m.angles[1] = ua(rng);
        m.weapon = WPN_GUN;
        m.controls.forward = 1;
        m.controls.turnLeft = i % 3 == 0;
        m.controls.fire = firing == 2 || (firing == 1 && i % 2 == 0);
    }
}

void BM_GameStep(benchmark::State& state) {
    MakeWorld(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        GameStep();
        benchmark::DoNotOptimize(World.ObjectTable[1].pos[0]);
    }
    state.SetLabel(state.range(0) == MAP_ROOMS ? "rooms" : "scattered");
}
BENCHMARK(BM_GameStep)
    ->ArgsProduct({{MAP_ROOMS, MAP_SCATTERED}, {0, 1, 2}})
    ->ArgNames({"map", "firing"})
    ->Unit(benchmark::kMicrosecond);

// The wall pushes alone for 256 movers, through the grid and through the plain loop.
void BM_WallPushes(benchmark::State& state) {
    MakeWorld(int(state.range(0)), 0);
    const bool grid = state.range(1) != 0;
    for (auto _ : state) {
        for (int i = 0; i < OBJECT_COUNT; ++i) {
            float t[3] = {World.ObjectTable[i].pos[0] + 0.02f, 0, World.ObjectTable[i].pos[2]};
            benchmark::DoNotOptimize(grid ? PushFromWalls(t) : PushFromWallsPlain(t));
        }
    }
    state.SetLabel(grid ? "grid" : "plain");
}
BENCHMARK(BM_WallPushes)
    ->ArgsProduct({{MAP_ROOMS, MAP_SCATTERED}, {1, 0}})
    ->ArgNames({"map", "grid"})
    ->Unit(benchmark::kMicrosecond);

// One decision for each of 255 monsters in mixed states, the player near enough to be seen by some.
void BM_MonsterThink(benchmark::State& state) {
    MakeWorld(MAP_SCATTERED, 0);
    static const int states[] = {AI_SENTRY, AI_SEEK, AI_EVADE, AI_PATROL, AI_ATTACK, AI_FRENZY};
    for (int i = 1; i < OBJECT_COUNT; ++i) {
        ObjectRecord& m = World.ObjectTable[i];
        m.pos[0] = World.ObjectTable[0].pos[0] + float(i % 16) - 8;
        m.pos[2] = World.ObjectTable[0].pos[2] + float(i / 16) - 8;
        m.state = uint8_t(states[i % 6]);
        m.thinkTime = 1;
    }
    SeedRandom(1);
    HeadlessSetClock(10000);
    for (auto _ : state) {
        HeadlessAdvanceClock(25);
        MonsterThink(PlatformTicksMs());  // the mix of states wanders through the machine's transitions
    }
}
BENCHMARK(BM_MonsterThink)->Unit(benchmark::kMicrosecond);

}  // namespace
