// The game tick: everything that changes the world once per logic tick in a running level.
#include "game/tick.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "game/contact.h"
#include "game/players.h"
#include "game/skill.h"
#include "game/walls.h"
#include "game/weapons.h"
#include "input/input.h"

namespace {

// Adds degrees to an angle without overflowing: an out-of-range sum is reduced modulo 360 first (the
// next normalisation gives the same direction either way).
void AddDegrees(int32_t& angle, int64_t degrees) {
    int64_t v = int64_t(angle) + degrees;
    if (v > INT32_MAX || v < INT32_MIN) v %= 360;
    angle = static_cast<int32_t>(v);
}

void Play(int row, int slot) { PlaySound(SoundBufferFor(row, slot)); }

void Message(const char* text) { PrintNotify(NOTIFY_GAME, text); }

// What one player meets is shown and heard on his own machine only (every machine outside a network game).
void PlayFor(int record, int row, int slot) {
    if (IsViewRecord(record)) Play(row, slot);
}
void MessageFor(int record, const char* text) {
    if (IsViewRecord(record)) Message(text);
}

// The mouse's turn of a network game's player, carried in his controls' spare bytes.
void ControlTurn(ObjectRecord& p) {
    const int16_t turn = int16_t(uint16_t(p.controls.spare[0] | p.controls.spare[1] << 8));
    if (turn != 0) AddDegrees(p.angles[1], turn);
}

// ---- the phases ----

void DeathCamera(ObjectRecord& p, int record) {
    if (p.pos[1] < 1.0f) {
        p.pos[1] += 0.01f;
        AddDegrees(p.angles[1], 1);
        PlayFor(record, SOUND_ROW_PLAYER_DEATH, SOUND_SLOT_DEATH);
    }
}

void MouseLookStep(ObjectRecord& p) {
    int64_t d = (int64_t(Settings.ScreenCentreX) - int64_t(Input.PointerX)) / 2;  // truncates towards zero
    if (d != 0 && Settings.MOUSELOOK) {
        AddDegrees(p.angles[1], d);
        Input.PointerX = int32_t(Settings.ScreenCentreX);
        Input.PointerY = int32_t(Settings.ScreenCentreY);
    }
}

void ExitTest(ObjectRecord& p, int record) {
    Segment exit{World.ExitPoint[0] - 0.001f, 0, World.ExitPoint[1] - 0.001f,
                 World.ExitPoint[0] + 0.001f, 0, World.ExitPoint[1] + 0.001f};
    float ignored[3];
    if (!CirclePushFromSegment(p.pos, EXIT_RADIUS, exit, ignored)) return;
    if (Players.network) {
        // Any player at the exit ends the level for all, and every console says who.
        char line[64];
        snprintf(line, sizeof line, "%s reached the exit", Players.slots[PlayerSlotOf(record)].name);
        Message(line);
    } else {
        Message("You reached the exit.. alive!");
    }
    if (Settings.TOTALSCORE) {
        // What was done: kills and inventory percentages and the health kept, added to the campaign's sum.
        CountLeft();
        p.score = p.score + ScoreTerm() + float(std::max(p.health, 0));
    } else {
        CountAndScore(p);
    }
    Play(SOUND_ROW_LEVEL, SOUND_SLOT_LEVEL_EXIT);
    WorldRecord::CampaignRecord& c = World.Campaign;
    c.kills += World.Stats.kills;
    c.killsTotal += LevelMonsters();
    c.items += World.Stats.items;
    c.itemsTotal += LevelItems();
    ++c.levels;
    StopCurrentMusic();
    UnloadAllMusic();
    Program.GameState = GS_LEVEL_DONE;
}

void WeaponSelection(ObjectRecord& p) {
    for (int i = 0; i < WEAPON_COUNT; ++i)
        if (p.controls.select[i] && (i == WPN_KNIFE || p.owned[i])) p.weapon = i;
}

// Ammunition from a pickup (the skill rule doubles it at skill 1).
void AddAmmo(ObjectRecord& p, int weapon, int32_t amount) {
    p.ammo[weapon] = SaturateInt32(int64_t(p.ammo[weapon]) + SkillAmmo(amount));
}

void TakeWeapon(ObjectRecord& p, int record, ObjectRecord& pickup, int weapon, int32_t amount, const char* message) {
    p.owned[weapon] = 1;
    AddAmmo(p, weapon, amount);
    p.weapon = weapon;
    pickup.state = OBJ_FREE;
    ++World.Stats.items;
    MessageFor(record, message);
    PlayFor(record, weapon + 2, SOUND_SLOT_PICKUP);
}

void Pickups(ObjectRecord& p, int record) {
    for (int j = 1; j < OBJECT_COUNT; ++j) {
        ObjectRecord& r = World.ObjectTable[j];
        if (r.state == OBJ_FREE || IsPlayerRecord(j) || !InSquare(p, r, PICKUP_HALF_WIDTH)) continue;
        switch (r.type) {
        case OBJT_HEALTH:
            p.health = SaturateInt32(std::min<int64_t>(int64_t(p.health) + r.health, HEALTH_LIMIT));
            r.state = OBJ_FREE;
            ++World.Stats.items;
            MessageFor(record, "Picked up a health pack");
            PlayFor(record, OBJT_HEALTH, SOUND_SLOT_PICKUP);
            break;
        case OBJT_AMMO:
            AddAmmo(p, WPN_GUN, 20);
            AddAmmo(p, WPN_SHOTGUN, 15);
            AddAmmo(p, WPN_MINIGUN, 100);
            AddAmmo(p, WPN_ROCKET_LAUNCHER, 1);
            r.state = OBJ_FREE;
            ++World.Stats.items;
            MessageFor(record, "Picked up an ammo pack");
            PlayFor(record, OBJT_AMMO, SOUND_SLOT_PICKUP);
            break;
        case OBJT_GUN: TakeWeapon(p, record, r, WPN_GUN, 10, "You found yourself a gun"); break;
        case OBJT_SHOTGUN: TakeWeapon(p, record, r, WPN_SHOTGUN, 10, "Got the shotgun, wo0t!"); break;
        case OBJT_MINIGUN: TakeWeapon(p, record, r, WPN_MINIGUN, 50, "Picked up an automatic minigun"); break;
        case OBJT_ROCKET_LAUNCHER: TakeWeapon(p, record, r, WPN_ROCKET_LAUNCHER, 10, "Got the rocket launcher!"); break;
        default: break;
        }
        for (int w = WPN_GUN; w < WEAPON_COUNT; ++w)
            if (p.ammo[w] > AMMO_LIMIT[w]) p.ammo[w] = AMMO_LIMIT[w];
    }
}

void StepRecord(int i) {
    ObjectRecord& r = World.ObjectTable[i];
    for (int32_t& a : r.angles) a = NormaliseAngle(a);
    if (r.state == OBJ_FREE || r.state == OBJ_DYING) return;
    ControlFlags& c = r.controls;

    if (IsMonsterType(r.type)) {
        if (i != 0 && c.fire) {
            std::memset(&c, 0, sizeof c);
            c.fire = 1;
        }
        if (c.fire)
            r.animState = ANIM_ATTACK;
        else if (c.turnLeft || c.turnRight || c.strafeLeft || c.strafeRight)
            r.animState = ANIM_WALK;
        else
            r.animState = ANIM_IDLE;
    }

    // Everything but the player walks along the mirrored heading; hunters walk where they look.
    const bool player = IsPlayerRecord(i);
    const int32_t psi = player || (Settings.HUNTERS && IsMonsterType(r.type)) ? r.angles[1] : NegateAngle(r.angles[1]);
    const float s = WALK_STEP;
    float dx = 0, dz = 0;
    if (c.back || c.forward) {
        const float a = DegreesToRadians(psi);
        if (c.back) dx += std::sin(a) * s, dz -= std::cos(a) * s;
        if (c.forward) dx -= std::sin(a) * s, dz += std::cos(a) * s;
    }
    if (c.strafeLeft) {
        const float a = DegreesToRadians(psi + 270);
        dx += std::sin(a) * s, dz -= std::cos(a) * s;
    }
    if (c.strafeRight) {
        const float a = DegreesToRadians(psi - 90);
        dx -= std::sin(a) * s, dz += std::cos(a) * s;
    }
    if (player) dx *= 3, dz *= 3;

    if (c.turnLeft) r.angles[1] += 2;
    if (c.turnRight) r.angles[1] -= 2;

    if (dx != 0 || dz != 0) {
        // Something without a model to stand on cannot move: it stays, and does nothing else this tick.
        if (!player && r.models[0].frameCount <= 0) return;
        float target[3] = {r.pos[0] + dx, r.pos[1], r.pos[2] + dz};
        if (PushFromWalls(target)) r.collided = 1;
        // A finite position never becomes infinite or NaN by walking.
        if (std::isfinite(target[0]) && std::isfinite(target[2])) {
            r.pos[0] = target[0];
            r.pos[2] = target[2];
        }
    }

    // A negative reload counts down for ever, short of wrapping round.
    if (r.reload != 0 && r.reload != INT32_MIN) --r.reload;

    FiringStep(r, i);

    if (r.health <= 0) {
        if (player) {
            MessageFor(i, "Whoops, you need more than a facelift now...");
            if (Settings.TOTALSCORE) {
                CountLeft();
            } else {
                CountAndScore(r);
            }
            PlayFor(i, SOUND_ROW_PLAYER_DEATH, SOUND_SLOT_DEATH);
            r.score = r.score + ScoreTerm();
            r.state = 0;
            NotePlayerDeath(i);
        } else {
            if (IsMonsterType(r.type)) ++World.Stats.kills;
            r.frame = 0;
            r.state = OBJ_DYING;
            r.animState = ANIM_DEATH;
            Play(r.type, SOUND_SLOT_DEATH);
        }
    }
}

}  // namespace

