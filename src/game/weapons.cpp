// Firing, hit-scan shots, the player's automatic weapon change, rocket launches and rocket flight.
#include "game/weapons.h"

#include <cmath>
#include <cstdint>

#include "audio/sound.h"
#include "core/print.h"
#include "core/random.h"
#include "core/settings.h"
#include "game/contact.h"
#include "game/players.h"
#include "game/skill.h"
#include "game/walls.h"

namespace {

// Where the shooter stands relative to the player (the one this machine shows): where its sounds are heard from.
void RelativeToPlayer(const ObjectRecord& s, float rel[3]) {
    const ObjectRecord& p = World.ObjectTable[ViewRecord()];
    rel[0] = s.pos[0] - p.pos[0];
    rel[1] = 0;
    rel[2] = s.pos[2] - p.pos[2];
}

// The 20-unit shot straight ahead of the shooter.
Segment ShotAhead(const ObjectRecord& s) {
    float a = DegreesToRadians(s.angles[1]);
    float x = s.pos[0], z = s.pos[2];
    return Segment{x, 0, z, x - SHOT_LENGTH * std::sin(a), 0, z + SHOT_LENGTH * std::cos(a)};
}

// One round used, when there is any (a count never wraps below the smallest integer).
void UseRound(int32_t& ammo) {
    if (ammo != 0 && ammo != INT32_MIN) --ammo;
}

// With solid walls, a shot ends where it first crosses a wall.
void StopAtWall(Segment& shot) {
    if (!Settings.SOLIDWALLS) return;
    float t = FirstWallAlong(shot.x1, shot.z1, shot.x2, shot.z2);
    if (t >= 1.0f) return;
    shot.x2 = shot.x1 + (shot.x2 - shot.x1) * t;
    shot.z2 = shot.z1 + (shot.z2 - shot.z1) * t;
}

int FireHitScan(ObjectRecord& s, int k, int passes, int weapon) {
    Segment shot = ShotAhead(s);
    StopAtWall(shot);
    for (int p = 0; p < passes; ++p) ShotHits(s, k, shot);
    float rel[3];
    RelativeToPlayer(s, rel);
    PlaySoundAt(rel, SoundBufferFor(weapon + 2, SOUND_SLOT_FIRE));
    UseRound(s.ammo[weapon]);
    return 1;
}

}  // namespace

int FireKnife(ObjectRecord& s, int k) {
    float x = s.pos[0], z = s.pos[2];
    Segment shot{x - KNIFE_REACH, 0, z - KNIFE_REACH, x + KNIFE_REACH, 0, z + KNIFE_REACH};
    ShotHits(s, k, shot);
    float rel[3];
    RelativeToPlayer(s, rel);
    PlaySoundAt(rel, SoundBufferFor(WPN_KNIFE + 2, SOUND_SLOT_FIRE));
    return 1;
}

int FireGun(ObjectRecord& s, int k) { return FireHitScan(s, k, 1, WPN_GUN); }
int FireShotgun(ObjectRecord& s, int k) { return FireHitScan(s, k, 2, WPN_SHOTGUN); }
int FireMinigun(ObjectRecord& s, int k) { return FireHitScan(s, k, 1, WPN_MINIGUN); }

