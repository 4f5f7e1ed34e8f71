// Fuzz target for network play's messages: the input is read as datagrams, first on the host (as from a
// player's peer), then on a player (as from the host): a length byte then that many bytes, in turn. The
// records a player accepts are then run, so what they say (levels, joins, leaves) is played too.
#include <cstdint>
#include <cstring>

#include "../tests/support/scratch.h"
#include "app/app.h"
#include "console/console.h"
#include "core/program.h"
#include "core/settings.h"
#include "game/world.h"
#include "net/netplay.h"
#include "platform/headless/headless.h"
#include "render/video.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static ScratchDir dir(ScratchDir::Enter, "fuzz-net");
    ConsoleInit();
    InitVideo();
    RegisterGameFont();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Settings = SettingsRecord{};
    Program = ProgramRecord{};
    ResetWorld();
    ResetPlayer();
    for (int side = 0; side < 2; ++side) {
        ResetNetPlay();
        size_t at = 0;
        while (at < size) {
            const size_t n = data[at] < size - at - 1 ? data[at] : size - at - 1;
            NetPlayFeed(side == 0, data + at + 1, n);
            at += 1 + n;
        }
        // What a player took in runs as the host ordered it, a few ticks of it.
        for (int pass = 0; side == 1 && pass < 16 && NetPlayRunning(); ++pass) {
            HeadlessAdvanceClock(6);
            RunTimers();
        }
    }
    ResetNetPlay();
    return 0;
}
