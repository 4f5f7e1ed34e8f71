// Program set-up for the unit suites.
#include "test_util.h"

#include "app/app.h"
#include "app/dispatch.h"
#include "app/settings.h"
#include "audio/sound.h"
#include "console/console.h"
#include "defs/menu.h"
#include "game/animation.h"
#include "game/world.h"
#include "input/input.h"
#include "platform/headless/headless.h"
#include "render/render.h"
#include "render/video.h"

void ResetProgram() {
    Settings = SettingsRecord{};
    Program = ProgramRecord{};
    Console = ConsoleRecord{};
    ConsoleInit();
    InstallConsolePrinting();
    Menu = MenuRecord{};
    ResetAnimation();
    ResetWorld();
    ResetRenderSwitches();
    HeadlessReleaseAllKeys();
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

void ResetRenderSwitches() { Render.OcclusionEnabled = Render.ShadingEnabled = 1; }

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
