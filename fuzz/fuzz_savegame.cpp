// Fuzz target for saved games: the input is read as a save file as it stands, and once more with a right
// checksum line put in after its first line (so that the header and the records behind the checksum are
// reached); that second form is also loaded from slot 0 as LOADGAME 0 would, over a small level whose
// name a save may give ("level level.lvl", with no "file" lines).

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "../tests/support/dxf.h"
#include "../tests/support/scratch.h"
#include "app/app.h"
#include "app/savegame.h"
#include "core/program.h"
#include "core/settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static ScratchDir dir(ScratchDir::Enter, "fuzz-save");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    const float face[12] = {0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    WriteFile("box.dxf", DxfFace(face));
    WriteFile("box.mdl", "FRAMES=1\rSCALE=2\rFRAME0=box.dxf\r");
    WriteFile("thing.obj", "MODELS=1\rMODEL0=box.mdl\rTYPE=11\rDEFHEALTH=50\r");
    WriteFile("level.lvl", "MAP=box.dxf\rOBJECTS=2\rOBJECT0=thing.obj;1;1\rOBJECT1=thing.obj;2;2\r");
    Settings.SAVEGAMES = 1;
    std::filesystem::create_directories(SaveFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SaveGameData raw;
    std::string why;
    ParseSaveGame(data, size, &raw, &why);

    const uint8_t* nl = static_cast<const uint8_t*>(memchr(data, '\n', size));
    const size_t head = nl ? size_t(nl - data) + 1 : size;
    char sum[40];
    snprintf(sum, sizeof sum, "checksum %016" PRIx64 "\n", SaveChecksum(data + head, size - head));
    std::string fixed(reinterpret_cast<const char*>(data), head);
    fixed += sum;
    fixed.append(reinterpret_cast<const char*>(data + head), size - head);
    SaveGameData d;
    ParseSaveGame(reinterpret_cast<const uint8_t*>(fixed.data()), fixed.size(), &d, &why);

    WriteFile(SaveSlotPath(0), fixed);
    LoadGame(0);
    Program.GameState = GS_MENU;
    return 0;
}
