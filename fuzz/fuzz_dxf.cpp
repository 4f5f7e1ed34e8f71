// Fuzz target for the DXF reader: any bytes load cleanly, and the hashed and pairwise searches agree.
// Bit 0 of the first byte asks for the floor plan. With bit 1 set the rest of the input is not the file
// itself but picks its lines from a small vocabulary of codes, entity names and values, so that the
// pair reading (codes taking their values, entities started, ended short or restarted, names inside
// values, lines outside any pair, an unterminated last line) is reached at once.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../tests/support/scratch.h"
#include "model/dxf.h"

namespace {

const char* const kLines[32] = {"0",  "3DFACE", "3DLINE", "10",     "20",  "30",      "11",   "21",
                                "31", "12",     "22",     "32",     "13",  "23",      "33",   "0",
                                "5",  "8",      "62",     "370",    "1.5", "-2",      "nan",  "x",
                                "",   " 1 0 ",  "3dface", "SEQEND", "100", "3D FACE", "1e39", "0"};

// Each byte is one line: bits 0-4 the vocabulary entry, bit 5 a CR before the LF, bit 6 a coordinate
// value instead of the entry, bit 7 on the last byte leaves the line unterminated.
std::string LinesFrom(const uint8_t* data, size_t size) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        uint8_t b = data[i];
        if (b & 0x40)
            text += std::to_string(int(b & 0x1F) - 8);
        else
            text += kLines[b & 0x1F];
        if (i + 1 == size && (b & 0x80)) break;
        text += (b & 0x20) ? "\r\n" : "\n";
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchPath("input.dxf");
    const int floorPlanOnly = size > 0 && (data[0] & 1);
    std::string text = size > 0 && (data[0] & 2) ? LinesFrom(data + 1, size - 1)
                                                 : std::string(reinterpret_cast<const char*>(data), size);
    if (!WriteFile(path, text)) return 0;
    Mesh fast;
    int a = LoadMesh(fast, path.c_str(), floorPlanOnly);
    if (text.size() < 16384) {
        Mesh slow;
        int b = LoadMeshQuadratic(slow, path.c_str(), floorPlanOnly);
        if (a != b || fast.count != slow.count ||
            (fast.count && std::memcmp(fast.segments, slow.segments, sizeof(Segment) * size_t(fast.count)) != 0))
            std::abort();
    }
    if (a) ScaleMesh(fast, 2.0f);
    return 0;
}
