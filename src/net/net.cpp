// Network start-up: one unbound UDP socket (opened by the platform) and a poll of its waiting bytes.
#include "net/net.h"

#include "platform/system.h"

NetRecord Net;

bool NetIsStarted() { return Net.Started != 0; }

int NetInit() {
    if (Net.Started) NetShutdown();
    if (!PlatformNetOpenSocket()) return 0;
    Net.Started = 1;
    return 1;
}

int NetShutdown() {
    PlatformNetCloseSocket();
    Net.Started = 0;
    return 1;
}

int NetPending() {
    if (!Net.Started) return -1;
    return PlatformNetPending();
}
