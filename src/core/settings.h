// The settings: one record that every part of the program asks (never the definition reader), and the
// registry, one row per config.ini key, that says how each key is read, saved, recorded and shown.
// Reading config.ini and the player's file, saving, recordings, the runner's dump, the author's check and
// `zarvo --list-settings` all go through the registry; a new setting is a field and a row.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct SettingsRecord {
    int32_t SCREENX = 640;  // screen width in pixels: 640, 800 or 1024
    int32_t SCREENY = 480;  // screen height in pixels: 480, 600 or 768
    int32_t SCREENBPP = 8;  // display depth; always 8 once settings are read
    int32_t SOUNDVOL = 80;  // sound-effect volume 0..100
    int32_t MUSICVOL = 80;  // music volume 0..100
    char StartMenuFile[72] = "";
    char SoundFont[288] = "";  // SOUNDFONT: a General MIDI soundfont, empty for the system's usual ones
    // The screen's centre, SCREENX >> 1 and SCREENY >> 1, set with the screen by the video device.
    uint32_t ScreenCentreX = 320, ScreenCentreY = 240;
    int32_t JoystickOn = 1;  // joystick steering switch, flipped by JOYSTICK
    // How the frame fills the window and how a larger screen shows the view; 0 keeps the classic look.
    int32_t SCALING = 0;    // SCALING: 0 "fit" (as large as the window allows), 1 "integer" (whole multiples)
    int32_t SCALEVIEW = 0;  // 1: projection, weapon view, texts and aids scale with SCREENY / 480
    // SCREENSIZE: the screen's size beyond the classic three. SCREENSIZE_CLASSIC keeps SCREENX and SCREENY;
    // SCREENSIZE_DESKTOP takes the display's size, SCREENSIZE_WINDOW the window's (and follows it); any
    // other value is a size, ScreenSizeValue(width, height).
    int32_t SCREENSIZE = 0;
    // FRAMERATE: FRAMERATE_CLASSIC keeps the 25 ms frame timer, FRAMERATE_DISPLAY takes the display's
    // refresh rate, any other value is frames a second (30..500).
    int32_t FRAMERATE = 0;
    int32_t NEARCLIP = 0;  // 1: a segment with one end behind the near limit is cut there and drawn

    // Rules and aids beyond the classic game: each a config.ini key, off (0) unless it is set.
    int32_t SOLIDWALLS = 0;  // walls stop shots, rockets and monster sight
    int32_t HUNTERS = 0;     // monsters walk where they look, turn to a player they see and hunt him
    int32_t AUTOPAUSE = 0;   // the level pauses while the window has no focus or the console is down
    int32_t TOTALSCORE = 0;  // the score rewards what was done and adds up over the campaign
    int32_t RETRY = 0;       // after a death a continue key plays the level again as it was entered
    int32_t CROSSHAIR = 0;   // a crosshair at the screen's centre, with a mark for hits
    int32_t LEVELNAMES = 0;  // a level's NAME is shown when it starts and on its level-complete screen
    int32_t AUTOMAP = 0;     // Tab shows an overhead map (2: with the monsters)
    int32_t SOUNDRATE = 0;   // SOUNDRATE=FILE (1): an effect recorded at another rate is resampled to the playback rate
    int32_t SAVEGAMES = 0;   // saved games: SAVEGAME / LOADGAME, F6 / F9 and the menus' slot lists
    int32_t SKILL = 0;       // 1..4: the campaign's skill, asked by New Game (0: not asked, the classic game)
    int32_t LEVELSTATS = 0;  // kills, items, time and par on the level-complete and victory screens
    int32_t OWNEDSWITCH = 0;  // a weapon run dry changes only to a weapon the player owns
    int32_t HITFEEDBACK = 0;  // a hit flashes the screen's edge and points to the shooter; the HUD's weapons
    int32_t MENUBACK = 0;     // with no level loaded, Escape goes back a menu and never hides the start menu

    // Options a player sets (also in the user's own config.ini), each today's behaviour by default.
    int32_t MOUSESENS = 100;  // percent: scales mouse motion for the pointer and mouse look
    int32_t FULLSCREEN = 1;   // 0: a window (Alt+Enter switches)
    int32_t SHADING = 1;      // depth shading of lines (TOGGLESHADING)
    int32_t ZBUFFER = 1;      // hidden-line removal by the floor plan (TOGGLEZBUFF)
    int32_t MOUSELOOK = 1;    // the mouse turns, the arrows strafe (TOGGLEMOUSELOOK)
    int32_t CONSOLEAIDS = 0;  // the console recalls, completes and keeps the typed line in sight
    int32_t SAYSTATE = 0;     // a switch's command says the state it leaves the switch in
    // Network play: the player's name, and what a host's game is (a deathmatch, its limits).
    char NAME[16] = "";
    int32_t DEATHMATCH = 0;  // 1: the host plays a deathmatch
    int32_t FRAGLIMIT = 0;   // a deathmatch's level ends when someone has this many frags (0: never)
    int32_t TIMELIMIT = 0;   // ... or after this many minutes (0: never)
    // Tests: the network transport drops LOSS percent of the datagrams it receives and holds back what it
    // sends DELAY ms, give or take JITTER ms ("LOSS,DELAY,JITTER"; empty: off).
    char NETSIM[24] = "";
    // Key bindings: up to four more keys for an action, as key codes packed low byte first (0 = none); the
    // mouse's buttons and wheel have codes of their own beyond the keyboard's (input/input.h).
    int32_t BIND_FORWARD = 0, BIND_BACK = 0, BIND_LEFT = 0, BIND_RIGHT = 0, BIND_STRAFELEFT = 0, BIND_STRAFERIGHT = 0,
            BIND_FIRE = 0, BIND_TURNLEFT = 0, BIND_TURNRIGHT = 0, BIND_WEAPON1 = 0, BIND_WEAPON2 = 0, BIND_WEAPON3 = 0,
            BIND_WEAPON4 = 0, BIND_WEAPON5 = 0, BIND_NEXTWEAPON = 0, BIND_PREVWEAPON = 0, BIND_MAP = 0,
            BIND_SCREENSHOT = 0, BIND_QUICKSAVE = 0, BIND_QUICKLOAD = 0;
};
extern SettingsRecord Settings;

