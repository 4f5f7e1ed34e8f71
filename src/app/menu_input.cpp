// Working the menu: moving the selection with the keys or the pointer, and the four item actions.
#include "app/menu_input.h"

#include <cstring>

#include "app/commands.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "game/contact.h"
#include "input/input.h"
#include "net/netplay.h"

int ActivateMenuItem() {
    PlaySound(SoundBufferFor(SOUND_ROW_MENU, SOUND_SLOT_MENU_ACTIVATE));
    if (Menu.itemCount < 1 || Menu.selected < 0 || Menu.selected >= Menu.itemCount) return 1;
    MenuItem& item = Menu.items[Menu.selected];
    if (strcmp(item.action, "MENU") == 0) {
        char name[64];
        CopyBounded(name, item.argument);
        LoadMenuItems(name);
    } else if (strcmp(item.action, "GAME") == 0) {
        char level[64];
        CopyBounded(level, item.argument);
        // In a network game the host's choice starts the level for everyone.
        const int net = NetPlayStartLevel(level);
        if (net == NETLEVEL_ORDERED) {
            Menu.Visible = 0;
        } else if (net == NETLEVEL_REFUSED) {
        } else if (LoadLevel(level)) {
            Menu.Visible = 0;
        } else {
            // The level cannot be played: the menu stays up and usable, the full-screen console rolls
            // away, and the reason stays on screen as a notify line.
            ConsoleToggle();
        }
    } else if (strcmp(item.action, "SCRIPT") == 0) {
        char command[64];
        CopyBounded(command, item.argument);
        ExecuteCommand(command);
    }
    return 1;
}

int MenuUp() {
    if (Menu.selected >= 1) {
        --Menu.selected;
        PlaySound(SoundBufferFor(SOUND_ROW_MENU, SOUND_SLOT_MENU_MOVE));
    }
    return 1;
}

int MenuDown() {
    if (Menu.selected < Menu.itemCount - 1) {
        ++Menu.selected;
        PlaySound(SoundBufferFor(SOUND_ROW_MENU, SOUND_SLOT_MENU_MOVE));
    }
    return 1;
}

static int HitItem(int x, int y) {
    for (int i = 0; i < Menu.itemCount; ++i) {
        const MenuItem& m = Menu.items[i];
        if (x > m.x && y > m.y && x < m.x + m.width && y < m.y + m.height) return i;
    }
    return -1;
}

int HoverMenu(int x, int y) {
    int i = HitItem(x, y);
    if (i < 0) return 0;
    if (i != Menu.selected) {
        Menu.selected = i;
        PlaySound(SoundBufferFor(SOUND_ROW_MENU, SOUND_SLOT_MENU_MOVE));
    }
    return i;
}

int ClickMenu(int x, int y) {
    int i = HitItem(x, y);
    if (i < 0) return 0;
    Menu.selected = i;
    ActivateMenuItem();
    return i;
}

int ToggleMenu() {
    Menu.Visible = !Menu.Visible;
    Input.PointerX = int32_t(Settings.ScreenCentreX);
    Input.PointerY = int32_t(Settings.ScreenCentreY);
    return 1;
}
