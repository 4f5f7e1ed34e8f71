// Model files: FRAMES, SCALE and the DXF drawings of up to five frames, read through the definition reader.
#include "defs/models.h"

#include <cstdio>
#include <cstdlib>

#include "core/print.h"
#include "defs/definition.h"

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
            PublishModel(model, std::move(store), false);  // frames so far stay, drawn as nothing
            Print(dxfName);
            Print("Failed to loead file");
            PopDefinitionFile();
            return 0;
        }
        ScaleMesh(store->frames[size_t(n)], scale);
    }
    PublishModel(model, std::move(store), true);
    PopDefinitionFile();
    return 1;
}
