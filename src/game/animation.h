// The animation step run on every logic tick: object and weapon frames.
#pragma once

// Puts the call counter (0..10; frames advance when it is 0) back to 0.
void ResetAnimation();
// One call a tick. On the first call and every eleventh after it (the call counter is 0), in
// GS_PLAYING, every object's frame advances (dying ones toward their end) and the weapon view's firing
// animation. True on those calls: the console's fade step runs on the same ticks.
bool AnimationStep();
