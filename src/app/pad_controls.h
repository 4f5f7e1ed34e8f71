// The pad's part in the controls, ORed into the keyboard's: nothing happens here unless a pad is present
// and the JOYSTICK switch is on.
#pragma once

struct ControlFlags;

// In a running level: the left stick or d-pad walks forward and back and turns (strafes with mouse look
// on, as the arrow keys do), the right stick turns, fire fires, the shoulders step to the next or previous weapon owned
// (the knife always is) on their press, and Start shows the menu as Escape does.
void PadPlayerControls(ControlFlags& c);
// In a menu: the stick or d-pad moves the selection, fire activates the item, Start hides the menu.
void PadMenuKeys();
// Fire pressed on a screen that waits for a continue key.
bool PadContinuePressed();
// Start pressed on such a screen: it shows the menu there as Escape does.
bool PadMenuPressed();
