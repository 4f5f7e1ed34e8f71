// Network start-up: one UDP socket, polled for waiting bytes while a level runs.
#pragma once
#include <cstdint>

struct NetRecord {
    int32_t Started = 0;  // the socket is open
};
extern NetRecord Net;

int NetInit();
// Whether the socket is open.
bool NetIsStarted();
int NetShutdown();
// Bytes waiting on the socket; -1 when the network is not started.
int NetPending();
