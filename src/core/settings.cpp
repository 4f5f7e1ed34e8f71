// The settings record and the registry of every config.ini key.
#include "core/settings.h"

#include <climits>
#include <cstring>

SettingsRecord Settings;

namespace {

constexpr int32_t kAny = INT32_MIN, kAll = INT32_MAX;
using S = SettingsRecord;

constexpr SettingDef Number(const char* name, uint8_t flags, int32_t S::*field, int32_t byDefault, int32_t lo,
                            int32_t hi, const char* values, const char* help) {
    return {name, SETTING_NUMBER, flags, field, 0, 0, byDefault, lo, hi, nullptr, values, help, 1};
}
constexpr SettingDef Switch(const char* name, uint8_t flags, int32_t S::*field, int32_t byDefault, const char* help) {
    return {name, SETTING_SWITCH, flags, field, 0, 0, byDefault, 0, 1, "0|1", nullptr, help, 1};
}
// The words of the values 0, 1, ..., separated by '|'; the first is the default.
constexpr SettingDef Choice(const char* name, uint8_t flags, int32_t S::*field, const char* words, const char* help) {
    int32_t count = 1;
    for (const char* p = words; *p; ++p) count += *p == '|';
    return {name, SETTING_CHOICE, flags, field, 0, 0, 0, 0, count - 1, words, nullptr, help, 1};
}
constexpr SettingDef Text(const char* name, uint8_t flags, size_t offset, size_t size, const char* help) {
    return {name, SETTING_TEXT, flags, nullptr, uint16_t(offset), uint16_t(size), 0, 0, 0, nullptr, nullptr, help, 1};
}
// A number that also takes words, for the values 0, 1, ... below its range.
constexpr SettingDef NumberOrWord(const char* name, uint8_t flags, int32_t S::*field, const char* words, int32_t lo,
                                  int32_t hi, const char* help) {
    return {name, SETTING_NUMBER, flags, field, 0, 0, 0, lo, hi, words, nullptr, help, 1};
}
// A screen size WxH between two sizes, or one of the words (the first, value 0, is the default).
constexpr SettingDef Size(const char* name, uint8_t flags, int32_t S::*field, const char* words, int32_t lo, int32_t hi,
                          const char* help) {
    return {name, SETTING_SIZE, flags, field, 0, 0, 0, lo, hi, words, nullptr, help, 1};
}
// Key bindings are the player's: recordings carry them, his file keeps them.
constexpr SettingDef Keys(const char* name, int32_t S::*field, const char* help) {
    return {name, SETTING_KEYS, SETTING_INPUT | SETTING_SAVED, field, 0, 0, 0, 0, 0, nullptr, nullptr, help, 1};
}
// A number a menu moves in steps of `step`.
constexpr SettingDef Stepped(SettingDef d, int32_t step) {
    d.step = step;
    return d;
}

constexpr uint8_t CLASSIC = SETTING_CLASSIC, RULE = SETTING_RULE, INPUT = SETTING_INPUT, SAVED = SETTING_SAVED,
                  START = SETTING_START, SCREEN = SETTING_SCREEN;

}  // namespace

