// The animation step run on every logic tick: console roll and fade, object and weapon frames.
#pragma once

// Puts the call counter (0..10; frames advance when it is 0) back to 0.
void ResetAnimation();
int AnimationStep();
