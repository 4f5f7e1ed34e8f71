// Per-tick dispatch: routes the keys to the console, the menu or the state's handler, then ticks.
#pragma once

#include <cstdint>

void HandleInput();
int TickGameState();
// One logic tick taken at `now`: HandleInput and TickGameState with the game clock held at `now`.
void RunLogicTick(uint32_t now);
// The clock the game step reads: during a logic tick, the time the tick was taken at (so that every
// reading within one tick agrees, also when the tick is replayed); otherwise the platform's clock.
uint32_t GameClockMs();
// The animation step with the console's fade and roll (every state's first step).
void AnimateTick();
void MenuKeys();
void WaitContinueKey();
void ReadPlayerControls();
