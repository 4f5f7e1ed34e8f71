// The program-wide linear congruential random generator.
#include "core/random.h"

#include "core/program.h"

uint32_t RandomState() { return Program.RandomSeed; }

void SeedRandom(uint32_t seed) { Program.RandomSeed = seed; }

int Random() {
    Program.RandomSeed = Program.RandomSeed * 214013u + 2531011u;
    return int((Program.RandomSeed >> 16) & 0x7FFF);
}
