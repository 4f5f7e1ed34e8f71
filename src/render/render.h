// The renderer's state: the two switches of the console, the column occlusion buffer and the trig tables.
#pragma once
#include <cstdint>
#include <vector>

struct RenderRecord {
    uint8_t AutomapShown = 0;      // the overhead map is drawn over the level (Tab, with AUTOMAP set)
    uint8_t AutomapHeadingUp = 0;  // 1: the map turns with the player; 0: north (+z) up ("MAPROTATE")
    // The column occlusion buffer: ColumnBufferSize entries (SCREENX + 1 once allocated, the last one a
    // guard), null before the first allocation.
    float* ColumnBuffer = nullptr;
    int32_t ColumnBufferSize = 0;
    std::vector<float> ColumnStore;  // what ColumnBuffer points into
    // The overhead map's list of the walls near the player (kept between frames: no allocation per frame).
    std::vector<int32_t> MapScratch;
    // sin and cos of -i degrees for i = 0..360 (so SinTable[i] = -sin i, CosTable[i] = cos i).
    float SinTable[361] = {};
    float CosTable[361] = {};
};
extern RenderRecord Render;
