// World records: the world record, clearing records, a fresh player.
#include "game/world.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "core/program.h"

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

void ResetWorld() {
    for (ObjectRecord& r : World.ObjectTable) ClearObjectRecord(r);
    for (ObjectRecord& r : World.MissileTable) ClearObjectRecord(r);
    for (WeaponRecord& w : World.WeaponTable) ClearWeaponRecord(w);
    ClearModel(World.LevelModel);
    ClearModel(World.OcclusionModel);
    World.MonstersAtStart = World.ItemsAtStart = World.MonstersLeft = World.ItemsLeft = 0;
    World.ExitPoint[0] = World.ExitPoint[1] = 0;
    World.SoundOrigin[0] = World.SoundOrigin[1] = World.SoundOrigin[2] = 0;
    World.LevelPlacement = Placement{};
    World.NextLevelFile[0] = 0;
    World.LevelFile[0] = World.LevelName[0] = 0;
    World.Entry = WorldRecord::EntryRecord{};
    World.HitMarkTicks = 0;
    World.Hurt = WorldRecord::HurtRecord{};
    World.Stats = WorldRecord::LevelStatsRecord{};
    World.Campaign = WorldRecord::CampaignRecord{};
    World.DeadTicks = 0;
    World.LevelFiles.clear();
}

void NoteViewHurt(int64_t loss, float x, float z) {
    WorldRecord::HurtRecord& h = World.Hurt;
    // The losses of one tick (the shotgun's two passes, two monsters at once) make one hurt.
    const int64_t sum = (h.tick == Program.TickCount ? h.amount : 0) + (loss > 0 ? loss : 0);
    h.amount = sum > INT32_MAX ? INT32_MAX : int32_t(sum);
    h.tick = Program.TickCount;
    h.fromX = x, h.fromZ = z;
}