float CompletionPercent(float atStart, float left) {
    if (atStart == 0.0f) return 100.0f;
    float v = (atStart - left) / atStart * 100;
    return std::isfinite(v) ? v : 0.0f;
}

float ScoreTerm() {
    return CompletionPercent(World.MonstersAtStart, World.MonstersLeft) +
           CompletionPercent(World.ItemsAtStart, World.ItemsLeft);
}

void CountAndScore() { CountAndScore(World.ObjectTable[0]); }

void CountAndScore(ObjectRecord& p) {
    World.MonstersLeft = 0;
    World.ItemsLeft = 0;
    for (int j = 0; j < OBJECT_COUNT; ++j) {
        const ObjectRecord& r = World.ObjectTable[j];
        if (r.state == OBJ_FREE) continue;
        if (IsMonsterType(r.type)) World.MonstersLeft += 1;
        if (IsItemType(r.type)) World.ItemsLeft += 1;
        p.score = p.score + ScoreTerm();
    }
}

void CountLeft() {
    World.MonstersLeft = 0;
    World.ItemsLeft = 0;
    for (const ObjectRecord& r : World.ObjectTable) {
        if (r.state == OBJ_FREE) continue;
        if (IsMonsterType(r.type)) World.MonstersLeft += 1;
        if (IsItemType(r.type)) World.ItemsLeft += 1;
    }
}

