// The animation step: advances on every eleventh call, rolls the console on every call.
#include "game/animation.h"

#include "console/console.h"

int AnimationCounter;

int AnimationStep() {
    if (AnimationCounter == 0) {
        ConsoleFadeStep();
    }
    ConsoleRollStep();
    if (++AnimationCounter > 10) AnimationCounter = 0;
    return 1;
}
