// World records: the global tables, their clearing and the JSON state dump.
#include "game/world.h"

#include <cmath>
#include <cstdio>

#include "render/passes.h"

WorldRecord World;

void ClearObjectRecord(ObjectRecord& record) {
    for (Model& m : record.models) ClearModel(m);
    ObjectRecord blank;  // holds only empty models: constructing it allocates nothing
    record = blank;
}

void ClearWeaponRecord(WeaponRecord& record) {
    for (Model& m : record.models) ClearModel(m);
    WeaponRecord blank;
    record = blank;
}

void ResetPlayer() {
    ObjectRecord& player = World.ObjectTable[0];
    ClearObjectRecord(player);
    player.state = 1;
    player.health = 100;
    player.collisionFlag = 1;
    player.radius = 0.5f;
}

namespace {

class Json {
  public:
    std::string out;
    void Raw(const char* s) { out += s; }
    void Key(const char* k) {
        Comma();
        out += '"';
        out += k;
        out += "\":";
        pendingValue_ = true;  // the value follows without a comma
    }
    void Int(long long v) {
        Value();
        char b[32];
        std::snprintf(b, sizeof b, "%lld", v);
        out += b;
    }
    void Float(float v) {
        Value();
        if (!std::isfinite(v)) {
            out += "null";
            return;
        }
        char b[32];
        std::snprintf(b, sizeof b, "%.9g", static_cast<double>(v));
        out += b;
    }
    template <typename T> void IntArray(const T* v, int n) {
        Open('[');
        for (int i = 0; i < n; ++i) Int(static_cast<long long>(v[i]));
        Close(']');
    }
    void FloatArray(const float* v, int n) {
        Open('[');
        for (int i = 0; i < n; ++i) Float(v[i]);
        Close(']');
    }
    void Open(char c) {
        Value();
        out += c;
        first_ = true;
    }
    void Close(char c) {
        out += c;
        first_ = false;
    }

  private:
    void Comma() {
        if (!first_) out += ',';
    }
    void Value() {
        if (pendingValue_) {
            pendingValue_ = false;
            first_ = false;
            return;
        }
        Comma();
        first_ = false;
    }
    bool first_ = true;
    bool pendingValue_ = false;
};

void RecordFields(Json& j, const ObjectRecord& r) {
    j.Key("state"), j.Int(r.state);
    j.Key("type"), j.Int(r.type);
    j.Key("pos"), j.FloatArray(r.pos, 3);
    j.Key("angles"), j.IntArray(r.angles, 3);
    j.Key("health"), j.Int(r.health);
    j.Key("weapon"), j.Int(r.weapon);
    j.Key("ammo"), j.IntArray(r.ammo, WEAPON_COUNT);
    j.Key("owned"), j.IntArray(r.owned, WEAPON_COUNT);
    j.Key("reload"), j.Int(r.reload);
    j.Key("fired"), j.Int(r.fired);
    j.Key("score"), j.Float(r.score);
    const uint8_t bytes[16] = {r.controls.forward, r.controls.back, r.controls.turnLeft, r.controls.turnRight,
                         r.controls.strafeLeft, r.controls.strafeRight, r.controls.fire,
                         r.controls.select[0], r.controls.select[1], r.controls.select[2],
                         r.controls.select[3], r.controls.select[4], r.controls.spare[0],
                         r.controls.spare[1], r.controls.spare[2], r.controls.spare[3]};
    j.Key("controls"), j.IntArray(bytes, 16);
    j.Key("radius"), j.Float(r.radius);
    j.Key("animState"), j.Int(r.animState);
    j.Key("frame"), j.Int(r.frame);
    j.Key("collided"), j.Int(r.collided);
    j.Key("lifetime"), j.Int(r.lifetime);
}

void RecordList(Json& j, const ObjectRecord* table, int first, int count) {
    j.Open('[');
    for (int i = first; i < count; ++i) {
        if (table[i].state == 0) continue;
        j.Open('{');
        j.Key("index"), j.Int(i);
        RecordFields(j, table[i]);
        j.Close('}');
    }
    j.Close(']');
}

int FrameZeroSegments(const Model& m) { return (m.frames && m.frameCount > 0) ? m.frames[0].count : 0; }

}  // namespace

std::string WorldDumpJson() {
    Json j;
    j.out.reserve(4096);
    j.Key("player");
    j.Open('{');
    RecordFields(j, World.ObjectTable[0]);
    j.Close('}');
    j.Key("objects");
    RecordList(j, World.ObjectTable, 1, OBJECT_COUNT);
    j.Key("missiles");
    RecordList(j, World.MissileTable, 0, MISSILE_COUNT);
    j.Key("weapons");
    j.Open('[');
    for (const WeaponRecord& w : World.WeaponTable) {
        j.Open('{');
        j.Key("damage"), j.Int(w.damage);
        j.Key("reloadTime"), j.Int(w.reloadTime);
        j.Key("frame"), j.Int(w.frame);
        j.Key("screenPos"), j.FloatArray(w.screenPos, 3);
        j.Key("screenRot"), j.IntArray(w.screenRot, 3);
        int32_t frames[MODEL_SLOTS];
        for (int s = 0; s < MODEL_SLOTS; ++s) frames[s] = w.models[s].frameCount;
        j.Key("modelFrames"), j.IntArray(frames, MODEL_SLOTS);
        j.Close('}');
    }
    j.Close(']');
    j.Key("level");
    j.Open('{');
    j.Key("MonstersAtStart"), j.Float(World.MonstersAtStart);
    j.Key("MonstersLeft"), j.Float(World.MonstersLeft);
    j.Key("ItemsAtStart"), j.Float(World.ItemsAtStart);
    j.Key("ItemsLeft"), j.Float(World.ItemsLeft);
    j.Key("ExitPoint"), j.FloatArray(World.ExitPoint, 2);
    j.Key("segments"), j.Int(FrameZeroSegments(World.LevelModel));
    j.Key("floorSegments"), j.Int(FrameZeroSegments(World.OcclusionModel));
    j.Close('}');
    return j.out;
}
