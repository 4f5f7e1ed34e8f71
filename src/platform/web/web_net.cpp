// Network play in a web page: a page cannot open UDP sockets, so hosting and joining are refused with the
// reason, and every other call finds no host open.
#include <cstdio>

#include "platform/platform_net.h"

namespace {
void Refuse(char* why, size_t whySize) {
    if (why && whySize) snprintf(why, whySize, "a web page cannot play over the network");
}
}  // namespace

bool PlatformNetListen(uint16_t, int, char* why, size_t whySize) {
    Refuse(why, whySize);
    return false;
}
int PlatformNetConnect(const char*, uint16_t, char* why, size_t whySize) {
    Refuse(why, whySize);
    return -1;
}
bool PlatformNetOpen() { return false; }
bool PlatformNetService(PlatformNetEvent*, uint32_t) { return false; }
bool PlatformNetSend(int, int, const void*, size_t) { return false; }
void PlatformNetFlush() {}
void PlatformNetDisconnect(int, bool) {}
void PlatformNetClose() {}
uint32_t PlatformNetRoundTrip(int) { return 0; }
void PlatformNetPeerAddress(int, char* text, size_t size) {
    if (text && size) text[0] = 0;
}
void PlatformNetTraffic(uint64_t* sent, uint64_t* received) { *sent = *received = 0; }
void PlatformNetSimulate(int, int, int) {}
