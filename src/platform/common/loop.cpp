// The main loop of the desktop backends: passes one after another, sleeping while nothing is due.
#include "platform/platform.h"

int PlatformRunLoop(const PlatformLoop& loop) {
    for (;;) {
        const int pass = loop.pass();
        if (pass == PASS_ENDED) break;
        if (pass == PASS_IDLE) PlatformWaitUntil(loop.nextDue());
    }
    return loop.finish();
}
