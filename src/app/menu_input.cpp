// Working the menu: moving the selection with the keys or the pointer, and the four item actions.
#include "app/menu_input.h"

#include <cstdio>
#include <cstring>

#include "app/commands.h"
#include "app/savegame.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "game/contact.h"
#include "game/skill.h"
#include "input/input.h"
#include "net/netplay.h"

namespace {

MenuItem MadeItem(const char* text, const char* action, const char* argument) {
    MenuItem item{};
    CopyBounded(item.text, text);
    CopyBounded(item.action, action);
    CopyBounded(item.argument, argument);
    return item;
}

void StartLevel(const char* level) {
    // In a network game the host's choice starts the level for everyone.
    const int net = NetPlayStartLevel(level);
    if (net == NETLEVEL_REFUSED) return;
    if (net == NETLEVEL_ORDERED || LoadLevel(level)) {
        Menu.Visible = 0;
    } else {
        // The level cannot be played: the menu stays up and usable, the full-screen console rolls
        // away, and the reason stays on screen as a notify line.
        ConsoleToggle();
    }
}

// The eight slots, each with its level's name, skill and the time it was saved, or "empty"; then Back.
void OpenSlotList(bool saving) {
    MenuItem items[SAVE_SLOTS + 1];
    for (int s = 0; s < SAVE_SLOTS; ++s) {
        const SaveSlotSummary slot = ReadSaveSlot(s);
        char text[64], number[8];
        if (slot.state == SLOT_SAVED) {
            // "2024-05-14 14:32" is shown as "05-14 14:32".
            const std::string when = slot.saved.size() > 5 ? slot.saved.substr(5) : slot.saved;
            snprintf(text, sizeof text, "%d  %.20s, %s, %.11s", s, (slot.name.empty() ? slot.level : slot.name).c_str(),
                     SkillName(slot.skill), when.c_str());
        } else {
            snprintf(text, sizeof text, "%d  %s", s, slot.state == SLOT_EMPTY ? "empty" : "unreadable");
        }
        snprintf(number, sizeof number, "%d", s);
        items[s] = MadeItem(text, saving ? "SAVESLOT" : "LOADSLOT", number);
    }
    items[SAVE_SLOTS] = MadeItem("Back", "BACK", "");
    ShowMenuItems(saving ? MENU_SAVE_SLOTS : MENU_LOAD_SLOTS, items, SAVE_SLOTS + 1, 0);
}

// New Game's question: the four skills, the second selected; then Back.
void OpenSkillList(const char* level) {
    MenuItem items[SKILL_LEVELS + 1];
    for (int s = 1; s <= SKILL_LEVELS; ++s) {
        char argument[64];
        snprintf(argument, sizeof argument, "%d %.60s", s, level);
        items[s - 1] = MadeItem(SkillName(s), "SKILL", argument);
    }
    items[SKILL_LEVELS] = MadeItem("Back", "BACK", "");
    ShowMenuItems(MENU_SKILLS, items, SKILL_LEVELS + 1, 1);
}

// A slot's number from a list item's argument, -1 for none.
int SlotOf(const char* argument) {
    return argument[0] >= '0' && argument[0] < '0' + SAVE_SLOTS && !argument[1] ? argument[0] - '0' : -1;
}

}  // namespace

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
        // The skill rule: a new game asks how hard it should be.
        if (Settings.SKILL)
            OpenSkillList(level);
        else
            StartLevel(level);
    } else if (strcmp(item.action, "SKILL") == 0 && Menu.made == MENU_SKILLS) {
        char argument[64];
        CopyBounded(argument, item.argument);
        const int skill = argument[0] - '0';
        if (skill >= 1 && skill <= SKILL_LEVELS && argument[1] == ' ') {
            Settings.SKILL = skill;
            LeaveMenuItems();
            StartLevel(argument + 2);
        }
    } else if (strcmp(item.action, "SLOTS") == 0) {
        // The saved games' lists: Save game only while a level is played.
        const bool saving = strcmp(item.argument, "SAVE") == 0;
        if (SaveGamesReady(saving)) OpenSlotList(saving);
    } else if (strcmp(item.action, "SAVESLOT") == 0 && Menu.made == MENU_SAVE_SLOTS) {
        if (SaveGame(SlotOf(item.argument))) {
            LeaveMenuItems();
            Menu.Visible = 0;  // saved: the game goes on
        }
    } else if (strcmp(item.action, "LOADSLOT") == 0 && Menu.made == MENU_LOAD_SLOTS) {
        LoadGame(SlotOf(item.argument));
    } else if (strcmp(item.action, "BACK") == 0 && Menu.made != MENU_FROM_FILE) {
        LeaveMenuItems();
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
    // Escape on a list the program made goes back to the menu it came from.
    if (Menu.Visible && Menu.made != MENU_FROM_FILE)
        LeaveMenuItems();
    else
        Menu.Visible = !Menu.Visible;
    Input.PointerX = int32_t(Settings.ScreenCentreX);
    Input.PointerY = int32_t(Settings.ScreenCentreY);
    return 1;
}
