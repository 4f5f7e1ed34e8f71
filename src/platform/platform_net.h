// Network play's transport behind the boundary: one ENet host per process (a game that hosts, or one
// that joins), its peers, reliable ordered sends, service events, round trips and the traffic counted.
// A test-only simulation drops received datagrams and delays sent messages (NETSIM), so that loss and
// latency can be tried on one machine. The network start-up's own socket is in system.h and has no part here.
#pragma once
#include <cstddef>
#include <cstdint>

enum PlatformNetEventType { NETEV_NONE = 0, NETEV_CONNECT = 1, NETEV_DISCONNECT = 2, NETEV_RECEIVE = 3 };
struct PlatformNetEvent {
    int type = NETEV_NONE;
    int peer = -1;                  // the peer's number on this host (0 .. the host's peer count - 1)
    const uint8_t* data = nullptr;  // NETEV_RECEIVE: the message, valid until the next service call
    size_t size = 0;
};

// The largest message the transport accepts; anything larger is refused by the host before it is read.
constexpr size_t PLATFORM_NET_MAX_MESSAGE = 64 * 1024;

// Opens a host that listens on `port` of every address for at most `peers` peers. False, with the
// system's reason in why, when the port cannot be had.
bool PlatformNetListen(uint16_t port, int peers, char* why, size_t whySize);
// Opens a host of one peer and starts connecting it to address:port (a name or dotted numbers). The
// peer's number (0), or -1 with the reason in why. NETEV_CONNECT reports the connection made.
int PlatformNetConnect(const char* address, uint16_t port, char* why, size_t whySize);
// Whether a host is open.
bool PlatformNetOpen();
// Sends due delayed messages, then waits at most timeoutMs for one event. False when none came.
bool PlatformNetService(PlatformNetEvent* ev, uint32_t timeoutMs);
// Queues a message on a reliable ordered channel (0 or 1) to the peer. False when it cannot be queued.
bool PlatformNetSend(int peer, int channel, const void* bytes, size_t size);
// Sends what is queued now.
void PlatformNetFlush();
// Ends the connection to a peer politely (after what is queued has gone), or at once.
void PlatformNetDisconnect(int peer, bool now);
// Closes the host: every peer is told, then forgotten.
void PlatformNetClose();
// The transport's smoothed round trip to the peer in ms (0 for no such peer).
uint32_t PlatformNetRoundTrip(int peer);
// The peer's address as dotted numbers and port ("" for no such peer).
void PlatformNetPeerAddress(int peer, char* text, size_t size);
// Bytes sent and received by the host's socket since it opened (datagram payloads).
void PlatformNetTraffic(uint64_t* sent, uint64_t* received);
// The test-only simulation: every datagram received is dropped with `lossPercent`, every message sent
// waits delayMs plus or minus jitterMs first (in its order). All zero: off.
void PlatformNetSimulate(int lossPercent, int delayMs, int jitterMs);
