// A small JSON text builder for the runner's dumps.
#pragma once
#include <cstdint>
#include <string>

// Appends s as a JSON string: bytes >= 0x80 and control bytes as \u00XX (the program's bytes as Latin-1).
void JsonString(std::string& out, const char* s);
void JsonString(std::string& out, const std::string& s);
