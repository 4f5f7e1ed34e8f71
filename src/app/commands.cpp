// The console command interpreter: one table of commands (quitting, the menu, volumes, rendering switches,
// resolution, mouse look, the crosshair and the map, chat, level loading, help), matched in its order.
#include "app/commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/savegame.h"
#include "app/settings.h"
#include "app/stats.h"
#include "audio/music.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "input/input.h"
#include "net/netplay.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "render/render.h"
#include "render/screenshot.h"
#include "render/video.h"

namespace {

int32_t& Field(const CommandDef& c) { return Settings.*FindSetting(c.setting)->field; }

// The volume commands: up or down by 10, within 0..100, applied at once.
int Louder(const CommandDef& c, const char*) {
    int32_t& volume = Field(c);
    volume = volume >= 90 ? 100 : volume + 10;
    ApplySettingNow(*FindSetting(c.setting));
    return CMD_ACCEPTED;
}

int Quieter(const CommandDef& c, const char*) {
    int32_t& volume = Field(c);
    volume = volume <= 10 ? 0 : volume - 10;
    ApplySettingNow(*FindSetting(c.setting));
    return CMD_ACCEPTED;
}

// A switch flipped, with the line that says so where the command has one; with SAYSTATE a second line
// names the state it is in now ("Shading on").
int Flip(const CommandDef& c, const char*) {
    int32_t& flag = Field(c);
    flag = flag ? 0 : 1;
    if (c.said) PrintNotify(NOTIFY_GAME, c.said);
    if (Settings.SAYSTATE && c.state) {
        char line[64];
        snprintf(line, sizeof line, "%s %s", c.state, flag ? "on" : "off");
        PrintNotify(NOTIFY_GAME, line);
    }
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
    // The classic sizes only: a size SCREENSIZE gave is given up for them.
    Settings.SCREENSIZE = SCREENSIZE_CLASSIC;
    ChangeScreenSize(width, HeightFor(width));
    return CMD_ACCEPTED;
}

// Chat: "SAY" alone or "SAY " and a text; the line gets a history slot of its own so that it is seen. In a
// network game every player's console shows it as "NAME: TEXT".
int Say(const CommandDef&, const char* text) {
    const char* said = text[3] == ' ' ? text + 4 : text + 3;
    if (NetPlaySay(said)) return CMD_ACCEPTED;
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
    // In a network game END leaves it (the way back to the start menu).
    if (!NetPlayLeave()) LoadMenu(Settings.StartMenuFile, true);
    return CMD_ACCEPTED;
}

// A port number after the address or alone: 1..65535, else the default.
bool ReadPort(const char* text, uint16_t* port) {
    *port = NET_DEFAULT_PORT;
    while (*text == ' ') ++text;
    if (!*text) return true;
    char* end = nullptr;
    const long v = strtol(text, &end, 10);
    if (*end || v < 1 || v > 65535) return false;
    *port = uint16_t(v);
    return true;
}

int Host(const CommandDef&, const char* text) {
    uint16_t port;
    if (!ReadPort(text + 4, &port)) {
        PrintNotify(NOTIFY_GAME, "HOST takes a port number 1 to 65535");
        return CMD_FAILED;
    }
    return NetPlayHost(port, false) ? CMD_ACCEPTED : CMD_FAILED;
}

int Join(const CommandDef&, const char* text) {
    char address[64] = "";
    const char* rest = text + 5;
    size_t n = 0;
    while (rest[n] && rest[n] != ' ' && n + 1 < sizeof address) address[n] = rest[n], ++n;
    address[n] = 0;
    uint16_t port;
    if (!address[0] || !ReadPort(rest + n, &port)) {
        PrintNotify(NOTIFY_GAME, "JOIN takes an address and a port: JOIN 192.168.1.5 27960");
        return CMD_FAILED;
    }
    return NetPlayJoin(address, port) ? CMD_ACCEPTED : CMD_FAILED;
}

int Leave(const CommandDef&, const char*) {
    if (NetPlayLeave()) return CMD_ACCEPTED;
    PrintNotify(NOTIFY_GAME, "Not in a network game");
    return CMD_FAILED;
}

int PlayersList(const CommandDef&, const char*) {
    if (NetPlayListPlayers()) return CMD_ACCEPTED;
    PrintNotify(NOTIFY_GAME, "Not in a network game");
    return CMD_FAILED;
}

// Opens the console with a command begun on its input line (a menu item's way to ask for an address).
int Prompt(const CommandDef&, const char* text) {
    if (ConsoleIsClosed()) ConsoleToggle();
    for (const char* p = text + 7; *p; ++p) ConsoleAppendChar(*p);
    ConsoleAppendChar(' ');
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

int Load(const CommandDef&, const char* text) {
    // In a network game the host's LOAD starts the level for everyone.
    switch (NetPlayStartLevel(text + 5)) {
    case NETLEVEL_ORDERED: return CMD_ACCEPTED;
    case NETLEVEL_REFUSED: return CMD_FAILED;
    default: return LoadLevel(text + 5) ? CMD_ACCEPTED : CMD_FAILED;
    }
}

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
    return {name, MATCH_WORD, nullptr, run, help, nullptr, nullptr, nullptr};
}
// A command that steps the volume `key` up or down.
constexpr CommandDef Volume(const char* name, CommandRun run, const char* key, const char* help) {
    return {name, MATCH_WORD, nullptr, run, help, key, nullptr, nullptr};
}
// A command that flips the switch `key`, with the classic line `said` (or none), and with SAYSTATE a line
// that names the state: "`state` on" or "`state` off".
constexpr CommandDef Switch(const char* name, const char* key, const char* said, const char* state, const char* help) {
    return {name, MATCH_WORD, nullptr, Flip, help, key, said, state};
}

}  // namespace

