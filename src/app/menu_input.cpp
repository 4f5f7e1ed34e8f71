// Working the menu: moving the selection with the keys or the pointer, and the four item actions.
#include "app/menu_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/commands.h"
#include "app/controls.h"
#include "app/menu_settings.h"
#include "app/savegame.h"
#include "app/settings.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "game/contact.h"
#include "game/skill.h"
#include "input/input.h"
#include "net/netplay.h"

namespace {

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
        items[s] = MakeMenuItem(text, saving ? "SAVESLOT" : "LOADSLOT", number);
    }
    items[SAVE_SLOTS] = MakeMenuItem("Back", "BACK", "");
    ShowMenuItems(saving ? MENU_SAVE_SLOTS : MENU_LOAD_SLOTS, items, SAVE_SLOTS + 1, 0);
}

// New Game's question: the four skills, the one SKILL names selected; then Back.
void OpenSkillList(const char* level) {
    MenuItem items[SKILL_LEVELS + 1];
    for (int s = 1; s <= SKILL_LEVELS; ++s) {
        char argument[64];
        snprintf(argument, sizeof argument, "%d %.60s", s, level);
        items[s - 1] = MakeMenuItem(SkillName(s), "SKILL", argument);
    }
    items[SKILL_LEVELS] = MakeMenuItem("Back", "BACK", "");
    ShowMenuItems(MENU_SKILLS, items, SKILL_LEVELS + 1, Skill() - 1);
}

constexpr int kControlsPerPage = 7;

// The Controls list: a page of actions with their keys (the one waiting for a key says so), then the next
// page and Back.
void OpenControlsList(int page, int selected) {
    const int pages = (CTRL_COUNT + kControlsPerPage - 1) / kControlsPerPage;
    page = (page % pages + pages) % pages;
    MenuItem items[kControlsPerPage + 2];
    int n = 0;
    for (int id = page * kControlsPerPage; id < CTRL_COUNT && id < (page + 1) * kControlsPerPage; ++id) {
        const std::string keys = Menu.capturing == id + 1 ? "press a key" : ControlKeysText(id);
        const std::string text = std::string(kControlActions[id].label) + ": " + keys;
        items[n++] = MakeMenuItem(text.c_str(), "BIND", std::to_string(id).c_str());
    }
    items[n++] = MakeMenuItem("More controls...", "CONTROLS", std::to_string(page + 1).c_str());
    items[n++] = MakeMenuItem("Back", "BACK", "");
    Menu.controlsPage = page;
    ShowMenuItems(MENU_CONTROLS, items, n, selected);
}

// The action of the selected item of the Controls list, -1 for none.
int SelectedAction() {
    if (Menu.made != MENU_CONTROLS || Menu.selected < 0 || Menu.selected >= Menu.itemCount) return -1;
    const MenuItem& item = Menu.items[Menu.selected];
    if (strcmp(item.action, "BIND") != 0) return -1;
    const int id = atoi(item.argument);
    return id >= 0 && id < CTRL_COUNT ? id : -1;
}

// A change of the Controls list made: the list shown anew, the line that says what happened, the player's
// file saved.
void ControlsChanged(const SettingsRecord& before, const std::string& said) {
    OpenControlsList(Menu.controlsPage, Menu.selected);
    if (!said.empty()) PrintNotify(NOTIFY_GAME, said.substr(0, CONSOLE_LINE_BYTES - 1).c_str());
    if (SavedSettingsDiffer(before, Settings)) SaveUserSettings();
}

// What a setting's item is called: its text before the value ("Sound volume: {SOUNDVOL}").
std::string ItemLabel(const char* text) {
    std::string label(text, strcspn(text, ":{"));
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label;
}

