// Floor-plan walls for the simulation suites and benchmarks: a segment on the floor, and a floor plan made
// of exactly the given segments (duplicates and zero-length ones kept, unlike a drawing read through the
// DXF reader), put in place of the level's.
#pragma once
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "game/world.h"
#include "model/model.h"

// The wall from (x1, z1) to (x2, z2) at height 0.
inline Segment Wall(float x1, float z1, float x2, float z2) { return Segment{x1, 0, z1, x2, 0, z2}; }

inline void SetWalls(const std::vector<Segment>& walls) {
    ClearModel(World.OcclusionModel);
    auto store = std::make_shared<ModelStore>();
    store->frames.resize(1);
    Mesh& m = store->frames[0];
    if (!walls.empty()) {
        m.segments = static_cast<Segment*>(std::malloc(walls.size() * sizeof(Segment)));
        std::copy(walls.begin(), walls.end(), m.segments);
    }
    m.count = m.capacity = int32_t(walls.size());
    World.OcclusionModel.frames = store->frames.data();
    World.OcclusionModel.frameCount = 1;
    World.OcclusionModel.store = std::move(store);
}