// In matching order: the first row that matches the typed text runs.
const CommandDef kCommands[] = {
    Word("EXIT", Quit, "leave the game"),
    Word("QUIT", Quit, "leave the game"),
    Word("END", End, "back to the start menu"),
    Word("MENU", ShowMenu, "show or hide the menu"),
    Volume("INCSOUNDVOL10", Louder, "SOUNDVOL", "sound effects louder by 10"),
    Volume("DECSOUNDVOL10", Quieter, "SOUNDVOL", "sound effects quieter by 10"),
    Volume("INCMUSICVOL10", Louder, "MUSICVOL", "music louder by 10"),
    Volume("DECMUSICVOL10", Quieter, "MUSICVOL", "music quieter by 10"),
    Switch("TOGGLESHADING", "SHADING", nullptr, "Shading", "depth shading of lines on or off"),
    Switch("TOGGLEZBUFF", "ZBUFFER", nullptr, "Hidden lines removed",
           "hidden-line removal by the floor plan on or off"),
    Word("INCRES", Resolution, "next larger screen size (start menu only)"),
    Word("DECRES", Resolution, "next smaller screen size (start menu only)"),
    {"RES", MATCH_PREFIX, "W H", Resolution, "screen size 640 480, 800 600 or 1024 768 (start menu only)", nullptr,
     nullptr, nullptr},
    Switch("JOYSTICK", "JOYSTICK", "Joystick Toggled", "Joystick", "a pad's steering off or on"),
    Switch("TOGGLEMOUSELOOK", "MOUSELOOK", "Mouselook Toggled", "Mouse look",
           "the mouse turns and the arrows strafe, or the arrows turn"),
    Switch("TOGGLECROSSHAIR", "CROSSHAIR", "Crosshair Toggled", "Crosshair", "the crosshair on or off"),
    Word("MAPROTATE", MapRotate, "the overhead map north up or turned with you"),
    Word("FPS", Fps, "ticks and frames per second at the top right"),
    Word("SCREENSHOT", Screenshot, "save the frame as shown (as F12)"),
    {"SAY", MATCH_WORD_OR_ARGUMENT, "TEXT", Say, "a chat line in the console", nullptr, nullptr, nullptr},
    {"LOAD", MATCH_ARGUMENT, "FILE", Load, "load a level file", nullptr, nullptr, nullptr},
    {"SAVEGAME", MATCH_ARGUMENT, "N", SaveSlot, "save the game in slot N, 0 to 7 (with SAVEGAMES)", nullptr, nullptr,
     nullptr},
    {"LOADGAME", MATCH_ARGUMENT, "N", LoadSlot, "load the game saved in slot N (with SAVEGAMES)", nullptr, nullptr,
     nullptr},
    {"HOST", MATCH_WORD_OR_ARGUMENT, "[PORT]", Host, "host a network game (port 27960 unless given)", nullptr, nullptr,
     nullptr},
    {"JOIN", MATCH_ARGUMENT, "ADDRESS [PORT]", Join, "join a network game", nullptr, nullptr, nullptr},
    Word("LEAVE", Leave, "leave the network game (the host ends it)"),
    Word("PLAYERS", PlayersList, "the network game's players: names, pings, frags"),
    {"PROMPT", MATCH_ARGUMENT, "TEXT", Prompt, "open the console with TEXT typed", nullptr, nullptr, nullptr},
    Word("HELP", Help, "this list"),
};
const int kCommandCount = int(sizeof kCommands / sizeof kCommands[0]);

namespace {

// The longest text all candidates begin with, and the candidates themselves.
int Candidates(const std::vector<std::string>& found, char* out, size_t outSize, char* all, size_t allSize) {
    if (found.empty()) return 0;
    std::string common = found[0], list;
    for (const std::string& f : found) {
        size_t n = 0;
        while (n < common.size() && n < f.size() && common[n] == f[n]) ++n;
        common.resize(n);
        list += (list.empty() ? "" : " ") + f;
    }
    CopyBounded(out, outSize, common.c_str());
    CopyBounded(all, allSize, list.c_str());
    return int(found.size());
}

// Whether the console can type the name (upper-case letters, digits and . / _ only).
bool Typeable(const std::string& name) {
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '/' || c == '_')) return false;
    return !name.empty();
}

}  // namespace

int CompleteCommand(const char* typed, char* out, size_t outSize, char* all, size_t allSize) {
    const std::string text = typed ? typed : "";
    std::vector<std::string> found;
    if (text.rfind("LOAD ", 0) == 0) {
        // A level file of the data folder: the folder the game plays in.
        const std::string begun = text.substr(5);
        for (const std::string& name : PlatformListDirectory("."))
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".LVL") == 0 && Typeable(name) &&
                name.rfind(begun, 0) == 0 && PlatformPathKind(name.c_str()) == PATH_FILE)
                found.push_back("LOAD " + name);
    } else if (text.find(' ') == std::string::npos) {
        for (const CommandDef& c : kCommands) {
            std::string name = c.name;
            if (name.rfind(text, 0) != 0) continue;
            if (c.match == MATCH_ARGUMENT || c.match == MATCH_PREFIX) name += ' ';
            if (std::find(found.begin(), found.end(), name) == found.end()) found.push_back(name);
        }
    }
    return Candidates(found, out, outSize, all, allSize);
}

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
