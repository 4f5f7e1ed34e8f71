// The program-wide linear congruential random generator.
#include "core/random.h"

namespace {
uint32_t RandomSeed = 1;
}  // namespace

uint32_t RandomState() { return RandomSeed; }

void SeedRandom(uint32_t seed) { RandomSeed = seed; }

int Random() {
    RandomSeed = RandomSeed * 214013u + 2531011u;
    return int((RandomSeed >> 16) & 0x7FFF);
}