// Steps the selected setting's item; the selection stays where it was when the screen's change laid the
// items out again.
bool StepSelected(int dir, bool wrap) {
    if (Menu.selected < 0 || Menu.selected >= Menu.itemCount) return false;
    const MenuItem& item = Menu.items[Menu.selected];
    if (strcmp(item.action, "SETTING") != 0) return false;
    char key[64], file[256];
    CopyBounded(key, item.argument);
    CopyBounded(file, Menu.fileName);
    const std::string label = ItemLabel(item.text);
    const int32_t selected = Menu.selected;
    const bool changed = StepSetting(key, label.c_str(), dir, wrap);
    if (strcmp(file, Menu.fileName) == 0 && selected < Menu.itemCount) Menu.selected = selected;
    return changed;
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
        EnterMenuItems(name);
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
    } else if (strcmp(item.action, "SETTING") == 0) {
        StepSelected(1, true);
    } else if (strcmp(item.action, "CONTROLS") == 0) {
        const int page = Menu.made == MENU_CONTROLS ? atoi(item.argument) : 0;
        Menu.capturing = 0;
        OpenControlsList(page, 0);
        if (page == 0) PrintNotify(NOTIFY_GAME, "Enter adds a key to an action, Delete takes its added keys away");
    } else if (strcmp(item.action, "BIND") == 0 && SelectedAction() >= 0) {
        const int id = SelectedAction();
        Menu.capturing = id + 1;
        OpenControlsList(Menu.controlsPage, Menu.selected);
        char line[CONSOLE_LINE_BYTES];
        snprintf(line, sizeof line, "Press a key or a mouse button for %s (Escape: as it was, Delete: clear)",
                 kControlActions[id].label);
        PrintNotify(NOTIFY_GAME, line);
    }
    return 1;
}

void MenuStep(int dir) {
    if (StepSelected(dir, false)) PlaySound(SoundBufferFor(SOUND_ROW_MENU, SOUND_SLOT_MENU_ACTIVATE));
}

void MenuClearKeys() {
    const int id = SelectedAction();
    if (id < 0) return;
    const SettingsRecord before = Settings;
    ControlClearKeys(id);
    ControlsChanged(before, std::string(kControlActions[id].label) + ": " + ControlKeysText(id));
}

bool ControlsCapturing() {
    return Menu.capturing > 0 && Menu.capturing <= CTRL_COUNT && Menu.Visible && Menu.made == MENU_CONTROLS &&
           ConsoleIsClosed();
}

void ControlsCaptureKey() {
    const int code = InputCodeJustPressed();
    if (!code) return;
    const int id = Menu.capturing - 1;
    if (code != DIK_ESCAPE && code != DIK_DELETE && ReservedKey(code)) {
        char line[CONSOLE_LINE_BYTES];
        snprintf(line, sizeof line, "%s keeps its own job (console, menu, screenshot, map)", InputCodeName(code));
        PrintNotify(NOTIFY_GAME, line);
        return;
    }
    const SettingsRecord before = Settings;
    std::string said;
    if (code == DIK_DELETE) {
        ControlClearKeys(id);
        said = std::string(kControlActions[id].label) + ": " + ControlKeysText(id);
    } else if (code != DIK_ESCAPE) {
        ControlBindKey(id, code, &said);
    }
    Menu.capturing = 0;
    PlaySound(SoundBufferFor(SOUND_ROW_MENU, SOUND_SLOT_MENU_ACTIVATE));
    ControlsChanged(before, said);
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
    // Escape on a list the program made goes back to the menu it came from; with MENUBACK and no level
    // loaded, to the menu the last MENU item left, and on the start menu's first items it does nothing:
    // the menu never leaves an empty screen.
    if (Menu.Visible && Menu.made != MENU_FROM_FILE)
        LeaveMenuItems();
    else if (Settings.MENUBACK && Menu.Visible && Program.GameState == GS_MENU)
        MenuBack();
    else
        Menu.Visible = !Menu.Visible;
    Input.PointerX = int32_t(Settings.ScreenCentreX);
    Input.PointerY = int32_t(Settings.ScreenCentreY);
    return 1;
}
