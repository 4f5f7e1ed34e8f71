// Fuzz target for the level, arsenal, object-type, weapon and menu-item loaders: the input is split at
// 0x01 bytes into the texts of a level file, an object file, an arsenal, a weapon and an items file,
// which name each other and a small fixed drawing; then the level and the items are loaded, and the
// author's check reads the level's files again and walks what loaded.

#include <cstdint>
#include <cstdio>
#include <string>

#include "../tests/support/dxf.h"
#include "../tests/support/scratch.h"
#include "app/app.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "runner/check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static ScratchDir dir(ScratchDir::Enter, "fuzz-level");
    const float face[12] = {0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    WriteFile("box.dxf", DxfFace(face));
    WriteFile("box.mdl", "FRAMES=1\rSCALE=2\rFRAME0=box.dxf\r");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kNames[] = {"level.lvl", "a.obj", "ars.ars", "w.wpn", "m.itm"};
    std::string parts[5];
    int part = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 1 && part < 4) {
            ++part;
            continue;
        }
        parts[part] += char(data[i]);
    }
    for (int i = 0; i < 5; ++i) WriteFile(kNames[i], parts[i]);
    LoadLevel("level.lvl");
    CheckLoadedLevel("level.lvl", {"Failed to loead file", "x refused: y"});
    LoadMenuItems("m.itm");
    Program.GameState = GS_MENU;
    return 0;
}
