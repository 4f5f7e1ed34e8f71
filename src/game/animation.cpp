// The animation step: object and weapon-view frames advance on every eleventh call.
#include "game/animation.h"

#include "core/program.h"
#include "game/players.h"
#include "game/world.h"

void ResetAnimation() { World.AnimationCounter = 0; }

namespace {

void AdvanceObjects() {
    for (int i = 1; i < OBJECT_COUNT; ++i) {
        ObjectRecord& r = World.ObjectTable[i];
        if (!r.state) continue;
        if (r.state == OBJ_DYING) {
            r.animState = ANIM_DEATH;
            r.frame += 1;
            if (r.frame >= r.models[ANIM_DEATH].frameCount) r.state = OBJ_FREE;
            continue;
        }
        r.frame += 1;
        int slot = r.animState >= 0 && r.animState < MODEL_SLOTS ? r.animState : 0;
        if (r.frame >= r.models[slot].frameCount) r.frame = 0;
    }
}

// The weapon view's firing animation: starts at an advance when the player holds fire and has just
// fired, runs once through the firing model's frames and stops at frame 0.
void AdvanceWeaponView(int record, int32_t& f) {
    ObjectRecord& p = World.ObjectTable[record];
    int w = p.weapon;
    if (!ValidWeapon(w)) return;  // no such weapon: nothing to animate
    bool armed = p.ammo[w] != 0 || w == WPN_KNIFE;
    if ((armed && p.controls.fire && p.fired) || f != 0) {
        p.fired = 0;
        f += 1;
        if (f >= World.WeaponTable[w].models[1].frameCount) f = 0;
    } else {
        f = 0;
    }
}

}  // namespace

bool AnimationStep() {
    const bool advance = World.AnimationCounter == 0;
    if (advance && Program.GameState == GS_PLAYING) {
        AdvanceObjects();
        // In a network game each player's view has its frame of its own; the arsenal's stays at rest.
        if (Players.network) {
            for (int s = 0; s < MAX_PLAYERS; ++s)
                if (Players.slots[s].present) AdvanceWeaponView(PlayerRecordOf(s), Players.slots[s].viewFrame);
        } else if (ValidWeapon(World.ObjectTable[0].weapon)) {
            AdvanceWeaponView(0, World.WeaponTable[World.ObjectTable[0].weapon].frame);
        }
    }
    if (++World.AnimationCounter > 10) World.AnimationCounter = 0;
    return advance;
}
