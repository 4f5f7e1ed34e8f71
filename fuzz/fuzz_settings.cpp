// Fuzz target for the player's own config.ini: any bytes are read over the data directory's settings
// (or ignored whole, with one line), the result stays within the bounds of every key, and saving it back
// writes a file that reads again to the same settings.
#include <cstdint>
#include <string>
#include <string_view>

#include "../tests/support/scratch.h"
#include "app/settings.h"
#include "core/settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static ScratchDir dir(ScratchDir::Enter, "fuzz-settings");
    WriteFile("config.ini", "SCREENX=640\rSCREENY=480\rSOUNDVOL=80\rMUSICVOL=80\rSTART=start.mnu\r");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFile("user.ini", std::string_view(reinterpret_cast<const char*>(data), size));
    Settings = SettingsRecord{};
    ReadSettings();
    ReadUserSettings("user.ini", true);
    if (Settings.MOUSESENS < 10 || Settings.MOUSESENS > 1000 || (Settings.SCALEVIEW | 1) != 1) __builtin_trap();
    // The classic sizes, or a size SCREENSIZE gave within the game's range.
    const bool classic = Settings.SCREENX == 640 || Settings.SCREENX == 800 || Settings.SCREENX == 1024;
    if (!classic && !(Settings.SCREENSIZE > SCREENSIZE_WINDOW && ScreenSizeInRange(Settings.SCREENX, Settings.SCREENY)))
        __builtin_trap();
    if (Settings.FRAMERATE != FRAMERATE_CLASSIC && Settings.FRAMERATE != FRAMERATE_DISPLAY &&
        (Settings.FRAMERATE < FRAMERATE_MIN || Settings.FRAMERATE > FRAMERATE_MAX))
        __builtin_trap();
    const SettingsRecord read = Settings;
    SaveUserSettings();
    Settings = SettingsRecord{};
    ReadSettings();
    ReadUserSettings("user.ini", true);
    if (Settings.SOUNDVOL != read.SOUNDVOL || Settings.SCREENY != read.SCREENY ||
        Settings.FULLSCREEN != read.FULLSCREEN || Settings.SCREENSIZE != read.SCREENSIZE)
        __builtin_trap();
    return 0;
}
