// The console command interpreter: one table of commands (quitting, the menu, volumes, rendering switches,
// resolution, mouse look, the crosshair and the map, chat, level loading, help), matched in its order.
#include "app/commands.h"

#include <cstdio>
#include <cstring>

#include "app/savegame.h"
#include "app/settings.h"
#include "app/stats.h"
#include "audio/music.h"
#include "console/console.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "input/input.h"
#include "render/render.h"
#include "render/screenshot.h"
#include "render/video.h"

namespace {

int32_t& Field(const CommandDef& c) { return Settings.*FindSetting(c.setting)->field; }

// The volume commands: up or down by 10, within 0..100, applied at once.
int Louder(const CommandDef& c, const char*) {
    int32_t& volume = Field(c);
    volume = volume >= 90 ? 100 : volume + 10;
    if (&volume == &Settings.MUSICVOL) SetMusicVolume(volume);
    return CMD_ACCEPTED;
}

int Quieter(const CommandDef& c, const char*) {
    int32_t& volume = Field(c);
    volume = volume <= 10 ? 0 : volume - 10;
    if (&volume == &Settings.MUSICVOL) SetMusicVolume(volume);
    return CMD_ACCEPTED;
}

// A switch flipped, with the line that says so where the command has one.
int Flip(const CommandDef& c, const char*) {
    int32_t& flag = Field(c);
    flag = flag ? 0 : 1;
    if (c.said) PrintNotify(NOTIFY_GAME, c.said);
    return CMD_ACCEPTED;
}

// The three screen sizes: a width and the height that belongs to it.
int HeightFor(int width) { return width == 640 ? 480 : width == 800 ? 600 : width == 1024 ? 768 : 0; }

int Resolution(const CommandDef&, const char* text) {
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
        if (sscanf(text, "RES %d %d", &width, &height) != 2) return CMD_UNKNOWN;
        if (HeightFor(width) == 0 || height != HeightFor(width)) return CMD_UNKNOWN;
    }
    if (width == 0) return CMD_UNKNOWN;
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
int Say(const CommandDef&, const char* text) {
    const char* said = text[3] == ' ' ? text + 4 : text + 3;
    char line[CONSOLE_LINE_BYTES + 16];
    snprintf(line, sizeof line, "zzzz Player: %s", said);
    ConsoleScroll();
    ConsoleWriteSlot(CONSOLE_NEWEST_SLOT, line);
    ++Console.ConsolePrintCount;
    return CMD_ACCEPTED;
}

int Quit(const CommandDef&, const char*) {
    PostQuit(0);
    return CMD_ACCEPTED;
}

int End(const CommandDef&, const char*) {
    LoadMenu(Settings.StartMenuFile, true);
    return CMD_ACCEPTED;
}

int ShowMenu(const CommandDef&, const char*) {
    Menu.Visible = !Menu.Visible;
    return CMD_ACCEPTED;
}

int MapRotate(const CommandDef&, const char*) {
    Render.AutomapHeadingUp = Render.AutomapHeadingUp ? 0 : 1;
    PrintNotify(NOTIFY_GAME, Render.AutomapHeadingUp ? "Map turns with you" : "Map north up");
    return CMD_ACCEPTED;
}

int Fps(const CommandDef&, const char*) {
    StatsToggleCounter();
    return CMD_ACCEPTED;
}

int Screenshot(const CommandDef&, const char*) { return SaveScreenshot() ? CMD_ACCEPTED : CMD_FAILED; }

int Load(const CommandDef&, const char* text) { return LoadLevel(text + 5) ? CMD_ACCEPTED : CMD_FAILED; }

// SAVEGAME N, LOADGAME N: the slot is one digit (anything else gets a line and fails).
int Slot(const CommandDef& c, const char* text, int (*act)(int)) {
    const char* n = text + strlen(c.name) + 1;
    if (!(n[0] >= '0' && n[0] <= '9' && !n[1])) {
        char line[CONSOLE_LINE_BYTES];
        snprintf(line, sizeof line, "%s takes a slot number, 0 to 7", c.name);
        PrintNotify(NOTIFY_GAME, line);
        return CMD_FAILED;
    }
    return act(n[0] - '0') ? CMD_ACCEPTED : CMD_FAILED;
}
int SaveSlot(const CommandDef& c, const char* text) { return Slot(c, text, SaveGame); }
int LoadSlot(const CommandDef& c, const char* text) { return Slot(c, text, LoadGame); }

int Help(const CommandDef&, const char*);

// A command matched as a whole word, taking no argument and naming no setting.
constexpr CommandDef Word(const char* name, CommandRun run, const char* help) {
    return {name, MATCH_WORD, nullptr, run, help, nullptr, nullptr};
}
// A command that changes the setting `key` (a volume step, or a switch flipped with the line `said`).
constexpr CommandDef Change(const char* name, CommandRun run, const char* key, const char* said, const char* help) {
    return {name, MATCH_WORD, nullptr, run, help, key, said};
}

}  // namespace

