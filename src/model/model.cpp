// Animated models: loading from model files, single DXF files and boxes, and per-frame transformation.
#include "model/model.h"
#include "core/print.h"

#include <cstdio>
#include <cstdlib>

#include "console/console.h"
#include "defs/definition.h"
#include "render/raster.h"

void ClearModel(Model& model) {
    model.store.reset();
    model.frames = nullptr;
    model.frameCount = 0;
    model.projected = nullptr;
    model.visible = nullptr;
    model.maxSegments = 0;
    model.drawnCount = 0;
}

namespace {

// Points the model at a finished store. The projection arrays are exposed only when withArrays is set
// and there is room in them, so a half-built model (frames without arrays) draws nothing.
void Publish(Model& model, std::shared_ptr<ModelStore> store, bool withArrays) {
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

}  // namespace

int LoadModelFile(Model& model, const char* fileName, int floorPlanOnly) {
    ClearModel(model);
    PushDefinitionFile();
    LoadDefinitionFile(fileName ? fileName : "");

    int frameCount = 0;
    if (GetDefinitionValue("FRAMES", 0)) frameCount = DefinitionInteger("FRAMES");
    float scale = 1.0f;
    if (GetDefinitionValue("SCALE", 0)) scale = static_cast<float>(std::atof(DefinitionValue));
    if (frameCount < 1 || frameCount > 5) {
        PopDefinitionFile();
        return 0;
    }

    auto store = std::make_shared<ModelStore>();
    store->frames.resize(size_t(frameCount));
    for (int n = 0; n < frameCount; ++n) {
        char key[16];
        std::snprintf(key, sizeof key, "FRAME%d", n);
        char dxfName[sizeof DefinitionValue];
        if (!GetDefinitionValue(key, 0, dxfName, sizeof dxfName)) continue;  // frame left empty
        if (!LoadMesh(store->frames[size_t(n)], dxfName, floorPlanOnly)) {
            Publish(model, std::move(store), false);  // frames so far stay, drawn as nothing
            Print(dxfName);
            Print("Failed to loead file");
            PopDefinitionFile();
            return 0;
        }
        ScaleMesh(store->frames[size_t(n)], scale);
    }
    Publish(model, std::move(store), true);
    PopDefinitionFile();
    return 1;
}

int LoadSingleFrameModel(Model& model, const char* fileName, int floorPlanOnly) {
    ClearModel(model);
    auto store = std::make_shared<ModelStore>();
    store->frames.resize(1);
    LoadMesh(store->frames[0], fileName, floorPlanOnly);  // a failed load leaves an empty frame
    Publish(model, std::move(store), true);
    return 1;
}

int MakeBoxModel(Model& model, const float halfExtents[3]) {
    ClearModel(model);
    auto store = std::make_shared<ModelStore>();
    store->frames.resize(1);
    for (int i = 0; i < 3; ++i) store->frames[0].halfExtents[i] = halfExtents[i];
    Publish(model, std::move(store), false);
    return 1;
}

int TransformModel(Model& model, int frame, const float eyePos[3], const int32_t eyeAngles[3],
                   const float objectPos[3], const int32_t objectAngles[3]) {
    if (frame < 0 || frame >= model.frameCount || !model.frames) return 0;
    const Mesh& mesh = model.frames[frame];
    if (!model.projected || !model.visible || mesh.count > model.maxSegments) {
        model.drawnCount = 0;
        return 1;
    }
    const float rel[3] = {objectPos[0] - eyePos[0], objectPos[1] - eyePos[1], objectPos[2] - eyePos[2]};
    ProjectFrame(mesh, model.projected, model.visible, rel, objectAngles, eyeAngles);
    model.drawnCount = mesh.count;
    return 1;
}
