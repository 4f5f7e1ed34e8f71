// The animation step: object and weapon-view frames advance on every eleventh call.
#include "game/animation.h"

#include "core/program.h"
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
void AdvanceWeaponView() {
    ObjectRecord& p = World.ObjectTable[0];
    int w = p.weapon;
    if (!ValidWeapon(w)) return;  // no such weapon: nothing to animate
    int32_t& f = World.WeaponTable[w].frame;
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
        AdvanceWeaponView();
    }
    if (++World.AnimationCounter > 10) World.AnimationCounter = 0;
    return advance;
}
