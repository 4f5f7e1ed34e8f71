// Per-tick dispatch: routes the keys to the console, the menu or the state's handler, then ticks.
#pragma once

void HandleInput();
int TickGameState();
// The animation step with the console's fade and roll (every state's first step).
void AnimateTick();
void MenuKeys();
void WaitContinueKey();
void ReadPlayerControls();
