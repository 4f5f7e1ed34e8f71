// The drawing passes of a frame: level with occlusion, world objects and rockets, weapon view, HUD, end texts.
#pragma once
#include <cstdint>

#include "model/model.h"
#include "render/render.h"

// Sizes the column buffer to the current SCREENX + 1 entries (reallocating only when the size differs)
// and fills it with -20. Called by the level loader after loading the occlusion model; DrawLevelPass
// calls it too, so a resolution change without a new map load can never overrun the buffer. Returns 1.
int AllocateColumnBuffer();
// Releases the column buffer (exit).
void FreeColumnBuffer();

// Line passes: call with the back buffer locked (FramePixels/FramePitch valid), in this order:
// DrawLevelPass (resets and fills the column buffer), DrawObjectPass, DrawViewPass. They read
// ObjectTable[0] as the eye, LevelPlacement, the tables of game/world.h and the two flags above.
void DrawLevelPass();
void DrawObjectPass();
// Also issues the death texts while the player is dead.
void DrawViewPass();
// Health and ammunition texts.
void DrawHud();
// End-of-level and victory texts (issued after the unlock).
void DrawLevelComplete();
void DrawWon();
