// Model files: the animated models of object types and weapons.
#pragma once

#include "model/model.h"

// Loads a model file (FRAMES 1..5, SCALE, FRAME0..FRAMEn-1 naming DXF drawings) through the definition
// reader, restoring the caller's definition table before returning. 1 on success; 0 for a missing or
// out-of-range FRAMES, or when a named drawing cannot be loaded (then the file name and "Failed to loead
// file" are printed and the frames loaded so far stay, without projection arrays).
int LoadModelFile(Model& model, const char* fileName, int floorPlanOnly);
