// Animated models: up to five DXF frames plus the buffers that receive a frame's projection.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/dxf.h"

// One projected segment: screen x, screen y and camera-space depth of each endpoint.
struct ProjectedSegment {
    float x1, y1, z1, x2, y2, z2;
};

// What a model and all of its copies share. The frames are written only while a loader builds the
// store and are immutable once a model points at it; the projection arrays are scratch that every
// TransformModel overwrites and the caller consumes at once.
struct ModelStore {
    std::vector<Mesh> frames;
    std::vector<ProjectedSegment> projected;
    std::vector<uint8_t> visible;
};

// A model, embedded by value in the world records. Copying a model (a rocket launched from the
// missile template) shares the store through the shared_ptr: no allocation, no second owner of raw
// memory, and clearing either copy leaves the other intact. The raw pointers below are views into
// the store, kept so the drawing code reads plain arrays; they are null whenever the store lacks the
// part, so a model with frames but no projection arrays draws nothing.
struct Model {
    std::shared_ptr<ModelStore> store;
    const Mesh* frames = nullptr;  // one mesh per frame; null when empty
    int32_t frameCount = 0;
    ProjectedSegment* projected = nullptr;  // maxSegments entries, or null
    uint8_t* visible = nullptr;             // maxSegments flags (1 = projected this time), or null
    int32_t maxSegments = 0;                // largest segment count of any frame
    int32_t drawnCount = 0;                 // segments of the frame last transformed
};

// Empties the model: pointers null, counts 0 (the shared store is released by this copy only).
void ClearModel(Model& model);

// One frame straight from a DXF file (the level map). Always 1; an unreadable file gives an empty frame.
int LoadSingleFrameModel(Model& model, const char* fileName, int floorPlanOnly);

// One geometry-less frame carrying only the half-extents (the player). No projection arrays. Returns 1.
int MakeBoxModel(Model& model, const float halfExtents[3]);

// Points the model at a finished store (the loaders' last step). The projection arrays are exposed only
// when withArrays is set and there is room in them, so a half-built model (frames without arrays) draws
// nothing.
void PublishModel(Model& model, std::shared_ptr<ModelStore> store, bool withArrays);