// In matching order: the first row that matches the typed text runs.
const CommandDef kCommands[] = {
    Word("EXIT", Quit, "leave the game"),
    Word("QUIT", Quit, "leave the game"),
    Word("END", End, "back to the start menu"),
    Word("MENU", ShowMenu, "show or hide the menu"),
    Change("INCSOUNDVOL10", Louder, "SOUNDVOL", nullptr, "sound effects louder by 10"),
    Change("DECSOUNDVOL10", Quieter, "SOUNDVOL", nullptr, "sound effects quieter by 10"),
    Change("INCMUSICVOL10", Louder, "MUSICVOL", nullptr, "music louder by 10"),
    Change("DECMUSICVOL10", Quieter, "MUSICVOL", nullptr, "music quieter by 10"),
    Change("TOGGLESHADING", Flip, "SHADING", nullptr, "depth shading of lines on or off"),
    Change("TOGGLEZBUFF", Flip, "ZBUFFER", nullptr, "hidden-line removal by the floor plan on or off"),
    Word("INCRES", Resolution, "next larger screen size (start menu only)"),
    Word("DECRES", Resolution, "next smaller screen size (start menu only)"),
    {"RES", MATCH_PREFIX, "W H", Resolution, "screen size 640 480, 800 600 or 1024 768 (start menu only)", nullptr,
     nullptr},
    Change("JOYSTICK", Flip, "JOYSTICK", "Joystick Toggled", "a pad's steering off or on"),
    Change("TOGGLEMOUSELOOK", Flip, "MOUSELOOK", "Mouselook Toggled",
           "the mouse turns and the arrows strafe, or the arrows turn"),
    Change("TOGGLECROSSHAIR", Flip, "CROSSHAIR", "Crosshair Toggled", "the crosshair on or off"),
    Word("MAPROTATE", MapRotate, "the overhead map north up or turned with you"),
    Word("FPS", Fps, "ticks and frames per second at the top right"),
    Word("SCREENSHOT", Screenshot, "save the frame as shown (as F12)"),
    {"SAY", MATCH_WORD_OR_ARGUMENT, "TEXT", Say, "a chat line in the console", nullptr, nullptr},
    {"LOAD", MATCH_ARGUMENT, "FILE", Load, "load a level file", nullptr, nullptr},
    {"SAVEGAME", MATCH_ARGUMENT, "N", SaveSlot, "save the game in slot N, 0 to 7 (with SAVEGAMES)", nullptr, nullptr},
    {"LOADGAME", MATCH_ARGUMENT, "N", LoadSlot, "load the game saved in slot N (with SAVEGAMES)", nullptr, nullptr},
    Word("HELP", Help, "this list"),
};
const int kCommandCount = int(sizeof kCommands / sizeof kCommands[0]);

bool CommandMatches(const CommandDef& c, const char* text) {
    const size_t n = strlen(c.name);
    switch (c.match) {
    case MATCH_WORD: return strcmp(text, c.name) == 0;
    case MATCH_PREFIX: return strncmp(text, c.name, n) == 0;
    case MATCH_ARGUMENT: return strncmp(text, c.name, n) == 0 && text[n] == ' ';
    case MATCH_WORD_OR_ARGUMENT: return strncmp(text, c.name, n) == 0 && (text[n] == 0 || text[n] == ' ');
    }
    return false;
}

namespace {

int Help(const CommandDef&, const char*) {
    for (const CommandDef& c : kCommands) {
        char line[CONSOLE_LINE_BYTES];
        snprintf(line, sizeof line, "%s%s%s - %s", c.name, c.argument ? " " : "", c.argument ? c.argument : "", c.help);
        Print(line);
    }
    return CMD_ACCEPTED;
}

int RunCommand(const char* text) {
    for (const CommandDef& c : kCommands)
        if (CommandMatches(c, text)) return c.run(c, text);
    return CMD_UNKNOWN;
}

}  // namespace

int ExecuteCommand(const char* text) {
    const SettingsRecord before = Settings;
    const int result = RunCommand(text);
    // An option the player changed is saved at once, so that it outlives a crash.
    if (SavedSettingsDiffer(before, Settings)) SaveUserSettings();
    return result;
}
