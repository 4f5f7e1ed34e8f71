// Model files: FRAMES, SCALE and the DXF drawings of up to five frames, read through the definition reader.
#include "defs/models.h"

#include <cstdio>
#include <cstdlib>

#include "core/print.h"
#include "defs/definition.h"

namespace {

// Why a frame's drawing gave nothing, as the map loader says it of a level's drawing.
void SayFrameFailed(const char* dxfName, const char* modelName) {
    char line[2 * sizeof DefinitionValue + 64];
    FILE* f = std::fopen(dxfName, "rb");
    if (f) std::fclose(f);
    std::snprintf(
        line, sizeof line,
        f ? "Drawing %s of model file %s holds no 3DLINE or 3DFACE" : "Cannot open drawing %s of model file %s",
        dxfName, modelName);
    Print(line);
}

}  // namespace

int LoadModelFile(Model& model, const char* fileName, int floorPlanOnly) {
    ClearModel(model);
    PushDefinitionFile();
    const char* name = fileName ? fileName : "";
    const bool opened = LoadDefinitionFileOrSay(name, "model") != 0;

    int frameCount = 0;
    const bool hasFrames = GetDefinitionValue("FRAMES", 0) != 0;
    if (hasFrames) frameCount = DefinitionInteger("FRAMES");
    float scale = 1.0f;
    if (GetDefinitionValue("SCALE", 0)) scale = static_cast<float>(std::atof(DefinitionValue));
    if (frameCount < 1 || frameCount > 5) {
        // A drawing named where a model file belongs reads as a file without keys.
        if (opened && !hasFrames) {
            char line[sizeof DefinitionValue + 96];
            std::snprintf(line, sizeof line,
                          "Model file %s refused: it has no FRAMES (a model file names its drawings)", name);
            Print(line);
        }
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
            SayFrameFailed(dxfName, name);
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
