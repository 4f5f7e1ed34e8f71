// Whole-file reads with a size limit, for the loaders that parse a file in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the file into out (replacing its contents). False when it cannot be opened or read, or when it
// holds more than maxBytes bytes (nothing larger is ever read into memory).
bool ReadFileBounded(const char* path, size_t maxBytes, std::vector<uint8_t>& out);
