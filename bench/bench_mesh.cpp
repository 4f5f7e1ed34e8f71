// LoadMesh with the hashed duplicate search against the plain pairwise search, on 1k/10k/100k segments.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/support/dxf.h"
#include "../tests/support/scratch.h"
#include "model/dxf.h"

namespace {

// A terrain-like drawing: a grid of quads written as 3DFACEs, so neighbouring faces repeat their shared
// edges reversed (about half of all candidates are duplicates). Returns the path of a file holding about
// `segments` distinct segments, written once a run.
std::string Drawing(int segments) {
    std::string path = ScratchPath("drawing_" + std::to_string(segments) + ".dxf");
    if (FileExists(path)) return path;
    // An n x n grid of quads has 2 n (n + 1) distinct edges.
    int n = 1;
    while (2 * (n + 1) * (n + 2) <= segments) ++n;
    std::string faces;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            float x0 = i * 0.5f, z0 = j * 0.5f, x1 = x0 + 0.5f, z1 = z0 + 0.5f;
            float y00 = float((i * 7 + j * 3) % 5), y10 = float(((i + 1) * 7 + j * 3) % 5);
            float y11 = float(((i + 1) * 7 + (j + 1) * 3) % 5), y01 = float((i * 7 + (j + 1) * 3) % 5);
            const float c[12] = {x0, y00, z0, x1, y10, z0, x1, y11, z1, x0, y01, z1};
            faces += DxfFace(c, "ground");
        }
    WriteFile(path, DxfDrawing(faces));
    return path;
}

void BM_LoadMeshHashed(benchmark::State& state) {
    std::string path = Drawing(int(state.range(0)));
    Mesh m;
    for (auto _ : state) benchmark::DoNotOptimize(LoadMesh(m, path.c_str(), 0));
    state.counters["segments"] = m.count;
}

void BM_LoadMeshQuadratic(benchmark::State& state) {
    std::string path = Drawing(int(state.range(0)));
    Mesh m;
    for (auto _ : state) benchmark::DoNotOptimize(LoadMeshQuadratic(m, path.c_str(), 0));
    state.counters["segments"] = m.count;
}

}  // namespace

BENCHMARK(BM_LoadMeshHashed)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMeshQuadratic)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMeshQuadratic)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
