// The animation step run on every logic tick: console roll and fade, object and weapon frames.
#pragma once

extern int AnimationCounter;  // 0..10; frames advance when it is 0
int AnimationStep();
