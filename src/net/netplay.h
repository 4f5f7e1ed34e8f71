// Network play: up to four players in lockstep through a host (a player's game, or the dedicated
// zarvo-headless --host), over the platform's ENet transport. The host orders the game tick by tick:
// each tick record holds every player's controls and what happens to the game at it (a level starts,
// a player enters or leaves, the game ends); every machine plays the same records on the same world,
// with the tick count as the simulation's clock and the host's random seed, and every 32 ticks the
// machines compare world digests. A game with no network command given never starts any of this.
#pragma once
#include <cstdint>
#include <string>

#include "game/world.h"
#include "net/protocol.h"

enum NetRole { NET_ROLE_NONE = 0, NET_ROLE_HOST = 1, NET_ROLE_PLAYER = 2, NET_ROLE_DEDICATED = 3 };

// ---- the commands -------------------------------------------------------------------------------------
// Hosts a game on `port` (a player's game, or the dedicated host's): one line says so, or why not.
bool NetPlayHost(uint16_t port, bool dedicated);
// Joins the game at address:port; the joining, the welcome or the refusal each say so in one line.
bool NetPlayJoin(const char* address, uint16_t port);
// Leaves the network game (the host ends it for everyone), back to the start menu. False when there is none.
bool NetPlayLeave();
// One line for each player: number, name, round trip, frags. False outside a network game.
bool NetPlayListPlayers();
// A chat line "NAME: TEXT" on every player's console. False outside a network game.
bool NetPlaySay(const char* text);
// What a request to start a level (menu, LOAD, continue key) comes to in a network game.
enum { NETLEVEL_ALONE = 0, NETLEVEL_ORDERED = 1, NETLEVEL_REFUSED = 2 };
int NetPlayStartLevel(const char* file);

// ---- the main loop's hooks --------------------------------------------------------------------------------
// In a network game (hosting, joining or joined).
bool NetPlayActive();
// A network level runs: ticks come from the host's records and the world is the network game's.
bool NetPlayRunning();
// The simulation's clock in a running network level: the tick count times 6 ms.
uint32_t NetPlayClockMs();
// Whether the main loop may run a logic tick now: the timer's verdict outside a network game; in one,
// whether the next tick record is here (and is due, or the game is behind). Services the network.
bool NetPlayTickDue(uint32_t now, bool timerDue);
// The tick's record played into the world (its level, its players, their controls). False when the
// tick ends the game (nothing more of it runs).
bool NetPlayBeginTick();
// After the world's step: digests, the controls read in this tick sent on, the host's own bookkeeping.
void NetPlayEndTick();
// Where the controls read from the devices go in a running network level (sent ahead to the host); null
// outside one (the player's record takes them, as in the classic game).
ControlFlags* NetPlayLocalControls();
// Services the network where no tick asks (start menu, waiting for players); the dedicated host's waits.
void NetPlayService(uint32_t timeoutMs);
// The end of the program: the game is left politely.
void NetPlayShutdown();
// Clears every record of network play (tests).
void ResetNetPlay();

// ---- the dedicated host -------------------------------------------------------------------------------------
// Waits for `players` players, then plays the campaign from `level` for whoever is in; every event is a
// line on standard output.
void NetPlayDedicated(int players, const char* level);

// ---- what the runner's dump and script see -------------------------------------------------------------------
struct NetPlayView {
    int role = NET_ROLE_NONE;
    int mode = -1;  // NET_COOP, NET_DEATHMATCH; -1 before a network level
    uint32_t tick = 0;
    uint32_t ticksRun = 0;  // network ticks this machine has run
    struct Player {
        int id, record, ping, frags;
        std::string name;
    } players[NET_MAX_PLAYERS];
    int playerCount = 0;
    uint32_t markTick[16] = {};
    uint64_t markDigest[16] = {};
    int markCount = 0;
    int inputDelay = 0;
    uint64_t bytesSent = 0, bytesReceived = 0;
};
NetPlayView NetPlayDescribe();
// Network ticks this machine has run (the runner's ticks count them in a network game).
uint32_t NetPlayTicksRun();
// Whether this machine's ticks follow the host's: a network level runs, or this machine joined one
// (hosting, its ticks are its own until its first network level).
bool NetPlayFollowsHost();
// Whether this machine orders the network game's ticks (it hosts one that runs): its pace is its own clock's.
bool NetPlayPacesGame();
// Reads network play's bytes as the host (from a player's peer) or as a player (from the host), as the
// fuzz target does: nothing it is given may crash or hang.
void NetPlayFeed(bool asHost, const uint8_t* data, size_t size);
