// LoadMesh with the hashed duplicate search against the plain pairwise search, on 1k/10k/100k segments.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "model/dxf.h"

namespace {

// A terrain-like drawing: a grid of quads written as 3DFACEs, so neighbouring faces repeat their shared
// edges reversed (about half of all candidates are duplicates), plus a few 3DLINEs. Returns the path
// of a file holding about `segments` distinct segments.
std::string Drawing(int segments) {
    std::string path = (std::filesystem::temp_directory_path() / ("zarvo_bench_" + std::to_string(segments) + ".dxf"))
                           .string();
    if (std::filesystem::exists(path)) return path;
    FILE* f = std::fopen(path.c_str(), "w");
    // An n x n grid of quads has 2 n (n + 1) distinct edges.
    int n = 1;
    while (2 * (n + 1) * (n + 2) <= segments) ++n;
    std::fprintf(f, "0\nSECTION\n2\nENTITIES\n");
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            float x0 = i * 0.5f, z0 = j * 0.5f, x1 = x0 + 0.5f, z1 = z0 + 0.5f;
            float y00 = float((i * 7 + j * 3) % 5), y10 = float(((i + 1) * 7 + j * 3) % 5);
            float y11 = float(((i + 1) * 7 + (j + 1) * 3) % 5), y01 = float((i * 7 + (j + 1) * 3) % 5);
            std::fprintf(f,
                         "0\n3DFACE\n8\nground\n10\n%g\n20\n%g\n30\n%g\n11\n%g\n21\n%g\n31\n%g\n"
                         "12\n%g\n22\n%g\n32\n%g\n13\n%g\n23\n%g\n33\n%g\n",
                         x0, y00, z0, x1, y10, z0, x1, y11, z1, x0, y01, z1);
        }
    std::fprintf(f, "0\nENDSEC\n0\nEOF\n");
    std::fclose(f);
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
