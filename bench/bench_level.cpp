// Benchmark: the time to playable of a level with the most objects a level file can place, six weapons
// and a 20 000-segment map.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/settings.h"
#include "defs/level.h"
#include "render/video.h"

namespace {

void Write(const std::string& name, const std::string& bytes) {
    FILE* f = fopen(name.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string Face(float x, float z, float s) {
    char buf[512];
    snprintf(buf, sizeof buf,
             "0\n3DFACE\n10\n%g\n20\n0\n30\n%g\n11\n%g\n21\n0\n31\n%g\n12\n%g\n22\n3\n32\n%g\n13\n%g\n23\n3\n33\n%g\n",
             x, z, x + s, z, x + s, z + s * 0.5f, x, z + s * 0.5f);
    return buf;
}

void SetUpFiles() {
    std::string dir = "/tmp/zarvo_bench_level_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    if (chdir(dir.c_str()) != 0) return;
    std::string map;
    for (int i = 0; i < 5000; ++i) map += Face(float(i % 100) * 2.0f, float(i / 100) * 2.0f, 1.5f);
    Write("map.dxf", map + "0\nEOF\n");
    std::string cube;
    for (int i = 0; i < 6; ++i) cube += Face(float(i), 0, 1);
    Write("cube.dxf", cube);
    Write("cube.mdl", "FRAMES=5\rFRAME0=cube.dxf\rFRAME1=cube.dxf\rFRAME2=cube.dxf\rFRAME3=cube.dxf\rFRAME4=cube.dxf\r");
    Write("monster.obj", "MODELS=4\rMODEL0=cube.mdl\rMODEL1=cube.mdl\rMODEL2=cube.mdl\rMODEL3=cube.mdl\rTYPE=10\r"
                         "DEFHEALTH=50\r");
    Write("gun.wpn", "DAMAGE=10\rRELOADTIME=5\rMODELS=2\rMODEL0=cube.mdl\rMODEL1=cube.mdl\r");
    std::string ars = "WEAPONS=6\rMISSILE=monster.obj\r";
    for (int i = 0; i < 6; ++i) ars += "WEAPON" + std::to_string(i) + "=gun.wpn\r";
    Write("ars.ars", ars);
    std::string level = "MAP=map.dxf\rARSENAL=ars.ars\rRESETPLAYER=1\rOBJECTS=251\r";
    for (int i = 0; i < 251; ++i) level += "OBJECT" + std::to_string(i) + "=monster.obj;" + std::to_string(i % 50) + ";3\r";
    Write("level.lvl", level);
}

void BM_LoadLevel(benchmark::State& state) {
    static bool ready = false;
    if (!ready) {
        SetUpFiles();
        InitVideo();
        RegisterGameFont();
        ready = true;
    }
    for (auto _ : state) benchmark::DoNotOptimize(LoadLevel("level.lvl"));
}
BENCHMARK(BM_LoadLevel)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
