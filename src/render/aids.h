// Aids drawn over a level's frame: the crosshair with its hit mark, and the overhead map.
#pragma once
#include <cstdint>

constexpr float AUTOMAP_RANGE = 40.0f;  // the map shows the walls within this many units each way

// With CROSSHAIR set and the player alive: a small white cross at the screen's centre, and while the
// player's last hit on a monster is fresh (HitMarkTicks) four red ticks around it. Call with the back
// buffer locked; draws nothing otherwise.
void DrawCrosshair();

// How long a hurt shows with HITFEEDBACK, in ticks (about half a second).
constexpr int HURT_SHOWN_TICKS = 80;

// With HITFEEDBACK set, for HURT_SHOWN_TICKS after the player is hurt (World.Hurt): the screen's edge glows
// red behind the lines, wider and brighter the more the hurt cost (30 and more: the most), fading; and a
// red arrowhead inside the edge points the way the hurt came from, as the player faces now. Call with the
// back buffer locked; draws nothing otherwise.
void DrawHitFeedback();

// With AUTOMAP set and the map shown (Tab): a square panel in the middle of the screen, cleared to
// black, with the floor-plan walls within AUTOMAP_RANGE of the player, north (+z) up or turned with
// the player (AutomapHeadingUp), the exit (at the panel's edge when it lies beyond), the monsters when
// AUTOMAP is 2 and the player as an arrow at the centre. Call with the back buffer locked.
void DrawAutomap();

// The panel's square on the screen: left, top and side in pixels, for SCREENX x SCREENY.
void AutomapPanel(int* left, int* top, int* side);
