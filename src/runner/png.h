// Writes RGB images as PNG files (stored deflate blocks: exact pixels, no compression library).
#pragma once
#include <cstdint>

// pixels are 0x00RRGGBB, row-major. Returns false when the file cannot be written.
bool WritePng(const char* path, const uint32_t* pixels, int w, int h);