int ShotHits(const ObjectRecord& s, int k, const Segment& shot) {
    // Only the arsenal's five weapons carry damage; anything else hurts no one.
    if (!ValidWeapon(s.weapon)) return 1;
    // A box around the shot rejects most targets before the exact test; its margin exceeds the
    // radius by more than the test's rounding, so it never rejects a contact.
    const float minX = std::fmin(shot.x1, shot.x2), maxX = std::fmax(shot.x1, shot.x2);
    const float minZ = std::fmin(shot.z1, shot.z2), maxZ = std::fmax(shot.z1, shot.z2);
    const float shotSize = std::fabs(shot.x1) + std::fabs(shot.x2) + std::fabs(shot.z1) + std::fabs(shot.z2);
    const bool byPlayer = IsPlayerRecord(k);
    for (int j = 0; j < OBJECT_COUNT; ++j) {
        ObjectRecord& t = World.ObjectTable[j];
        if (t.state == OBJ_FREE || j == k) continue;
        const bool atPlayer = IsPlayerRecord(j);
        if (!atPlayer && !IsMonsterType(t.type)) continue;
        // A player's shot hurts other players only in a deathmatch.
        if (atPlayer && byPlayer && !PlayersHurtPlayers()) continue;
        const float x = t.pos[0], z = t.pos[2];
        const float margin = std::fabs(t.radius) * 1.001f + 1e-3f + 1e-5f * (shotSize + std::fabs(x) + std::fabs(z));
        if (x < minX - margin || x > maxX + margin || z < minZ - margin || z > maxZ + margin) continue;
        float ignored[3];
        if (!CirclePushFromSegment(t.pos, t.radius, shot, ignored)) continue;
        // With solid walls nothing behind a wall is hit, however wide it is.
        if (Settings.SOLIDWALLS && FirstWallAlong(s.pos[0], s.pos[2], x, z) < 1.0f) continue;
        if (IsViewRecord(k) && j != k) World.HitMarkTicks = HIT_MARK_TICKS;
        if (atPlayer) NotePlayerHurt(j, byPlayer ? PlayerSlotOf(k) : -1);
        int64_t d = World.WeaponTable[s.weapon].damage;
        int64_t r = Random() % 4;
        int64_t loss;
        if (atPlayer) {
            loss = d / 2 - r;
            if (loss < 1) loss = 1;
            loss = SkillLossToPlayer(loss);
        } else {
            loss = d - r;
            if (loss < 0) loss = 0;
        }
        t.health = SaturateInt32(int64_t(t.health) - loss);
        if (atPlayer && IsViewRecord(j)) NoteViewHurt(loss, s.pos[0], s.pos[2]);
        PlaySound(SoundBufferFor(t.type, SOUND_SLOT_PAIN));
    }
    return 1;
}

int FindFreeMissile() {
    for (int m = 1; m <= 9; ++m)
        if (World.MissileTable[m].state == OBJ_FREE) return m;
    return 0;
}

int FireRocket(ObjectRecord& s) {
    int m = FindFreeMissile();
    if (m == 0) return 0;
    ObjectRecord& rocket = World.MissileTable[m];
    rocket = World.MissileTable[0];  // shares the template's geometry; allocates nothing
    rocket.pos[0] = s.pos[0];
    rocket.pos[1] = s.pos[1];
    rocket.pos[2] = s.pos[2];
    rocket.angles[1] = NegateAngle(s.angles[1]);
    rocket.state = 1;
    rocket.type = OBJT_ROCKET;
    rocket.lifetime = ROCKET_LIFETIME;
    Players.rocketOwner[m] =
        IsPlayerRecord(int(&s - World.ObjectTable)) ? PlayerSlotOf(int(&s - World.ObjectTable)) + 1 : 0;
    float rel[3];
    RelativeToPlayer(s, rel);
    PlaySoundAt(rel, SoundBufferFor(WPN_ROCKET_LAUNCHER + 2, SOUND_SLOT_FIRE));
    UseRound(s.ammo[WPN_ROCKET_LAUNCHER]);
    return 1;
}

void AutoWeaponChange(ObjectRecord& p) {
    // Only the player this machine shows hears of his change.
    const bool said = &p == &World.ObjectTable[ViewRecord()];
    const struct {
        int weapon;
        const char* message;
    } order[] = {
        {WPN_ROCKET_LAUNCHER, "Out of ammo, switching to rocket launcher"},
        {WPN_MINIGUN, "Out of ammo, switching to minigun"},
        {WPN_SHOTGUN, "Out of ammo, switching to shotgun"},
        {WPN_GUN, "Out of ammo, switching to gun"},
    };
    for (const auto& o : order) {
        // The owned-weapons rule: only a weapon the player holds (the classic change looks at ammunition
        // alone, so an ammunition pack hands him weapons he never found).
        if (p.ammo[o.weapon] != 0 && (!Settings.OWNEDSWITCH || p.owned[o.weapon])) {
            p.weapon = o.weapon;
            if (said) PrintNotify(NOTIFY_GAME, o.message);
            return;
        }
    }
    p.weapon = WPN_KNIFE;
    if (said) PrintNotify(NOTIFY_GAME, "Out of ammo, the knife is all you have");
}

int FiringStep(ObjectRecord& r, int i) {
    const int32_t w = r.weapon;
    // A weapon index from outside the arsenal (a monster's object file) never fires and indexes nothing.
    if (!ValidWeapon(w)) return 1;
    const bool player = IsPlayerRecord(i);
    if ((!player || r.ammo[w] != 0 || w == WPN_KNIFE) && r.controls.fire && r.reload == 0) {
        switch (w) {
        case WPN_KNIFE: FireKnife(r, i); break;
        case WPN_GUN: FireGun(r, i); break;
        case WPN_SHOTGUN: FireShotgun(r, i); break;
        case WPN_MINIGUN: FireMinigun(r, i); break;
        case WPN_ROCKET_LAUNCHER: FireRocket(r); break;
        }
        const int32_t reloadTime = World.WeaponTable[w].reloadTime;
        r.reload = i != 0 && IsMonsterType(r.type) ? SkillMonsterReload(reloadTime) : reloadTime;
        r.fired = 1;
    }
    if (player && w != WPN_KNIFE && r.ammo[w] == 0 && r.controls.fire) AutoWeaponChange(r);
    return 1;
}

