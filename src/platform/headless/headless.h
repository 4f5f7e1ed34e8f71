// Controls of the headless backend: a virtual clock, injected input and events.
#pragma once
#include <cstdint>

#include "platform/platform.h"

// The virtual clock starts at 10000 ms.
void HeadlessSetClock(uint32_t ms);
void HeadlessAdvanceClock(uint32_t ms);
void HeadlessSetKey(int code, bool down);
void HeadlessReleaseAllKeys();
void HeadlessMouseMove(int32_t dx, int32_t dy);
// The wheel turned by dz (120 a notch, as the real backend counts; positive away from the player).
void HeadlessMouseWheel(int32_t dz);
void HeadlessMouseButton(int button, bool down);
// An event as the window would deliver it; PE_RESIZE also gives the window that drawing area.
void HeadlessPushEvent(int type, int code);
// A display of w x h pixels at hz frames a second, the window covering it (tests of the display's size and
// rate); 0 x 0 takes it away again (the runner's start: no display).
void HeadlessSetDisplay(int w, int h, int hz);
// The pad: plugged in or pulled out (pulling it out lets go of everything on it), its sticks as a read
// gives them (left x, y and the right stick's turn) and its buttons by JOY_* index. Nothing is plugged
// in at the start.
void HeadlessSetPad(bool plugged);
void HeadlessPadStick(int32_t x, int32_t y, int32_t turn = 0);
void HeadlessPadButton(int button, bool down);
// Whether opening the window succeeds (tests of the no-display path).
void HeadlessSetWindowAvailable(bool available);
// The last frame handed to PlatformPresent, and how many frames were presented.
const uint32_t* HeadlessLastFrame(int* w, int* h);
uint64_t HeadlessPresentCount();
// The damage the last present handed over (platform.h, PlatformPresent): per row, the chunks that changed;
// null when all of it may have.
const uint64_t* HeadlessLastDamage();
