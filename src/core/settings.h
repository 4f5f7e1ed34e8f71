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
};
extern SettingsRecord Settings;
