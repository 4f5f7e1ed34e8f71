// The walls of the floor plan (the first frame of the world's occlusion model) and the movers' circle.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/model.h"

// A uniform grid over the walls of the floor plan, built when the floor plan changes: each cell lists,
// in ascending order, the walls that cross it.
struct WallsRecord {
    std::shared_ptr<ModelStore> store;  // held, so a new floor plan can never reuse its address
    const Segment* segments = nullptr;
    int32_t count = 0;
    bool built = false;   // the grid matches the walls above
    bool usable = false;  // false: use the plain loop
    float minX = 0, minZ = 0, cell = 1;
    int32_t nx = 0, nz = 0;
    std::vector<int32_t> start;  // nx * nz + 1 offsets into items
    std::vector<int32_t> items;
};
extern WallsRecord WallGrid;

constexpr float WALL_RADIUS = 1.4f;  // every mover's circle against the walls

// Pushes a mover's target position (x = [0], z = [2]) out of every wall of the floor plan, from the last
// segment to the first, each seeing the target as the ones before left it. 1 when any wall touched.
// Uses a grid over the walls (built on first use after the floor plan changes) that gives exactly the
// result of the plain loop below.
int PushFromWalls(float target[3]);
// The same over every wall segment, without the grid (the reference the grid is held to).
int PushFromWallsPlain(float target[3]);
// How far along the segment from (x1, z1) to (x2, z2) it first crosses a wall of the floor plan, as a
// fraction 0..1 of its length; 1 when it crosses none. What the solid-walls rule stops shots, rockets and
// monster sight with.
float FirstWallAlong(float x1, float z1, float x2, float z2);
// Builds the wall grid for the current floor plan now instead of at the first moving object (the level
// loader may call it so that the first tick does not allocate). Returns 1.
int PrepareWalls();