const SettingDef kSettings[] = {
    // The classic game's keys.
    Number("SCREENX", CLASSIC | SAVED | START, &S::SCREENX, 640, kAny, kAll, "640|800|1024",
           "screen width in pixels (any other width gives 640x480)"),
    Number("SCREENY", CLASSIC | SAVED | START, &S::SCREENY, 480, kAny, kAll, "480|600|768",
           "screen height in pixels (any other height gives 640x480)"),
    Number("SCREENBPP", CLASSIC, &S::SCREENBPP, 8, kAny, kAll, "8", "display depth: always 8 bits"),
    Stepped(Number("SOUNDVOL", CLASSIC | SAVED, &S::SOUNDVOL, 80, 0, 100, nullptr, "sound-effect volume"), 10),
    Stepped(Number("MUSICVOL", CLASSIC | SAVED, &S::MUSICVOL, 80, 0, 100, nullptr, "music volume"), 10),
    Text("START", CLASSIC, offsetof(S, StartMenuFile), sizeof(S::StartMenuFile), "the start menu's file"),
    // The sound and the screen.
    Text("SOUNDFONT", 0, offsetof(S, SoundFont), sizeof(S::SoundFont),
         "a General MIDI soundfont (empty: the system's usual ones)"),
    Choice("SOUNDRATE", 0, &S::SOUNDRATE, "FIXED|FILE",
           "FILE: an effect recorded at another rate is converted to the playback rate"),
    Choice("SCALING", SAVED, &S::SCALING, "fit|integer", "how the frame fills the window: fit, or integer multiples"),
    Switch("SCALEVIEW", SCREEN | SAVED, &S::SCALEVIEW, 0,
           "a larger screen shows the 640x480 picture, sharper; a wider one sees more to the sides"),
    Size("SCREENSIZE", SAVED | START, &S::SCREENSIZE, "CLASSIC|DESKTOP|WINDOW",
         ScreenSizeValue(SCREEN_MIN_W, SCREEN_MIN_H), ScreenSizeValue(SCREEN_MAX_W, SCREEN_MAX_H),
         "the screen's size: SCREENX x SCREENY, the display's, the window's (following it) or WxH"),
    Stepped(NumberOrWord("FRAMERATE", SCREEN | SAVED, &S::FRAMERATE, "CLASSIC|DISPLAY", FRAMERATE_MIN, FRAMERATE_MAX,
                         "frames a second: the classic 40 at most, the display's refresh rate, or 30..500"),
            10),
    Switch("NEARCLIP", SCREEN, &S::NEARCLIP, 0, "a line running behind the eye is cut there and drawn, not dropped"),
    Switch("FULLSCREEN", SAVED, &S::FULLSCREEN, 1, "start in full screen (0: a window)"),
    Switch("SHADING", SAVED, &S::SHADING, 1, "depth shading of lines (TOGGLESHADING)"),
    Switch("ZBUFFER", SAVED, &S::ZBUFFER, 1, "hidden-line removal by the floor plan (TOGGLEZBUFF)"),
    Switch("SAYSTATE", SAVED, &S::SAYSTATE, 0, "a command that flips a switch says whether it is now on or off"),
    // Rules and aids beyond the classic game.
    Switch("SOLIDWALLS", RULE, &S::SOLIDWALLS, 0, "walls stop shots, rockets and the monsters' sight"),
    Switch("HUNTERS", RULE, &S::HUNTERS, 0, "monsters walk where they look and hunt a player they saw"),
    Switch("AUTOPAUSE", RULE | SAVED, &S::AUTOPAUSE, 0, "the level stands still without focus or under the console"),
    Switch("TOTALSCORE", RULE, &S::TOTALSCORE, 0, "the score rewards what was done and adds up over the campaign"),
    Switch("RETRY", RULE | SAVED, &S::RETRY, 0, "after a death, Enter plays the level again as it was entered"),
    Switch("CROSSHAIR", RULE | SAVED, &S::CROSSHAIR, 0, "a crosshair with a mark for hits (TOGGLECROSSHAIR)"),
    Switch("LEVELNAMES", RULE | SAVED, &S::LEVELNAMES, 0, "a level's name is shown when it starts and at its end"),
    Choice("AUTOMAP", RULE | SAVED, &S::AUTOMAP, "off|on|monsters", "Tab shows an overhead map (2: with the monsters)"),
    Switch("SAVEGAMES", RULE, &S::SAVEGAMES, 0, "saved games: SAVEGAME, LOADGAME, F6, F9, Save game and Load game"),
    Choice("SKILL", RULE | START, &S::SKILL, "off|Recruit|Regular|Hardened|Relentless",
           "New Game asks for the skill, 1 easiest to 4 hardest (0: not asked, the classic game)"),
    Switch("LEVELSTATS", RULE | SAVED, &S::LEVELSTATS, 0, "kills, items, time and par on the level-complete screen"),
    Switch("OWNEDSWITCH", RULE, &S::OWNEDSWITCH, 0, "a weapon run dry changes only to a weapon you own"),
    Switch("HITFEEDBACK", SAVED, &S::HITFEEDBACK, 0,
           "a hit flashes the screen's edge red and points to the shooter; the HUD shows your weapons"),
    Switch("MENUBACK", 0, &S::MENUBACK, 0,
           "with no level loaded, Escape goes back a menu (never hiding the start menu)"),
    // Network play.
    Text("NAME", SAVED, offsetof(S, NAME), sizeof(S::NAME), "your name in a network game"),
    Switch("DEATHMATCH", 0, &S::DEATHMATCH, 0, "a game you host is a deathmatch (0: co-op)"),
    Number("FRAGLIMIT", 0, &S::FRAGLIMIT, 0, 0, 1000, nullptr, "a deathmatch level ends at this many frags (0: never)"),
    Number("TIMELIMIT", 0, &S::TIMELIMIT, 0, 0, 600, nullptr, "a deathmatch level ends after these minutes (0: never)"),
    Text("NETSIM", 0, offsetof(S, NETSIM), sizeof(S::NETSIM),
         "tests: LOSS,DELAY,JITTER drops and delays the network's datagrams"),
    // What the player's input does.
    Stepped(Number("MOUSESENS", INPUT | SAVED, &S::MOUSESENS, 100, 10, 1000, nullptr, "mouse speed in percent"), 10),
    Switch("MOUSELOOK", INPUT | SAVED, &S::MOUSELOOK, 1, "the mouse turns and the arrows strafe (TOGGLEMOUSELOOK)"),
    Switch("JOYSTICK", INPUT | SAVED, &S::JoystickOn, 1, "a pad steers (JOYSTICK)"),
    Switch("CONSOLEAIDS", INPUT | SAVED, &S::CONSOLEAIDS, 0,
           "the console: Up and Down recall commands, Tab completes, the full stop types, the typed line stays"),
    Keys("BIND_FORWARD", &S::BIND_FORWARD, "more keys that walk forward (as Up)"),
    Keys("BIND_BACK", &S::BIND_BACK, "more keys that walk back (as Down)"),
    Keys("BIND_LEFT", &S::BIND_LEFT, "more keys that do what Left does"),
    Keys("BIND_RIGHT", &S::BIND_RIGHT, "more keys that do what Right does"),
    Keys("BIND_STRAFELEFT", &S::BIND_STRAFELEFT, "keys that always strafe left"),
    Keys("BIND_STRAFERIGHT", &S::BIND_STRAFERIGHT, "keys that always strafe right"),
    Keys("BIND_FIRE", &S::BIND_FIRE, "more fire keys"),
    Keys("BIND_TURNLEFT", &S::BIND_TURNLEFT, "keys that always turn left"),
    Keys("BIND_TURNRIGHT", &S::BIND_TURNRIGHT, "keys that always turn right"),
    Keys("BIND_WEAPON1", &S::BIND_WEAPON1, "more keys for the knife (as 1)"),
    Keys("BIND_WEAPON2", &S::BIND_WEAPON2, "more keys for the gun (as 2)"),
    Keys("BIND_WEAPON3", &S::BIND_WEAPON3, "more keys for the shotgun (as 3)"),
    Keys("BIND_WEAPON4", &S::BIND_WEAPON4, "more keys for the minigun (as 4)"),
    Keys("BIND_WEAPON5", &S::BIND_WEAPON5, "more keys for the rocket launcher (as 5)"),
    Keys("BIND_NEXTWEAPON", &S::BIND_NEXTWEAPON, "keys that take the next weapon you own"),
    Keys("BIND_PREVWEAPON", &S::BIND_PREVWEAPON, "keys that take the previous weapon you own"),
    Keys("BIND_MAP", &S::BIND_MAP, "more keys that show the overhead map (as Tab)"),
    Keys("BIND_SCREENSHOT", &S::BIND_SCREENSHOT, "more screenshot keys (as F12)"),
    Keys("BIND_QUICKSAVE", &S::BIND_QUICKSAVE, "more keys that save into slot 0 (as F6)"),
    Keys("BIND_QUICKLOAD", &S::BIND_QUICKLOAD, "more keys that load slot 0 (as F9)"),
};
const int kSettingCount = int(sizeof kSettings / sizeof kSettings[0]);