enum : int32_t { SCREENSIZE_CLASSIC = 0, SCREENSIZE_DESKTOP = 1, SCREENSIZE_WINDOW = 2 };
enum : int32_t { FRAMERATE_CLASSIC = 0, FRAMERATE_DISPLAY = 1 };
// The sizes SCREENSIZE takes, and the frame rates FRAMERATE takes.
constexpr int32_t SCREEN_MIN_W = 640, SCREEN_MIN_H = 480, SCREEN_MAX_W = 7680, SCREEN_MAX_H = 4320;
constexpr int32_t FRAMERATE_MIN = 30, FRAMERATE_MAX = 500;
// A screen size as SCREENSIZE keeps it: the width in the high 16 bits, the height in the low ones, so that
// sizes order by width, then height.
constexpr int32_t ScreenSizeValue(int32_t w, int32_t h) { return int32_t((uint32_t(w) << 16) | uint32_t(h & 0xFFFF)); }
constexpr int32_t ScreenSizeWidth(int32_t v) { return int32_t(uint32_t(v) >> 16); }
constexpr int32_t ScreenSizeHeight(int32_t v) { return v & 0xFFFF; }
// Whether a size lies within SCREEN_MIN_W x SCREEN_MIN_H .. SCREEN_MAX_W x SCREEN_MAX_H.
constexpr bool ScreenSizeInRange(int64_t w, int64_t h) {
    return w >= SCREEN_MIN_W && w <= SCREEN_MAX_W && h >= SCREEN_MIN_H && h <= SCREEN_MAX_H;
}

