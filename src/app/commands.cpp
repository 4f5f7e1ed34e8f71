// The console command interpreter: quitting, the menu, volumes, rendering switches, resolution, mouse
// look, the crosshair and the map, chat and level loading.
#include "app/commands.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/stats.h"
#include "audio/music.h"
#include "console/console.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "game/world.h"
#include "input/input.h"
#include "render/passes.h"
#include "render/screenshot.h"
#include "render/video.h"

namespace {

int Raise(int32_t& volume) {
    volume = volume >= 90 ? 100 : volume + 10;
    return 1;
}

int Lower(int32_t& volume) {
    volume = volume <= 10 ? 0 : volume - 10;
    return 1;
}

// The three screen sizes: a width and the height that belongs to it.
int HeightFor(int width) { return width == 640 ? 480 : width == 800 ? 600 : width == 1024 ? 768 : 0; }

int Resolution(const char* text) {
    if (Program.GameState != GS_MENU) {
        PrintNotify(NOTIFY_GAME, "Cannot change resolution while playing");
        return CMD_FAILED;
    }
    int width = 0, height = 0;
    if (strcmp(text, "INCRES") == 0) {
        width = Settings.SCREENX == 640 ? 800 : Settings.SCREENX == 800 ? 1024 : 0;
    } else if (strcmp(text, "DECRES") == 0) {
        width = Settings.SCREENX == 800 ? 640 : Settings.SCREENX == 1024 ? 800 : 0;
    } else {
        if (sscanf(text, "RES %d %d", &width, &height) != 2) return 0;
        if (HeightFor(width) == 0 || height != HeightFor(width)) return 0;
    }
    if (width == 0) return 0;
    Settings.SCREENX = width;
    Settings.SCREENY = HeightFor(width);
    ChangeResolution();
    // The pointer belongs to the new screen: centred, as the menu and mouse look expect it.
    Input.PointerX = int32_t(Settings.ScreenCentreX);
    Input.PointerY = int32_t(Settings.ScreenCentreY);
    LoadMenuItems(nullptr);
    return CMD_ACCEPTED;
}

// Chat: "SAY" alone or "SAY " and a text; the line gets a history slot of its own so that it is seen.
int Say(const char* text) {
    const char* said = text[3] == ' ' ? text + 4 : text + 3;
    char line[CONSOLE_LINE_BYTES + 16];
    snprintf(line, sizeof line, "zzzz Player: %s", said);
    ConsoleScroll();
    ConsoleWriteSlot(CONSOLE_NEWEST_SLOT, line);
    ++Console.ConsolePrintCount;
    return 1;
}

}  // namespace

namespace {

int RunCommand(const char* text) {
    if (strcmp(text, "EXIT") == 0 || strcmp(text, "QUIT") == 0) {
        PostQuit(0);
        return 1;
    }
    if (strcmp(text, "END") == 0) {
        LoadMenu(Settings.StartMenuFile, true);
        return 1;
    }
    if (strcmp(text, "MENU") == 0) {
        Menu.Visible = !Menu.Visible;
        return 1;
    }
    if (strcmp(text, "INCSOUNDVOL10") == 0) return Raise(Settings.SOUNDVOL);
    if (strcmp(text, "DECSOUNDVOL10") == 0) return Lower(Settings.SOUNDVOL);
    if (strcmp(text, "INCMUSICVOL10") == 0) {
        Raise(Settings.MUSICVOL);
        SetMusicVolume(Settings.MUSICVOL);
        return 1;
    }
    if (strcmp(text, "DECMUSICVOL10") == 0) {
        Lower(Settings.MUSICVOL);
        SetMusicVolume(Settings.MUSICVOL);
        return 1;
    }
    if (strcmp(text, "TOGGLESHADING") == 0) {
        Render.ShadingEnabled = Render.ShadingEnabled ? 0 : 1;
        return 1;
    }
    if (strcmp(text, "TOGGLEZBUFF") == 0) {
        Render.OcclusionEnabled = Render.OcclusionEnabled ? 0 : 1;
        return 1;
    }
    if (strcmp(text, "INCRES") == 0 || strcmp(text, "DECRES") == 0 || strncmp(text, "RES", 3) == 0)
        return Resolution(text);
    if (strcmp(text, "JOYSTICK") == 0) {
        Settings.JoystickOn = !Settings.JoystickOn;
        PrintNotify(NOTIFY_GAME, "Joystick Toggled");
        return 1;
    }
    if (strcmp(text, "TOGGLEMOUSELOOK") == 0) {
        World.MouseLook = World.MouseLook ? 0 : 1;
        PrintNotify(NOTIFY_GAME, "Mouselook Toggled");
        return 1;
    }
    if (strcmp(text, "TOGGLECROSSHAIR") == 0) {
        Settings.CROSSHAIR = Settings.CROSSHAIR ? 0 : 1;
        PrintNotify(NOTIFY_GAME, "Crosshair Toggled");
        return CMD_ACCEPTED;
    }
    if (strcmp(text, "MAPROTATE") == 0) {
        Render.AutomapHeadingUp = Render.AutomapHeadingUp ? 0 : 1;
        PrintNotify(NOTIFY_GAME, Render.AutomapHeadingUp ? "Map turns with you" : "Map north up");
        return CMD_ACCEPTED;
    }
    if (strcmp(text, "FPS") == 0) {
        StatsToggleCounter();
        return CMD_ACCEPTED;
    }
    if (strcmp(text, "SCREENSHOT") == 0) return SaveScreenshot() ? CMD_ACCEPTED : CMD_FAILED;
    if (strcmp(text, "SAY") == 0 || strncmp(text, "SAY ", 4) == 0) return Say(text);
    if (strncmp(text, "LOAD ", 5) == 0) return LoadLevel(text + 5) ? CMD_ACCEPTED : CMD_FAILED;
    return 0;
}

// What a player's own settings file keeps of the state the commands change.
std::array<int32_t, 9> SavedState() {
    return {Settings.SOUNDVOL,       Settings.MUSICVOL, Settings.SCREENX,    Settings.SCREENY,  Render.ShadingEnabled,
            Render.OcclusionEnabled, World.MouseLook,   Settings.JoystickOn, Settings.CROSSHAIR};
}

}  // namespace

int ExecuteCommand(const char* text) {
    const auto before = SavedState();
    const int result = RunCommand(text);
    // An option the player changed is saved at once, so that it outlives a crash.
    if (SavedState() != before) SaveUserSettings();
    return result;
}
