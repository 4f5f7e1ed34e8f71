// Per-tick dispatch: routes the keys to the console, the menu or the state's handler, then ticks.
#pragma once

void HandleInput();
int TickGameState();
void MenuKeys();
void WaitContinueKey();
void ReadPlayerControls();
