// Aids drawn over a level's frame: the crosshair with its hit mark, and the overhead map.
#pragma once
#include <cstdint>

constexpr float AUTOMAP_RANGE = 40.0f;  // the map shows the walls within this many units each way

// With CROSSHAIR set and the player alive: a small white cross at the screen's centre, and while the
// player's last hit on a monster is fresh (HitMarkTicks) four red ticks around it. Call with the back
// buffer locked; draws nothing otherwise.
void DrawCrosshair();

// With AUTOMAP set and the map shown (Tab): a square panel in the middle of the screen, cleared to
// black, with the floor-plan walls within AUTOMAP_RANGE of the player, north (+z) up or turned with
// the player (AutomapHeadingUp), the exit (at the panel's edge when it lies beyond), the monsters when
// AUTOMAP is 2 and the player as an arrow at the centre. Call with the back buffer locked.
void DrawAutomap();

// The panel's square on the screen: left, top and side in pixels, for SCREENX x SCREENY.
void AutomapPanel(int* left, int* top, int* side);
