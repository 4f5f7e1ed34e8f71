// Network play's transport over ENet (see platform/platform_net.h), shared by both desktop backends.
#include <enet/enet.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_net.h"
#include "platform/system.h"

namespace {

struct DelayedMessage {
    int peer, channel;
    uint32_t due;
    std::vector<uint8_t> bytes;
};

// The one host of the process and what the simulation holds back.
struct NetTransportRecord {
    bool initialised = false;
    ENetHost* host = nullptr;
    std::vector<uint8_t> received;  // the last message handed out
    int loss = 0, delay = 0, jitter = 0;
    uint32_t random = 12345;
    std::deque<DelayedMessage> delayed;
    uint32_t lastDue = 0;
};
NetTransportRecord Transport;

// The simulation's delays follow the real clock (the runner's game clock is scripted).
uint32_t RealMs() { return PlatformRealMs(); }

uint32_t NextRandom() {
    Transport.random = Transport.random * 1103515245u + 12345u;
    return (Transport.random >> 16) & 0x7fff;
}

// The simulated loss: a received datagram dropped before ENet reads it.
int ENET_CALLBACK DropSome(ENetHost*, ENetEvent*) {
    return Transport.loss > 0 && int(NextRandom() % 100) < Transport.loss ? 1 : 0;
}

bool Initialise(char* why, size_t whySize) {
    if (!Transport.initialised) {
        if (enet_initialize() != 0) {
            snprintf(why, whySize, "the network library cannot start");
            return false;
        }
        Transport.initialised = true;
    }
    return true;
}

void Prepare(ENetHost* host) {
    host->maximumPacketSize = PLATFORM_NET_MAX_MESSAGE;
    host->maximumWaitingData = 4 * PLATFORM_NET_MAX_MESSAGE;
    host->intercept = DropSome;
    Transport.host = host;
    Transport.delayed.clear();
}

ENetPeer* PeerAt(int peer) {
    if (!Transport.host || peer < 0 || size_t(peer) >= Transport.host->peerCount) return nullptr;
    return &Transport.host->peers[peer];
}

bool SendNow(int peer, int channel, const void* bytes, size_t size) {
    ENetPeer* p = PeerAt(peer);
    if (!p || p->state != ENET_PEER_STATE_CONNECTED) return false;
    ENetPacket* packet = enet_packet_create(bytes, size, ENET_PACKET_FLAG_RELIABLE);
    if (!packet) return false;
    if (enet_peer_send(p, enet_uint8(channel), packet) != 0) {
        enet_packet_destroy(packet);
        return false;
    }
    return true;
}

void SendDue() {
    const uint32_t now = RealMs();
    while (!Transport.delayed.empty() && int32_t(now - Transport.delayed.front().due) >= 0) {
        DelayedMessage& m = Transport.delayed.front();
        SendNow(m.peer, m.channel, m.bytes.data(), m.bytes.size());
        Transport.delayed.pop_front();
    }
}

}  // namespace

bool PlatformNetListen(uint16_t port, int peers, char* why, size_t whySize) {
    PlatformNetClose();
    if (!Initialise(why, whySize)) return false;
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = port;
    ENetHost* host = enet_host_create(&address, size_t(peers), 2, 0, 0);
    if (!host) {
        snprintf(why, whySize, "port %u cannot be opened (in use?)", unsigned(port));
        return false;
    }
    Prepare(host);
    return true;
}

int PlatformNetConnect(const char* address, uint16_t port, char* why, size_t whySize) {
    PlatformNetClose();
    if (!Initialise(why, whySize)) return -1;
    ENetAddress to;
    if (enet_address_set_host(&to, address) != 0) {
        snprintf(why, whySize, "%.60s is no address", address);
        return -1;
    }
    to.port = port;
    ENetHost* host = enet_host_create(nullptr, 1, 2, 0, 0);
    if (!host) {
        snprintf(why, whySize, "no network socket");
        return -1;
    }
    Prepare(host);
    ENetPeer* peer = enet_host_connect(host, &to, 2, 0);
    if (!peer) {
        snprintf(why, whySize, "cannot connect");
        PlatformNetClose();
        return -1;
    }
    return int(peer - host->peers);
}

bool PlatformNetOpen() { return Transport.host != nullptr; }

