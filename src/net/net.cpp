// Network start-up on BSD sockets: one unbound UDP socket and a FIONREAD poll.
#include "net/net.h"

#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int NetStarted;
int NetSocket = -1;
}  // namespace

bool NetIsStarted() { return NetStarted != 0; }

int NetInit() {
    if (NetStarted) NetShutdown();
    NetSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (NetSocket < 0) return 0;
    NetStarted = 1;
    return 1;
}

int NetShutdown() {
    if (NetSocket >= 0) close(NetSocket);
    NetSocket = -1;
    NetStarted = 0;
    return 1;
}

int NetPending() {
    if (!NetStarted) return -1;
    int count = 0;
    if (ioctl(NetSocket, FIONREAD, &count) != 0) return 0;
    return count;
}
