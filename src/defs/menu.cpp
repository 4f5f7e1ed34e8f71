// Menus: the menu definition file, the items file, layout, navigation and the four item actions.
#include "defs/menu.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/music.h"
#include "audio/sound.h"
#include "core/bounded.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/definition.h"
#include "defs/sounds.h"
#include "game/contact.h"
#include "game/world.h"
#include "render/video.h"

MenuRecord Menu;

// Copies DefinitionValue into a 64-byte item field, saying so on the console when it had to be cut.
static void CopyItemField(char (&field)[64], int item, const char* what) {
    if (strlen(DefinitionValue) >= sizeof field) {
        char line[96];
        snprintf(line, sizeof line, "Menu item %d: %s cut to %d characters", item, what, int(sizeof field) - 1);
        Print(line);
    }
    CopyBounded(field, DefinitionValue);
}

// Measures an item's text as shown and centres it across the screen.
static void MeasureItem(MenuItem& item) {
    CopyBounded(item.shown, SettingsInText(Settings, item.text).c_str());
    item.width = item.height = 0;
    MeasureScreenText(item.shown, &item.width, &item.height, LargeFont);
    // Arithmetic shifts: the layout rounds toward minus infinity.
    item.x = int32_t(Settings.ScreenCentreX) - (item.width >> 1);
}

// Measures an item and places it in the column centred on the screen.
static void LayOutItem(int i) {
    MenuItem& item = Menu.items[i];
    MeasureItem(item);
    item.y = int32_t(Settings.ScreenCentreY) - ((Menu.itemCount * Menu.items[0].height) >> 1) + i * item.height;
}

void RefreshMenuTexts() {
    for (int i = 0; i < Menu.itemCount && i < MENU_ITEMS; ++i) {
        MenuItem& item = Menu.items[i];
        // Runs every tick and frame a menu shows: a text without braces, already shown as it is, costs a
        // comparison and no string.
        if (!strchr(item.text, '{') && strncmp(item.text, item.shown, sizeof item.shown) == 0) continue;
        if (SettingsInText(Settings, item.text).compare(0, sizeof item.shown - 1, item.shown) == 0) continue;
        // Only the width changes with the value: the item keeps its place in the column.
        const int32_t height = item.height;
        MeasureItem(item);
        item.height = height;
    }
}

MenuItem MakeMenuItem(const char* text, const char* action, const char* argument) {
    MenuItem item{};
    CopyBounded(item.text, text);
    CopyBounded(item.action, action);
    CopyBounded(item.argument, argument);
    return item;
}

void EnterMenuItems(const char* name) {
    for (int k = 0; k < Menu.trailCount; ++k)
        if (strcmp(Menu.trail[k], name) == 0) {
            Menu.trailCount = k;
            LoadMenuItems(name);
            return;
        }
    if (strcmp(Menu.fileName, name) != 0) {
        if (Menu.trailCount == MENU_TRAIL) {  // the oldest gives way
            memmove(Menu.trail[0], Menu.trail[1], sizeof Menu.trail[0] * (MENU_TRAIL - 1));
            memmove(Menu.trailSelected, Menu.trailSelected + 1, sizeof Menu.trailSelected[0] * (MENU_TRAIL - 1));
            --Menu.trailCount;
        }
        CopyBounded(Menu.trail[Menu.trailCount], Menu.fileName);
        Menu.trailSelected[Menu.trailCount++] = Menu.selected;
    }
    LoadMenuItems(name);
}

bool MenuBack() {
    if (Menu.trailCount <= 0) return false;
    --Menu.trailCount;
    char name[64];
    CopyBounded(name, Menu.trail[Menu.trailCount]);
    LoadMenuItems(name);
    const int32_t selected = Menu.trailSelected[Menu.trailCount];
    Menu.selected = selected >= 0 && selected < Menu.itemCount ? selected : 0;
    return true;
}

