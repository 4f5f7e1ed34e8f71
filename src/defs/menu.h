// The one on-screen menu: loading menu and item files, navigation and item actions.
#pragma once
#include <cstdint>

constexpr int MENU_ITEMS = 6;  // the menu holds at most six items

struct MenuItem {
    int32_t x, y, width, height;
    char text[64];
    char action[64];
    char argument[64];
};

struct MenuRecord {
    int32_t itemCount;
    int32_t selected;
    int32_t itemSpacing;
    MenuItem items[MENU_ITEMS];
    char fileName[256];
    int32_t Visible;
    // The pointer's glyph, half its size as measured at the view scale it was measured at (0: not yet).
    int32_t pointerHalfW, pointerHalfH;
    double pointerScale;
};
extern MenuRecord Menu;

// Enters the menu state, loads the menu file's music, sounds and items, shows the menu. Returns 1.
int LoadMenu(const char* file, bool stopMusic);
// Loads an items file (or reloads the current one when name is null) and lays the items out.
int LoadMenuItems(const char* name);
