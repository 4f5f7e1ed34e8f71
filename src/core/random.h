// The program-wide linear congruential random generator.
#pragma once
#include <cstdint>

// The generator's current state (what the next draw starts from).
uint32_t RandomState();
void SeedRandom(uint32_t seed);
// seed := seed * 214013 + 2531011; returns bits 16..30 of the new seed (0..32767).
int Random();
