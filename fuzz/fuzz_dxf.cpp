// Fuzz target for the DXF reader: any bytes load cleanly, and the hashed and pairwise searches agree.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/dxf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/zarvo_fuzz_dxf_" + std::to_string(getpid()) + ".dxf";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    const int floorPlanOnly = size > 0 && (data[0] & 1);
    Mesh fast;
    int a = LoadMesh(fast, path.c_str(), floorPlanOnly);
    if (size < 16384) {
        Mesh slow;
        int b = LoadMeshQuadratic(slow, path.c_str(), floorPlanOnly);
        if (a != b || fast.count != slow.count ||
            (fast.count && std::memcmp(fast.segments, slow.segments, sizeof(Segment) * size_t(fast.count)) != 0))
            std::abort();
    }
    if (a) ScaleMesh(fast, 2.0f);
    return 0;
}