// ---- the registry ------------------------------------------------------------------------------------
enum SettingKind : uint8_t {
    SETTING_NUMBER,  // a whole number in lo..hi (a value outside is clamped with one console line)
    SETTING_SWITCH,  // 0 or 1
    SETTING_CHOICE,  // one of the words `choices`, stored as its index lo..hi (a number in range reads too)
    SETTING_TEXT,    // a text kept in a fixed buffer of the record (cut to fit)
    SETTING_KEYS,    // up to four key names separated by ';', packed as key codes low byte first
    SETTING_SIZE,    // a screen size WxH within lo..hi (ScreenSizeValue), or one of the words `choices`
};
// A number or a size may also take the words `choices`: the word i stands for the value i, below the range.
enum : uint8_t {
    SETTING_CLASSIC = 1,  // a key of the classic game
    SETTING_RULE = 2,     // a rule or aid beyond the classic game: recordings carry it and replay by it
    SETTING_INPUT = 4,    // changes what the player's input does: recordings carry it too
    SETTING_SAVED = 8,    // the player changes it in play: kept in his own config.ini
    SETTING_START = 16,   // takes effect only from the start menu (not while a level is loaded)
    SETTING_SCREEN = 32,  // shapes what the screen shows: recordings carry it and replay by it
};

struct SettingDef {
    const char* name;  // the config.ini key
    SettingKind kind;
    uint8_t flags;
    int32_t SettingsRecord::*field;  // every kind but text
    uint16_t textOffset, textSize;   // SETTING_TEXT: the buffer within the record
    int32_t byDefault;               // the value when the key is absent (the classic one)
    int32_t lo, hi;                  // the range of a number; INT32_MIN..INT32_MAX takes any value
    const char* choices;             // SWITCH, CHOICE: the words of the values lo..hi, separated by '|';
                                     // NUMBER, SIZE: the words of the values 0, 1, ... (below lo), or null
    const char* values;              // how the values are listed when the kind alone does not say
    const char* help;                // one line for the player
    int32_t step;                    // NUMBER: how far a menu's Left and Right move the value
};

extern const SettingDef kSettings[];
extern const int kSettingCount;

// The row of a key (exact, case-sensitive), or null.
const SettingDef* FindSetting(const char* name);
// The word of a switch's or a choice's value ("" for a value outside its range or another kind).
std::string SettingWord(const SettingDef& d, int32_t value);
// The number a row keeps in the record (0 for text).
int32_t SettingNumber(const SettingsRecord& s, const SettingDef& d);
// How many words a number's or a size's row has (the values 0 .. count-1); 0 for the other kinds.
int32_t SettingWordCount(const SettingDef& d);
// A number's, a choice's or a size's value as config.ini writes it: its word where it has one, else the
// number, or the size as WxH.
std::string SettingNumberText(const SettingDef& d, int32_t value);
// A screen size value as WxH.
std::string ScreenSizeText(int32_t value);
// A key's value as a menu shows it: a switch on or off, a choice or a word by name, a size as WxH, a number,
// a text; "" for key bindings (the Controls menu shows those).
std::string SettingShownText(const SettingsRecord& s, const SettingDef& d);
// A menu item's text as drawn: every {KEY} that names a setting (other than a binding) replaced by its
// value as shown; braces round anything else stay as written.
std::string SettingsInText(const SettingsRecord& s, const char* text);
// Whether a value is one the row takes as it stands.
bool SettingValueValid(const SettingDef& d, int32_t value);
// Stores a number, clamped into the row's range (a size outside it gives the default); false when it had
// to be changed.
bool SetSettingNumber(SettingsRecord& s, const SettingDef& d, int32_t value);
// The text buffer of a text row (null for the other kinds).
char* SettingTextBuffer(SettingsRecord& s, const SettingDef& d);
const char* SettingTextBuffer(const SettingsRecord& s, const SettingDef& d);
// Puts every key of the registry back to its value when absent.
void ResetSettingsToDefaults(SettingsRecord& s);
// Whether the keys recordings carry (rules, input options, the screen's) hold the same values in both records.
bool SameRecordedSettings(const SettingsRecord& a, const SettingsRecord& b);

// The key codes packed in a binding value, in order; 0 ends the list.
inline uint8_t BoundKey(int32_t binding, int i) { return uint8_t(uint32_t(binding) >> (8 * i)); }
