// Fuzz target for the model-file loader: the input is the model file, next to two small drawings it may
// name; every frame of a loaded model is then transformed. It works in its own scratch directory, so
// give the corpus as an absolute path.

#include <cstdint>
#include <cstdio>
#include <string>

#include "../tests/support/dxf.h"
#include "../tests/support/scratch.h"
#include "defs/models.h"
#include "model/model.h"
#include "render/raster.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static ScratchDir dir(ScratchDir::Enter, "fuzz-model");
    const float face[12] = {0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    WriteFile("a.dxf", DxfFace(face));
    WriteFile("b.dxf", "3DLINE\n10\n-1\n20\n0\n30\n2\n11\n1\n21\n0\n31\n3\n");  // a name without its 0 code
    BuildTrigTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFile("m.mdl", std::string_view(reinterpret_cast<const char*>(data), size));
    Model model;
    LoadModelFile(model, "m.mdl", 0);
    const float eye[3] = {0, 0, -2}, at[3] = {0, 0, 0};
    const int32_t eyeAngles[3] = {0, 10, 0}, angles[3] = {5, 300, 360};
    for (int frame = -1; frame <= model.frameCount; ++frame) TransformModel(model, frame, eye, eyeAngles, at, angles);
    Model copy = model;
    ClearModel(model);
    if (copy.frameCount > 0) TransformModel(copy, 0, eye, eyeAngles, at, angles);
    return 0;
}
