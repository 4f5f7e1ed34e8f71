// The players of a network game inside the world (see players.h).
#include "game/players.h"

#include <cstdio>
#include <cstring>

#include "core/print.h"
#include "core/program.h"

PlayersRecord Players;

void ResetPlayers() {
    ClearModel(Players.model);
    Players = PlayersRecord{};
}

int PlayerSlotOf(int record) {
    if (!Players.network) return record == 0 ? 0 : -1;
    for (int s = 0; s < MAX_PLAYERS; ++s)
        if (Players.slots[s].present && PlayerRecordOf(s) == record) return s;
    return -1;
}

int ViewRecord() {
    if (!Players.network || Players.view < 0 || Players.view >= MAX_PLAYERS) return 0;
    return PlayerRecordOf(Players.view);
}

int PlayerCount() {
    if (!Players.network) return 1;
    int n = 0;
    for (const PlayerSlot& s : Players.slots) n += s.present ? 1 : 0;
    return n;
}

int PlayerRecordAt(int k) {
    if (!Players.network) return 0;
    for (int s = 0; s < MAX_PLAYERS; ++s)
        if (Players.slots[s].present && k-- == 0) return PlayerRecordOf(s);
    return 0;
}

int TargetRecord(const float position[3]) {
    if (!Players.network) return 0;
    int best = -1, anyone = -1;
    float bestDistance = 0;
    for (int s = 0; s < MAX_PLAYERS; ++s) {
        if (!Players.slots[s].present) continue;
        const ObjectRecord& p = World.ObjectTable[PlayerRecordOf(s)];
        if (anyone < 0) anyone = PlayerRecordOf(s);
        if (p.state == 0) continue;
        const float dx = p.pos[0] - position[0], dz = p.pos[2] - position[2];
        const float d = dx * dx + dz * dz;
        if (best < 0 || d < bestDistance) best = PlayerRecordOf(s), bestDistance = d;
    }
    return best >= 0 ? best : anyone >= 0 ? anyone : 0;
}

bool PlayersHurtPlayers() { return Players.network && Players.mode == MODE_DEATHMATCH; }

void NotePlayerHurt(int record, int by) {
    const int s = PlayerSlotOf(record);
    if (Players.network && s >= 0) Players.slots[s].lastAttacker = by;
}

void NotePlayerDeath(int record) {
    const int s = PlayerSlotOf(record);
    if (!Players.network || s < 0) return;
    PlayerSlot& victim = Players.slots[s];
    victim.deaths += 1;
    victim.respawnTicks = Players.mode == MODE_DEATHMATCH ? DEATHMATCH_RESPAWN_TICKS : COOP_RESPAWN_TICKS;
    char line[96];
    const int by = victim.lastAttacker;
    if (by >= 0 && by != s && Players.slots[by].present) {
        Players.slots[by].frags += 1;
        snprintf(line, sizeof line, "%s fragged %s (%d)", Players.slots[by].name, victim.name,
                 int(Players.slots[by].frags));
    } else {
        snprintf(line, sizeof line, "%s died", victim.name);
    }
    victim.lastAttacker = -1;
    PrintNotify(NOTIFY_GAME, line);
}

int FarthestStart(int slot) {
    if (Players.mode != MODE_DEATHMATCH || Players.startCount <= 1) return 0;
    int best = 0;
    float bestDistance = -1;
    for (int k = 0; k < Players.startCount; ++k) {
        // The distance to the nearest other living player; the point where that is largest wins.
        float nearest = 1e30f;
        for (int s = 0; s < MAX_PLAYERS; ++s) {
            if (s == slot || !Players.slots[s].present) continue;
            const ObjectRecord& p = World.ObjectTable[PlayerRecordOf(s)];
            if (p.state == 0) continue;
            const float dx = p.pos[0] - Players.starts[k][0], dz = p.pos[2] - Players.starts[k][1];
            const float d = dx * dx + dz * dz;
            if (d < nearest) nearest = d;
        }
        if (nearest > bestDistance) best = k, bestDistance = nearest;
    }
    return best;
}

void PlacePlayer(int slot, int start) {
    ObjectRecord& p = World.ObjectTable[PlayerRecordOf(slot)];
    if (p.models[0].frameCount <= 0) {
        const float half[3] = {0.5f, 0.5f, 0.5f};
        MakeBoxModel(p.models[0], half);
    }
    p.state = 1;
    p.type = 0;
    p.collisionFlag = 1;
    p.radius = 0.5f;
    p.frame = 0;
    p.animState = 0;
    p.collided = 0;
    p.controls = ControlFlags{};
    p.reload = 0;
    p.fired = 0;
    if (start < 0 || start >= Players.startCount) start = 0;
    p.pos[0] = Players.starts[start][0];
    p.pos[1] = 0;
    p.pos[2] = Players.starts[start][1];
    p.angles[0] = p.angles[2] = 0;
    p.angles[1] = int32_t(Players.starts[start][2]);
    Players.slots[slot].respawnTicks = 0;
    Players.slots[slot].lastAttacker = -1;
    Players.slots[slot].viewFrame = 0;
}

namespace {

// A dead player rises with the knife and 100 health (his score and frags stay).
void Rise(int slot) {
    ObjectRecord& p = World.ObjectTable[PlayerRecordOf(slot)];
    PlacePlayer(slot, FarthestStart(slot));
    p.health = 100;
    memset(p.owned, 0, sizeof p.owned);
    memset(p.ammo, 0, sizeof p.ammo);
    p.weapon = WPN_KNIFE;
    if (PlayerRecordOf(slot) == ViewRecord()) PrintNotify(NOTIFY_GAME, "Back in the game");
}

}  // namespace

void PlayersTick() {
    if (!Players.network) return;
    ++Players.levelTicks;
    for (int s = 0; s < MAX_PLAYERS; ++s) {
        PlayerSlot& slot = Players.slots[s];
        if (!slot.present || slot.respawnTicks <= 0) continue;
        if (--slot.respawnTicks == 0) Rise(s);
    }
    if (Players.mode != MODE_DEATHMATCH) return;
    bool over = false;
    if (Players.fragLimit > 0)
        for (const PlayerSlot& s : Players.slots) over = over || (s.present && s.frags >= Players.fragLimit);
    // TIMELIMIT minutes of 10000 ticks (6 ms each).
    if (Players.timeLimit > 0 && Players.levelTicks >= uint32_t(Players.timeLimit) * 10000u) over = true;
    if (!over) return;
    Players.fragTable = true;
    Program.GameState = GS_LEVEL_DONE;
    PrintNotify(NOTIFY_GAME, "The match is over");
}