const SettingDef* FindSetting(const char* name) {
    if (!name) return nullptr;
    for (const SettingDef& d : kSettings)
        if (strcmp(d.name, name) == 0) return &d;
    return nullptr;
}

int32_t SettingWordCount(const SettingDef& d) {
    if ((d.kind != SETTING_NUMBER && d.kind != SETTING_SIZE) || !d.choices) return 0;
    int32_t count = 1;
    for (const char* p = d.choices; *p; ++p) count += *p == '|';
    return count;
}

std::string SettingWord(const SettingDef& d, int32_t value) {
    // Switches and choices name the values lo..hi; numbers and sizes name 0, 1, ... below their range.
    const bool below = d.kind == SETTING_NUMBER || d.kind == SETTING_SIZE;
    const int32_t first = below ? 0 : d.lo, last = below ? SettingWordCount(d) - 1 : d.hi;
    if (!d.choices || value < first || value > last) return "";
    const char* p = d.choices;
    for (int32_t v = first; v < value; ++v) p = strchr(p, '|') + 1;
    const char* end = strchr(p, '|');
    return end ? std::string(p, end) : std::string(p);
}

int32_t SettingNumber(const SettingsRecord& s, const SettingDef& d) { return d.field ? s.*d.field : 0; }

std::string ScreenSizeText(int32_t value) {
    return std::to_string(ScreenSizeWidth(value)) + "x" + std::to_string(ScreenSizeHeight(value));
}

