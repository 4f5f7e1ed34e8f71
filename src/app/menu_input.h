// Working the menu: navigation and the item actions (NADDA, MENU, GAME, SCRIPT).
#pragma once

int ActivateMenuItem();
int MenuUp();
int MenuDown();
// Index of the item under the pointer, 0 when none.
int HoverMenu(int x, int y);
int ClickMenu(int x, int y);
int ToggleMenu();
// Left (-1) or Right (+1) on the selected item: a setting's item steps its value (SETTING;KEY).
void MenuStep(int dir);
// Delete on the Controls list: the selected action's bound keys are taken away.
void MenuClearKeys();
// The Controls list waits for the key to add to an action (Enter was pressed on it).
bool ControlsCapturing();
// Takes the key, mouse button or wheel turn pressed in this read for the action waiting for one: Escape
// cancels, Delete clears the action's bound keys, a key with a job of its own is refused with a line.
void ControlsCaptureKey();
