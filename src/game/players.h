// The players of a network game inside the world: which records they are, whom a monster goes for,
// deaths, frags and rising again, the deathmatch's start points and limits. Outside a network game
// there is one player, record 0, and every answer here is the classic one.
#pragma once
#include <cstdint>

#include "game/world.h"
#include "model/model.h"

constexpr int MAX_PLAYERS = 4;
constexpr int MAX_PLAYER_STARTS = 9;                             // the level's start and DMSTART0..DMSTART7
constexpr int32_t COOP_RESPAWN_TICKS = 500;                      // 3 s of 6 ms ticks
constexpr int32_t DEATHMATCH_RESPAWN_TICKS = 333;                // 2 s
constexpr int PLAYER_OBJECT_SLOTS = OBJECT_COUNT - MAX_PLAYERS;  // the level's objects in a network game: 1..252

enum { MODE_COOP = 0, MODE_DEATHMATCH = 1 };

struct PlayerSlot {
    bool present = false;  // has a record in the level
    char name[16] = "";
    int32_t frags = 0, deaths = 0;
    int32_t respawnTicks = 0;   // ticks until a dead player rises (0: not waiting)
    int32_t lastAttacker = -1;  // the player whose shot or rocket hurt him last (-1: none)
    int32_t viewFrame = 0;      // his weapon view's firing frame
};

struct PlayersRecord {
    bool network = false;  // a network game runs: the answers below are its own
    uint8_t mode = MODE_COOP;
    int view = 0;  // the player whose eye the screen shows (-1: none, a dedicated host)
    PlayerSlot slots[MAX_PLAYERS];
    // The level's start points (x, z, heading): the start, then DMSTART0..7 as given.
    float starts[MAX_PLAYER_STARTS][3] = {};
    int startCount = 0;
    bool levelResetsPlayers = false;          // the level loaded last has RESETPLAYER
    int32_t fragLimit = 0, timeLimit = 0;     // deathmatch: frags, minutes (0: none)
    uint32_t levelTicks = 0;                  // ticks since the level started
    bool fragTable = false;                   // the level ended on a limit: its screen shows the frags
    int32_t rocketOwner[MISSILE_COUNT] = {};  // the slot + 1 of the player who launched each rocket (0: none)
    Model model;                              // how other players are drawn
};
extern PlayersRecord Players;

// Clears the record (no network game).
void ResetPlayers();

// The record of player slot s: 0, 255, 254, 253, so that a level's objects keep their numbers.
inline int PlayerRecordOf(int slot) { return slot == 0 ? 0 : OBJECT_COUNT - slot; }
// The slot whose record is i, or -1 (outside a network game: 0 for record 0).
int PlayerSlotOf(int record);
inline bool IsPlayerRecord(int record) { return record == 0 || PlayerSlotOf(record) >= 0; }
// The record the screen is drawn from and whose messages and sounds this machine shows: 0 outside a
// network game.
int ViewRecord();
inline bool IsViewRecord(int record) { return record == ViewRecord(); }
// How many players have records, and the record of the k-th of them (outside a network game: 1 and 0).
int PlayerCount();
int PlayerRecordAt(int k);
// The player record a monster at `position` goes for: the nearest living player (the first slot on a
// tie); record 0 outside a network game.
int TargetRecord(const float position[3]);
// Whether players' shots and rockets hurt other players (deathmatch).
bool PlayersHurtPlayers();

// A player's record hurt by player slot `by` (-1: not by a player).
void NotePlayerHurt(int record, int by);
// A network game's player died at `record` (after the classic death): deaths, a frag for whoever killed
// him with the line on every console, and the countdown to rising again.
void NotePlayerDeath(int record);
// A network game's rules once a tick, before the players move: dead players rise again when their time
// has come, and a deathmatch ends on its frag or time limit (the level-complete screen shows the frags).
void PlayersTick();
// Puts player slot s into its record as a fresh or carried player at the start point `start`.
void PlacePlayer(int slot, int start);
// The start point farthest from every other living player (deathmatch), or the level's start (0).
int FarthestStart(int slot);
