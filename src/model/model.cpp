// Animated models: their store, single DXF files and boxes.
#include "model/model.h"

void ClearModel(Model& model) {
    model.store.reset();
    model.frames = nullptr;
    model.frameCount = 0;
    model.projected = nullptr;
    model.visible = nullptr;
    model.maxSegments = 0;
    model.drawnCount = 0;
}

// Points the model at a finished store. The projection arrays are exposed only when withArrays is set
// and there is room in them, so a half-built model (frames without arrays) draws nothing.
void PublishModel(Model& model, std::shared_ptr<ModelStore> store, bool withArrays) {
    int32_t maxSegments = 0;
    for (const Mesh& m : store->frames)
        if (m.count > maxSegments) maxSegments = m.count;
    if (withArrays && maxSegments > 0) {
        store->projected.assign(size_t(maxSegments), ProjectedSegment{0, 0, 0, 0, 0, 0});
        store->visible.assign(size_t(maxSegments), 0);
    }
    model.frames = store->frames.empty() ? nullptr : store->frames.data();
    model.frameCount = int32_t(store->frames.size());
    model.projected = store->projected.empty() ? nullptr : store->projected.data();
    model.visible = store->visible.empty() ? nullptr : store->visible.data();
    model.maxSegments = maxSegments;
    model.drawnCount = 0;
    model.store = std::move(store);
}

int LoadSingleFrameModel(Model& model, const char* fileName, int floorPlanOnly) {
    ClearModel(model);
    auto store = std::make_shared<ModelStore>();
    store->frames.resize(1);
    LoadMesh(store->frames[0], fileName, floorPlanOnly);  // a failed load leaves an empty frame
    PublishModel(model, std::move(store), true);
    return 1;
}

int MakeBoxModel(Model& model, const float halfExtents[3]) {
    ClearModel(model);
    auto store = std::make_shared<ModelStore>();
    store->frames.resize(1);
    for (int i = 0; i < 3; ++i) store->frames[0].halfExtents[i] = halfExtents[i];
    PublishModel(model, std::move(store), false);
    return 1;
}