bool DeathCameraDone() {
    const ObjectRecord& p = World.ObjectTable[0];
    return p.state == 0 && !(p.pos[1] < 1.0f);
}

bool RetryReady() { return DeathCameraDone() && World.DeadTicks >= RETRY_WAIT_TICKS; }

int GameStep() {
    if (Program.GameState != GS_PLAYING) return 1;
    PlayersTick();
    if (Program.GameState != GS_PLAYING) return 1;  // a network game's match ended on its limit
    ++World.Stats.ticks;
    ++World.Campaign.ticks;
    // Each player in turn (outside a network game, the one at record 0).
    for (int k = 0; k < PlayerCount(); ++k) {
        const int record = PlayerRecordAt(k);
        ObjectRecord& p = World.ObjectTable[record];
        if (p.state == 0) {
            DeathCamera(p, record);
            // How long the player of record 0 has been dead: what a retry waits for.
            if (record == 0 && World.DeadTicks < INT32_MAX) ++World.DeadTicks;
            continue;
        }
        if (record == 0) World.DeadTicks = 0;
        if (Players.network)
            ControlTurn(p);
        else
            MouseLookStep(p);
        // One player at the exit ends the level: the rest of this step still runs, without more exits.
        if (Program.GameState == GS_PLAYING && !(Players.network && Players.mode == MODE_DEATHMATCH))
            ExitTest(p, record);
        WeaponSelection(p);
        Pickups(p, record);
    }
    if (World.HitMarkTicks > 0) --World.HitMarkTicks;
    for (int i = 0; i < OBJECT_COUNT; ++i) StepRecord(i);
    RocketStep();
    return 1;
}
