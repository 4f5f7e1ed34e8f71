// The settings: read once from config.ini at start-up (app/settings.h), changed by console commands;
// every part of the program asks this record, never the definition reader.
#pragma once
#include <cstdint>

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

    // Options a player sets (also in the user's own config.ini), each today's behaviour by default.
    int32_t MOUSESENS = 100;  // percent: scales mouse motion for the pointer and mouse look
    int32_t FULLSCREEN = 1;   // 0: a window (Alt+Enter switches)
    int32_t SHADING = 1;      // at start-up: depth shading of lines (TOGGLESHADING)
    int32_t ZBUFFER = 1;      // at start-up: hidden-line removal by the floor plan (TOGGLEZBUFF)
    int32_t MOUSELOOK = 1;    // at start-up: the mouse turns, the arrows strafe (TOGGLEMOUSELOOK)
    // Key bindings: up to four more keys for an action, as key codes packed low byte first (0 = none).
    int32_t BIND_FORWARD = 0, BIND_BACK = 0, BIND_LEFT = 0, BIND_RIGHT = 0, BIND_STRAFELEFT = 0, BIND_STRAFERIGHT = 0,
            BIND_FIRE = 0;
};
extern SettingsRecord Settings;

// A setting's key, its field and its value in the classic game.
struct RuleKey {
    const char* name;
    int32_t SettingsRecord::*field;
    int32_t classic = 0;
};
// The rules and aids: read from config.ini, written into recordings.
inline constexpr RuleKey kRuleKeys[] = {
    {"SOLIDWALLS", &SettingsRecord::SOLIDWALLS}, {"HUNTERS", &SettingsRecord::HUNTERS},
    {"AUTOPAUSE", &SettingsRecord::AUTOPAUSE},   {"TOTALSCORE", &SettingsRecord::TOTALSCORE},
    {"RETRY", &SettingsRecord::RETRY},           {"CROSSHAIR", &SettingsRecord::CROSSHAIR},
    {"LEVELNAMES", &SettingsRecord::LEVELNAMES}, {"AUTOMAP", &SettingsRecord::AUTOMAP},
};
inline constexpr int kRuleKeyCount = int(sizeof kRuleKeys / sizeof kRuleKeys[0]);
// The options that change what the player's input does: written into recordings with the rules, so
// that a recording replays the same whatever the replaying player's options.
inline constexpr RuleKey kInputKeys[] = {
    {"MOUSESENS", &SettingsRecord::MOUSESENS, 100},
    {"MOUSELOOK", &SettingsRecord::MOUSELOOK, 1},
    {"JOYSTICK", &SettingsRecord::JoystickOn, 1},
    {"BIND_FORWARD", &SettingsRecord::BIND_FORWARD},
    {"BIND_BACK", &SettingsRecord::BIND_BACK},
    {"BIND_LEFT", &SettingsRecord::BIND_LEFT},
    {"BIND_RIGHT", &SettingsRecord::BIND_RIGHT},
    {"BIND_STRAFELEFT", &SettingsRecord::BIND_STRAFELEFT},
    {"BIND_STRAFERIGHT", &SettingsRecord::BIND_STRAFERIGHT},
    {"BIND_FIRE", &SettingsRecord::BIND_FIRE},
};
inline constexpr int kInputKeyCount = int(sizeof kInputKeys / sizeof kInputKeys[0]);
// The key codes packed in a binding value, in order; 0 ends the list.
inline uint8_t BoundKey(int32_t binding, int i) { return uint8_t(uint32_t(binding) >> (8 * i)); }
