// Fuzz target for the demo player: the input is a recording (its "zarvo-demo 1" line added when it does
// not start with one, so that the lines behind it are reached); it is started, replayed for at most 300
// passes of the main loop over an empty world, and finished, whatever its lines say.
#include <cstdint>
#include <string>
#include <string_view>

#include "../tests/support/scratch.h"
#include "app/app.h"
#include "console/console.h"
#include "core/settings.h"
#include "demo/demo.h"
#include "game/world.h"
#include "input/input.h"
#include "platform/headless/headless.h"
#include "render/video.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static ScratchDir dir(ScratchDir::Enter, "fuzz-demo");
    ConsoleInit();
    InitVideo();
    RegisterGameFont();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (text.rfind("zarvo-demo", 0) != 0) text = "zarvo-demo 1\n" + text;
    WriteFile("input.zdemo", text);

    Settings = SettingsRecord{};
    Program = ProgramRecord{};
    ResetWorld();
    ResetPlayer();
    InputShutdown();
    Input = InputRecord{};
    DemoPlayOptions options;
    options.setClock = HeadlessSetClock;
    char err[300];
    if (!DemoPlayStart("input.zdemo", options, err, sizeof err)) return 0;
    DemoPlaybackApplySettings();
    ChangeResolution();
    InputInit();
    ResetTimers();
    for (int pass = 0; pass < 300 && DemoPlaying(); ++pass) {
        DemoPlaybackBeginPass();
        RunTimers();
    }
    DemoPlaybackFinish();
    char report[400];
    DemoPlaybackResult(report, sizeof report);
    DemoPlayStop();
    return 0;
}
