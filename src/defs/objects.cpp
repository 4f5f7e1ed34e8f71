// Object-type and weapon definition files.
#include "defs/objects.h"

#include <cstdio>
#include <cstdlib>

#include "core/bounded.h"
#include "core/print.h"
#include "defs/definition.h"
#include "defs/models.h"
#include "game/world.h"

namespace {

bool Found(const char* key) { return GetDefinitionValue(key, 0) != 0; }

// Loads the MODEL%d slots of the current file; on a failure prints the name and `failure` and returns false.
bool LoadModels(Model* slots, const char* failure) {
    if (!Found("MODELS")) return true;
    int count = DefinitionCount("MODELS", MODEL_SLOTS);
    for (int n = 0; n < count; ++n) {
        char key[32];
        snprintf(key, sizeof key, "MODEL%d", n);
        if (!Found(key)) continue;
        // The model loader reuses the shared value buffer, so the name is kept apart.
        char name[sizeof DefinitionValue];
        CopyBounded(name, DefinitionValue);
        Print(name);
        if (!LoadModelFile(slots[n], name, 0)) {
            Print(name);
            Print(failure);
            return false;
        }
    }
    return true;
}

}  // namespace

int LoadObjectType(ObjectRecord& record, const char* file) {
    char fileName[sizeof DefinitionValue];
    CopyBounded(fileName, file);
    PushDefinitionFile();
    LoadDefinitionFileOrSay(fileName, "object");
    if (!LoadModels(record.models, "Failed to loead file")) {
        PopDefinitionFile();
        return 0;
    }
    record.state = 1;
    if (Found("DEFSTATE")) record.state = uint8_t(DefinitionInteger("DEFSTATE") & 0xFF);
    if (Found("DEFHEALTH")) record.health = DefinitionInteger("DEFHEALTH");
    if (Found("DEFDAMAGE")) record.damage = DefinitionInteger("DEFDAMAGE");
    if (Found("DOCOLDET")) record.collisionFlag = DefinitionInteger("DOCOLDET") != 0 ? 1 : 0;
    if (Found("TYPE")) record.type = uint8_t(DefinitionInteger("TYPE") & 0xFF);
    if (Found("XROT")) record.angles[0] = DefinitionInteger("XROT");
    if (record.models[0].frameCount > 0 && record.models[0].frames) {
        record.radius = record.models[0].frames[0].halfExtents[0];
    } else {
        Print(fileName);
        Print("Warning: initial model frame was not loaded correctly");
    }
    if (Found("DEFRANGE")) record.radius = float(DefinitionInteger("DEFRANGE"));
    if (IsMonsterType(record.type)) {
        World.MonstersAtStart += 1;
        if (Found("WEAPON")) record.weapon = DefinitionInteger("WEAPON");
    } else if (record.type == OBJT_HEALTH || record.type == OBJT_AMMO) {
        World.ItemsAtStart += 1;
        record.controls.turnLeft = 1;  // packs spin
    } else if (record.type >= OBJT_KNIFE && record.type <= OBJT_ROCKET_LAUNCHER) {
        World.ItemsAtStart += 1;
        record.controls.turnRight = 1;  // weapon pickups spin the other way
    }
    PopDefinitionFile();
    return 1;
}

int LoadWeapon(int n, const char* file) {
    if (n < 0 || n >= WEAPON_TABLE_SIZE) return 0;
    char fileName[sizeof DefinitionValue];
    CopyBounded(fileName, file);
    WeaponRecord& w = World.WeaponTable[n];
    PushDefinitionFile();
    LoadDefinitionFileOrSay(fileName, "weapon");
    if (Found("SCREEN_X_POS")) w.screenPos[0] = float(atof(DefinitionValue));
    if (Found("SCREEN_Y_POS")) w.screenPos[1] = float(atof(DefinitionValue));
    if (Found("SCREEN_Z_POS")) w.screenPos[2] = float(atof(DefinitionValue));
    // Rotations are decimal degrees truncated toward zero; out-of-range values are clamped first.
    auto degrees = [] {
        double v = atof(DefinitionValue);
        if (!(v > -1e9)) v = v != v ? 0 : -1e9;
        if (v > 1e9) v = 1e9;
        return int32_t(v);
    };
    if (Found("SCREEN_X_ROT")) w.screenRot[0] = degrees();
    if (Found("SCREEN_Y_ROT")) w.screenRot[1] = degrees();
    if (Found("SCREEN_Z_ROT")) w.screenRot[2] = degrees();
    if (Found("RELOADTIME")) w.reloadTime = DefinitionInteger("RELOADTIME");
    if (Found("DAMAGE")) w.damage = DefinitionInteger("DAMAGE");
    if (!LoadModels(w.models, "Failed to load file")) {
        PopDefinitionFile();
        return 0;
    }
    PopDefinitionFile();
    return 1;
}
