// Working the menu: navigation and the item actions (NADDA, MENU, GAME, SCRIPT).
#pragma once

int ActivateMenuItem();
int MenuUp();
int MenuDown();
// Index of the item under the pointer, 0 when none.
int HoverMenu(int x, int y);
int ClickMenu(int x, int y);
int ToggleMenu();