bool PlatformNetService(PlatformNetEvent* ev, uint32_t timeoutMs) {
    *ev = PlatformNetEvent{};
    if (!Transport.host) return false;
    SendDue();
    // With messages held back, wake when the next one is due.
    if (!Transport.delayed.empty()) {
        const int32_t left = int32_t(Transport.delayed.front().due - RealMs());
        if (left < int32_t(timeoutMs)) timeoutMs = left > 0 ? uint32_t(left) : 0;
    }
    ENetEvent e;
    const int got = enet_host_service(Transport.host, &e, timeoutMs);
    if (got <= 0) return false;
    ev->peer = int(e.peer - Transport.host->peers);
    switch (e.type) {
    case ENET_EVENT_TYPE_CONNECT:
        // A peer silent for 20 s is gone whatever the game says (the game itself rules on 5 s of silence,
        // knowing when a level's loading keeps a machine busy).
        enet_peer_timeout(e.peer, 64, 10000, 20000);
        ev->type = NETEV_CONNECT;
        return true;
    case ENET_EVENT_TYPE_DISCONNECT: ev->type = NETEV_DISCONNECT; return true;
    case ENET_EVENT_TYPE_RECEIVE:
        Transport.received.assign(e.packet->data, e.packet->data + e.packet->dataLength);
        enet_packet_destroy(e.packet);
        ev->type = NETEV_RECEIVE;
        ev->data = Transport.received.data();
        ev->size = Transport.received.size();
        return true;
    default: return false;
    }
}

bool PlatformNetSend(int peer, int channel, const void* bytes, size_t size) {
    if (!PeerAt(peer) || size > PLATFORM_NET_MAX_MESSAGE) return false;
    if (Transport.delay <= 0 && Transport.jitter <= 0) return SendNow(peer, channel, bytes, size);
    // Held back delay +- jitter, never before the message queued before it (the channels keep order).
    int32_t wait = Transport.delay;
    if (Transport.jitter > 0) wait += int32_t(NextRandom() % uint32_t(2 * Transport.jitter + 1)) - Transport.jitter;
    if (wait < 0) wait = 0;
    uint32_t due = RealMs() + uint32_t(wait);
    if (!Transport.delayed.empty() && int32_t(due - Transport.lastDue) < 0) due = Transport.lastDue;
    Transport.lastDue = due;
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    Transport.delayed.push_back(DelayedMessage{peer, channel, due, std::vector<uint8_t>(b, b + size)});
    return true;
}

void PlatformNetFlush() {
    if (!Transport.host) return;
    SendDue();
    enet_host_flush(Transport.host);
}

void PlatformNetDisconnect(int peer, bool now) {
    ENetPeer* p = PeerAt(peer);
    if (!p) return;
    if (now)
        enet_peer_disconnect_now(p, 0);
    else
        enet_peer_disconnect_later(p, 0);
}

void PlatformNetClose() {
    if (!Transport.host) return;
    SendDue();
    for (size_t i = 0; i < Transport.host->peerCount; ++i)
        if (Transport.host->peers[i].state == ENET_PEER_STATE_CONNECTED)
            enet_peer_disconnect_now(&Transport.host->peers[i], 0);
    enet_host_flush(Transport.host);
    enet_host_destroy(Transport.host);
    Transport.host = nullptr;
    Transport.delayed.clear();
}

uint32_t PlatformNetRoundTrip(int peer) {
    ENetPeer* p = PeerAt(peer);
    return p ? p->roundTripTime : 0;
}

void PlatformNetPeerAddress(int peer, char* text, size_t size) {
    if (size == 0) return;
    text[0] = 0;
    ENetPeer* p = PeerAt(peer);
    if (!p) return;
    char ip[64] = "";
    if (enet_address_get_host_ip(&p->address, ip, sizeof ip) != 0) return;
    snprintf(text, size, "%s:%u", ip, unsigned(p->address.port));
}

void PlatformNetTraffic(uint64_t* sent, uint64_t* received) {
    *sent = Transport.host ? Transport.host->totalSentData : 0;
    *received = Transport.host ? Transport.host->totalReceivedData : 0;
}

void PlatformNetSimulate(int lossPercent, int delayMs, int jitterMs) {
    Transport.loss = lossPercent < 0 ? 0 : lossPercent > 100 ? 100 : lossPercent;
    Transport.delay = delayMs < 0 ? 0 : delayMs;
    Transport.jitter = jitterMs < 0 ? 0 : jitterMs;
}
