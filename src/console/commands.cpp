// The console command interpreter: quitting, the menu, volumes, rendering switches, resolution, mouse
// look, chat and level loading.
#include "console/commands.h"
#include "core/print.h"

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/settings.h"
#include "audio/music.h"
#include "console/console.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "game/world.h"
#include "input/input.h"
#include "render/passes.h"
#include "render/screenshot.h"
#include "render/video.h"

int32_t JoystickOn = 1;

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
    if (GameState != GS_MENU) {
        PrintNotify(90, "Cannot change resolution while playing");
        return CMD_FAILED;
    }
    int width = 0, height = 0;
    if (strcmp(text, "INCRES") == 0) {
        width = SCREENX == 640 ? 800 : SCREENX == 800 ? 1024 : 0;
    } else if (strcmp(text, "DECRES") == 0) {
        width = SCREENX == 800 ? 640 : SCREENX == 1024 ? 800 : 0;
    } else {
        if (sscanf(text, "RES %d %d", &width, &height) != 2) return 0;
        if (HeightFor(width) == 0 || height != HeightFor(width)) return 0;
    }
    if (width == 0) return 0;
    SCREENX = width;
    SCREENY = HeightFor(width);
    ChangeResolution();
    // The pointer belongs to the new screen: centred, as the menu and mouse look expect it.
    PointerX = int32_t(ScreenCentreX);
    PointerY = int32_t(ScreenCentreY);
    LoadMenuItems(nullptr);
    return CMD_ACCEPTED;
}

// Chat: "SAY" alone or "SAY " and a text; the line gets a history slot of its own so that it is seen.
int Say(const char* text) {
    const char* said = text[3] == ' ' ? text + 4 : text + 3;
    char line[CONSOLE_LINE_BYTES + 16];
    snprintf(line, sizeof line, "zzzz Player: %s", said);
    ConsoleScroll();
    ConsoleWriteSlot(53, line);
    ++ConsolePrintCount;
    return 1;
}

}  // namespace

int ExecuteCommand(const char* text) {
    if (strcmp(text, "EXIT") == 0 || strcmp(text, "QUIT") == 0) {
        PostQuit(0);
        return 1;
    }
    if (strcmp(text, "END") == 0) {
        LoadMenu(StartMenuFile, true);
        return 1;
    }
    if (strcmp(text, "MENU") == 0) {
        Menu.Visible = !Menu.Visible;
        return 1;
    }
    if (strcmp(text, "INCSOUNDVOL10") == 0) return Raise(SOUNDVOL);
    if (strcmp(text, "DECSOUNDVOL10") == 0) return Lower(SOUNDVOL);
    if (strcmp(text, "INCMUSICVOL10") == 0) {
        Raise(MUSICVOL);
        SetMusicVolume(MUSICVOL);
        return 1;
    }
    if (strcmp(text, "DECMUSICVOL10") == 0) {
        Lower(MUSICVOL);
        SetMusicVolume(MUSICVOL);
        return 1;
    }
    if (strcmp(text, "TOGGLESHADING") == 0) {
        ShadingEnabled = ShadingEnabled ? 0 : 1;
        return 1;
    }
    if (strcmp(text, "TOGGLEZBUFF") == 0) {
        OcclusionEnabled = OcclusionEnabled ? 0 : 1;
        return 1;
    }
    if (strcmp(text, "INCRES") == 0 || strcmp(text, "DECRES") == 0 || strncmp(text, "RES", 3) == 0)
        return Resolution(text);
    if (strcmp(text, "JOYSTICK") == 0) {
        JoystickOn = !JoystickOn;
        PrintNotify(90, "Joystick Toggled");
        return 1;
    }
    if (strcmp(text, "TOGGLEMOUSELOOK") == 0) {
        MouseLook = MouseLook ? 0 : 1;
        PrintNotify(90, "Mouselook Toggled");
        return 1;
    }
    if (strcmp(text, "SCREENSHOT") == 0) return SaveScreenshot() ? CMD_ACCEPTED : CMD_FAILED;
    if (strcmp(text, "SAY") == 0 || strncmp(text, "SAY ", 4) == 0) return Say(text);
    if (strncmp(text, "LOAD ", 5) == 0) return LoadLevel(text + 5) ? CMD_ACCEPTED : CMD_FAILED;
    return 0;
}