std::string SettingNumberText(const SettingDef& d, int32_t value) {
    if (d.kind == SETTING_CHOICE) return value >= d.lo && value <= d.hi ? SettingWord(d, value) : std::to_string(value);
    if (value >= 0 && value < SettingWordCount(d)) return SettingWord(d, value);
    return d.kind == SETTING_SIZE ? ScreenSizeText(value) : std::to_string(value);
}

std::string SettingShownText(const SettingsRecord& s, const SettingDef& d) {
    switch (d.kind) {
    case SETTING_SWITCH: return s.*d.field ? "on" : "off";
    case SETTING_TEXT: return SettingTextBuffer(s, d);
    case SETTING_KEYS: return "";
    default: return SettingNumberText(d, s.*d.field);
    }
}

std::string SettingsInText(const SettingsRecord& s, const char* text) {
    std::string out;
    for (const char* p = text; *p;) {
        const char* close = *p == '{' ? strchr(p, '}') : nullptr;
        if (close) {
            const std::string name(p + 1, close);
            const SettingDef* d = FindSetting(name.c_str());
            if (d && d->kind != SETTING_KEYS) {
                out += SettingShownText(s, *d);
                p = close + 1;
                continue;
            }
        }
        out += *p++;
    }
    return out;
}

bool SettingValueValid(const SettingDef& d, int32_t value) {
    if (!d.field) return false;
    if (d.kind == SETTING_KEYS) return true;
    if (value >= 0 && value < SettingWordCount(d)) return true;
    if (d.kind == SETTING_SIZE) {
        const int32_t w = ScreenSizeWidth(value), h = ScreenSizeHeight(value);
        return w >= ScreenSizeWidth(d.lo) && w <= ScreenSizeWidth(d.hi) && h >= ScreenSizeHeight(d.lo) &&
               h <= ScreenSizeHeight(d.hi);
    }
    return value >= d.lo && value <= d.hi;
}

bool SetSettingNumber(SettingsRecord& s, const SettingDef& d, int32_t value) {
    if (!d.field) return true;
    if (SettingValueValid(d, value)) {
        s.*d.field = value;
        return true;
    }
    if (d.kind == SETTING_SIZE) {  // a size outside the range has no nearest one worth guessing
        s.*d.field = d.byDefault;
        return false;
    }
    const int32_t used = value < d.lo ? d.lo : value > d.hi ? d.hi : value;
    s.*d.field = used;
    return used == value;
}

char* SettingTextBuffer(SettingsRecord& s, const SettingDef& d) {
    return d.kind == SETTING_TEXT ? reinterpret_cast<char*>(&s) + d.textOffset : nullptr;
}
const char* SettingTextBuffer(const SettingsRecord& s, const SettingDef& d) {
    return d.kind == SETTING_TEXT ? reinterpret_cast<const char*>(&s) + d.textOffset : nullptr;
}

void ResetSettingsToDefaults(SettingsRecord& s) {
    for (const SettingDef& d : kSettings) {
        if (d.kind == SETTING_TEXT)
            SettingTextBuffer(s, d)[0] = 0;
        else
            s.*d.field = d.byDefault;
    }
}

bool SameRecordedSettings(const SettingsRecord& a, const SettingsRecord& b) {
    for (const SettingDef& d : kSettings)
        if ((d.flags & (SETTING_RULE | SETTING_INPUT | SETTING_SCREEN)) && SettingNumber(a, d) != SettingNumber(b, d))
            return false;
    return true;
}