int LoadMenuItems(const char* name) {
    Menu.made = MENU_FROM_FILE;
    if (name) CopyBounded(Menu.fileName, name);
    PushDefinitionFile();
    LoadDefinitionFile(Menu.fileName);
    Menu.itemCount = 0;
    Menu.selected = 0;
    Menu.itemSpacing = 0;
    if (GetDefinitionValue("MENUITEMS", 0)) {
        // The menu holds six items.
        Menu.itemCount = DefinitionCount("MENUITEMS", MENU_FILE_ITEMS);
        GetDefinitionValue("ITEMSPACING", 0);
        Menu.itemSpacing = DefinitionInteger("ITEMSPACING");
        for (int i = 0; i < Menu.itemCount; ++i) {
            char key[16];
            snprintf(key, sizeof key, "%d", i);
            if (!GetDefinitionValue(key, 0)) continue;
            MenuItem& item = Menu.items[i];
            // A missing action or argument receives the field before it, as the lookup leaves it.
            CopyItemField(item.text, i, "text");
            GetDefinitionValue(key, 1);
            CopyItemField(item.action, i, "action");
            GetDefinitionValue(key, 2);
            CopyItemField(item.argument, i, "argument");
            LayOutItem(i);
        }
    }
    PopDefinitionFile();
    Menu.Visible = 1;
    return 1;
}

void ShowMenuItems(int made, const MenuItem* items, int count, int selected) {
    if (Menu.made == MENU_FROM_FILE) {
        Menu.fileItemCount = Menu.itemCount < MENU_FILE_ITEMS ? Menu.itemCount : MENU_FILE_ITEMS;
        for (int i = 0; i < Menu.fileItemCount; ++i) Menu.fileItems[i] = Menu.items[i];
        Menu.fileSelected = Menu.selected;
    }
    Menu.made = made;
    Menu.itemCount = count < 0 ? 0 : count > MENU_ITEMS ? MENU_ITEMS : count;
    for (int i = 0; i < Menu.itemCount; ++i) Menu.items[i] = items[i];
    for (int i = 0; i < Menu.itemCount; ++i) LayOutItem(i);
    // A list longer than a file's is stacked a little closer, to keep clear of the notify lines at the
    // top and the HUD at the bottom.
    const int32_t pitch = Scaled(40);
    if (Menu.itemCount > MENU_FILE_ITEMS && Menu.items[0].height > pitch) {
        for (int i = 0; i < Menu.itemCount; ++i) {
            Menu.items[i].y = int32_t(Settings.ScreenCentreY) - ((Menu.itemCount * pitch) >> 1) + i * pitch;
            Menu.items[i].height = pitch;
        }
    }
    Menu.selected = selected >= 0 && selected < Menu.itemCount ? selected : 0;
    Menu.Visible = 1;
}

void LeaveMenuItems() {
    if (Menu.made == MENU_FROM_FILE) return;
    Menu.made = MENU_FROM_FILE;
    Menu.itemCount = Menu.fileItemCount;
    for (int i = 0; i < Menu.itemCount; ++i) Menu.items[i] = Menu.fileItems[i];
    Menu.selected = Menu.fileSelected;
    Menu.Visible = 1;
}

int LoadMenu(const char* file, bool stopMusic) {
    Program.GameState = GS_MENU;
    Menu.trailCount = 0;
    for (int i = 1; i < OBJECT_COUNT; ++i) ClearObjectRecord(World.ObjectTable[i]);
    for (ObjectRecord& m : World.MissileTable) ClearObjectRecord(m);
    PushDefinitionFile();
    LoadDefinitionFile(file);
    StopAllBuffers();
    ReleaseAllBuffers();
    if (stopMusic) {
        StopCurrentMusic();
        UnloadAllMusic();
    }
    if (GetDefinitionValue("MENUMUSIC", 0)) LoadMusic(DefinitionValue);
    if (GetDefinitionValue("SOUNDS", 0)) LoadSoundList(DefinitionValue);
    // Without DEFMENU the current items stay: a menu file that names no items keeps what is shown.
    if (GetDefinitionValue("DEFMENU", 0)) {
        char name[64];
        CopyBounded(name, DefinitionValue);
        LoadMenuItems(name);
    }
    Menu.Visible = 1;
    PopDefinitionFile();
    return 1;
}
