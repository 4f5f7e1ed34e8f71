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
};
extern SettingsRecord Settings;

// The keys of the rules and aids, with their fields: read from config.ini, written into recordings.
struct RuleKey {
    const char* name;
    int32_t SettingsRecord::*field;
};
inline constexpr RuleKey kRuleKeys[] = {
    {"SOLIDWALLS", &SettingsRecord::SOLIDWALLS}, {"HUNTERS", &SettingsRecord::HUNTERS},
    {"AUTOPAUSE", &SettingsRecord::AUTOPAUSE},   {"TOTALSCORE", &SettingsRecord::TOTALSCORE},
    {"RETRY", &SettingsRecord::RETRY},           {"CROSSHAIR", &SettingsRecord::CROSSHAIR},
    {"LEVELNAMES", &SettingsRecord::LEVELNAMES}, {"AUTOMAP", &SettingsRecord::AUTOMAP},
};
inline constexpr int kRuleKeyCount = int(sizeof kRuleKeys / sizeof kRuleKeys[0]);
