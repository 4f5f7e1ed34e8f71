// Program set-up for the unit suites.
#include "test_util.h"

#include "app/app.h"
#include "app/dispatch.h"
#include "app/settings.h"
#include "app/stats.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/paths.h"
#include "defs/definition.h"
#include "defs/menu.h"
#include "demo/demo.h"
#include "game/animation.h"
#include "game/walls.h"
#include "game/world.h"
#include "input/input.h"
#include "net/netplay.h"
#include "platform/headless/headless.h"
#include "render/render.h"
#include "render/video.h"

void ResetProgram() {
    // Every record back to its start; the ones that hold a device (video, sound, music) are brought up or
    // kept up by their own start-up calls below and in the fixtures.
    ResetDemo();
    Settings = SettingsRecord{};
    Config = ConfigRecord{};
    Program = ProgramRecord{};
    Stats = StatsRecord{};
    Log = LogRecord{};
    SetWriteDirectory("");
    Console = ConsoleRecord{};
    ConsoleInit();
    InstallConsolePrinting();
    Menu = MenuRecord{};
    ResetDefinitions();
    ResetAnimation();
    ResetNetPlay();  // network play off, and the players' record with it
    ResetWorld();
    WallGrid = WallsRecord{};
    Render.AutomapShown = Render.AutomapHeadingUp = 0;
    HeadlessReleaseAllKeys();
    HeadlessSetDisplay(0, 0, 0);  // the runner's: no display
    InputShutdown();
    Input = InputRecord{};
    InputInit();
    if (!VideoReady()) InitVideo();
    ChangeResolution();
    if (!GameFontPath()[0]) RegisterGameFont();
    // The pointer starts at the centre of the screen, as start-up puts it.
    Input.PointerX = Settings.SCREENX / 2;
    Input.PointerY = Settings.SCREENY / 2;
}

void ResetRenderSwitches() { Settings.ZBUFFER = Settings.SHADING = 1; }  // as at start-up

std::string ConsoleText(int slot) { return reinterpret_cast<const char*>(Console.ConsoleBuffer[slot] + 4); }

bool ConsoleShows(const std::string& text) {
    for (int slot = 0; slot < CONSOLE_HISTORY_SLOTS; ++slot)
        if (ConsoleText(slot) == text) return true;
    return false;
}

std::vector<std::string> LinesAfter(const char* marker) {
    std::vector<std::string> lines;
    for (int slot = CONSOLE_INPUT_SLOT - 1; slot >= 0; --slot) {
        std::string text = ConsoleText(slot);
        if (text == marker) break;
        lines.insert(lines.begin(), text);
    }
    return lines;
}

std::vector<int> Played() {
    std::vector<int> out;
    for (int i = 0; i < SoundPlayCount(); ++i) out.push_back(SoundPlayAt(i)->buffer);
    SoundClearPlays();
    return out;
}

void TickWithKeys(std::initializer_list<int> down) {
    HeadlessReleaseAllKeys();
    for (int k : down) HeadlessSetKey(k, true);
    HandleInput();
}
