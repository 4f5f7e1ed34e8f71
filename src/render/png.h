// PNG files of RGB images: written for screenshots (the game's and the runner's), read back for golden-frame
// comparisons.
#pragma once
#include <cstdint>
#include <vector>

// pixels are 0x00RRGGBB, row-major. Returns false when the file cannot be written.
bool WritePng(const char* path, const uint32_t* pixels, int w, int h);
// Reads an 8-bit RGB, non-interlaced PNG into 0x00RRGGBB pixels. False for anything else or a bad file.
bool ReadPng(const char* path, std::vector<uint32_t>& pixels, int* w, int* h);