namespace {

// A rocket bursting at a wall (solid walls): every monster within the blast radius that the wall does
// not shelter takes the rocket's damage, less with distance; the player is spared, as by every rocket.
void BurstAtWall(ObjectRecord& rocket, float x, float z) {
    float rel[3] = {x - World.ObjectTable[0].pos[0], 0, z - World.ObjectTable[0].pos[2]};
    PlaySoundAt(rel, SoundBufferFor(OBJT_ROCKET, SOUND_SLOT_DEATH));
    for (int j = 1; j < OBJECT_COUNT; ++j) {
        ObjectRecord& t = World.ObjectTable[j];
        if (t.state == OBJ_FREE || !IsMonsterType(t.type)) continue;
        const float dx = t.pos[0] - x, dz = t.pos[2] - z;
        const float d = std::sqrt(dx * dx + dz * dz);
        if (!(d < ROCKET_BLAST_RADIUS)) continue;
        if (FirstWallAlong(x, z, t.pos[0], t.pos[2]) < 1.0f) continue;
        const int32_t loss = int32_t(float(ROCKET_DAMAGE) * (1.0f - d / ROCKET_BLAST_RADIUS) + 0.5f);
        t.health = SaturateInt32(int64_t(t.health) - loss);
        PlaySound(SoundBufferFor(t.type, SOUND_SLOT_PAIN));
    }
    rocket.state = OBJ_FREE;
}

}  // namespace

int RocketStep() {
    for (int m = 1; m <= 9; ++m) {
        ObjectRecord& rocket = World.MissileTable[m];
        if (rocket.state == OBJ_FREE) continue;
        // A lifetime that was already used up (never so after a launch) ends the rocket too, rather than
        // counting down for ever.
        if (rocket.lifetime <= 1) {
            rocket.lifetime = 0;
            rocket.state = OBJ_FREE;
            continue;
        }
        --rocket.lifetime;
        if (rocket.type == OBJT_ROCKET) {
            float a = DegreesToRadians(NegateAngle(rocket.angles[1]));
            const float fromX = rocket.pos[0], fromZ = rocket.pos[2];
            rocket.pos[0] -= std::sin(a) / 8;
            rocket.pos[2] += std::cos(a) / 8;
            if (Settings.SOLIDWALLS) {
                float t = FirstWallAlong(fromX, fromZ, rocket.pos[0], rocket.pos[2]);
                if (t < 1.0f) {
                    // The burst point stays a little on the rocket's side of the wall (its step is 1/8).
                    const float dx = rocket.pos[0] - fromX, dz = rocket.pos[2] - fromZ;
                    BurstAtWall(rocket, fromX + dx * t - dx * 0.4f, fromZ + dz * t - dz * 0.4f);
                    continue;
                }
            }
        }
        for (int32_t& angle : rocket.angles) angle = NormaliseAngle(angle);
        // Rockets never hit a player, except in a deathmatch, where they hit every player but their owner.
        const int owner = Players.rocketOwner[m] - 1;
        for (int j = PlayersHurtPlayers() ? 0 : 1; j < OBJECT_COUNT; ++j) {
            ObjectRecord& t = World.ObjectTable[j];
            if (t.state == OBJ_FREE) continue;
            const bool atPlayer = Players.network && IsPlayerRecord(j);
            if (atPlayer && (!PlayersHurtPlayers() || PlayerSlotOf(j) == owner)) continue;
            if (InSquare(t, rocket, ROCKET_HIT_HALF_WIDTH)) {
                t.health = SaturateInt32(int64_t(t.health) - ROCKET_DAMAGE);
                rocket.state = OBJ_FREE;
                if (atPlayer) NotePlayerHurt(j, owner);
                if (atPlayer && IsViewRecord(j)) {
                    // It came from back along its flight.
                    const float a = DegreesToRadians(NegateAngle(rocket.angles[1]));
                    NoteViewHurt(ROCKET_DAMAGE, rocket.pos[0] + std::sin(a) * 4, rocket.pos[2] - std::cos(a) * 4);
                }
            }
        }
    }
    return 1;
}
