// The one on-screen menu: loading menu and item files, navigation and item actions.
#pragma once
#include <cstdint>

constexpr int MENU_FILE_ITEMS = 6;  // an items file gives at most six items
constexpr int MENU_ITEMS = 10;      // the lists the program makes (the saved games' slots) hold more

// The lists the program makes in place of an items file.
enum { MENU_FROM_FILE = 0, MENU_SAVE_SLOTS = 1, MENU_LOAD_SLOTS = 2, MENU_SKILLS = 3, MENU_CONTROLS = 4 };
constexpr int MENU_TRAIL = 8;  // how many menus back Escape can go (MENUBACK)

struct MenuItem {
    int32_t x, y, width, height;
    char text[64];
    char action[64];
    char argument[64];
    char shown[64];  // the text as drawn: its {KEY} names replaced by the settings' values
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
    // A list the program made (MENU_ kind, MENU_FROM_FILE when the items are a file's), and the file's
    // items it goes back to, with the one that was selected.
    int32_t made;
    int32_t fileItemCount, fileSelected;
    MenuItem fileItems[MENU_FILE_ITEMS];
    // The items files a MENU item left, oldest first, each with the item that was selected: where Escape
    // goes back to on the start menu (MENUBACK).
    char trail[MENU_TRAIL][64];
    int32_t trailSelected[MENU_TRAIL];
    int32_t trailCount;
    // The Controls list: its page, and the action waiting for a key (its number + 1; 0: none).
    int32_t controlsPage;
    int32_t capturing;
};
extern MenuRecord Menu;

// Enters the menu state, loads the menu file's music, sounds and items, shows the menu. Returns 1.
int LoadMenu(const char* file, bool stopMusic);
// Loads an items file (or reloads the current one when name is null) and lays the items out.
int LoadMenuItems(const char* name);
// The MENU action: loads the items file, remembering the one it leaves to go back to; a file remembered
// already (a Back item) is gone back to, and what was remembered after it forgotten.
void EnterMenuItems(const char* name);
// Back to the items file the last MENU action left, with the item that was selected there; false when
// there is none (the start menu's first items).
bool MenuBack();
// Lays out again the items whose shown text changed (a setting changed under the menu).
void RefreshMenuTexts();
// An item the program makes: its texts cut to fit.
MenuItem MakeMenuItem(const char* text, const char* action, const char* argument);
// Shows `count` items the program made (at most MENU_ITEMS) instead of the items file, laid out as a
// file's items are, with `selected` selected; the file's items shown before are kept to go back to.
void ShowMenuItems(int made, const MenuItem* items, int count, int selected);
// Back from a list the program made to the file's items it came from, the one that opened it selected
// (nothing when the items are a file's).
void LeaveMenuItems();
