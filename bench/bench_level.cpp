// Benchmark: the time to playable of a level with the most objects a level file can place, six weapons
// and a 20 000-segment map; and the author's check of that level once it has loaded.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "../tests/support/dxf.h"
#include "../tests/support/scratch.h"
#include "app/settings.h"
#include "defs/level.h"
#include "render/video.h"
#include "runner/check.h"

namespace {

// A wall piece s wide and 3 high from (x, z), leaning half its width in z.
std::string Face(float x, float z, float s) {
    const float c[12] = {x, 0, z, x + s, 0, z, x + s, 3, z + s * 0.5f, x, 3, z + s * 0.5f};
    return DxfFace(c);
}

void SetUpFiles() {
    static ScratchDir dir(ScratchDir::Enter, "bench-level");
    std::string map;
    for (int i = 0; i < 5000; ++i) map += Face(float(i % 100) * 2.0f, float(i / 100) * 2.0f, 1.5f);
    WriteFile("map.dxf", map + kDxfEof);
    std::string cube;
    for (int i = 0; i < 6; ++i) cube += Face(float(i), 0, 1);
    WriteFile("cube.dxf", cube);
    WriteFile("cube.mdl",
              "FRAMES=5\rFRAME0=cube.dxf\rFRAME1=cube.dxf\rFRAME2=cube.dxf\rFRAME3=cube.dxf\rFRAME4=cube.dxf\r");
    WriteFile("monster.obj",
              "MODELS=4\rMODEL0=cube.mdl\rMODEL1=cube.mdl\rMODEL2=cube.mdl\rMODEL3=cube.mdl\rTYPE=10\r"
              "DEFHEALTH=50\r");
    WriteFile("gun.wpn", "DAMAGE=10\rRELOADTIME=5\rMODELS=2\rMODEL0=cube.mdl\rMODEL1=cube.mdl\r");
    std::string ars = "WEAPONS=6\rMISSILE=monster.obj\r";
    for (int i = 0; i < 6; ++i) ars += "WEAPON" + std::to_string(i) + "=gun.wpn\r";
    WriteFile("ars.ars", ars);
    std::string level = "MAP=map.dxf\rARSENAL=ars.ars\rRESETPLAYER=1\rOBJECTS=251\r";
    for (int i = 0; i < 251; ++i)
        level += "OBJECT" + std::to_string(i) + "=monster.obj;" + std::to_string(i % 50) + ";3\r";
    WriteFile("level.lvl", level);
}

void Prepare() {
    static bool ready = false;
    if (ready) return;
    SetUpFiles();
    InitVideo();
    RegisterGameFont();
    ready = true;
}

void BM_LoadLevel(benchmark::State& state) {
    Prepare();
    for (auto _ : state) benchmark::DoNotOptimize(LoadLevel("level.lvl"));
}
BENCHMARK(BM_LoadLevel)->Unit(benchmark::kMillisecond)->Iterations(5);

// The file walk, the key checks and the walks of the floor plan (a grid of about 330 000 cells) with 251
// monsters to place.
void BM_CheckLevel(benchmark::State& state) {
    Prepare();
    LoadLevel("level.lvl");
    for (auto _ : state) benchmark::DoNotOptimize(CheckLoadedLevel("level.lvl", {}));
}
BENCHMARK(BM_CheckLevel)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
