// Network start-up: one UDP socket, polled for waiting bytes while a level runs.
#pragma once

extern int NetStarted;
extern int NetSocket;

int NetInit();
int NetShutdown();
// Bytes waiting on the socket; -1 when the network is not started.
int NetPending();
