// The program's random draws foretold by the program's own generator (core/random.h): seed it, draw, and
// put it back as it was, so that what a test predicts is what the code under test will draw.
#pragma once
#include <cstdint>
#include <vector>

#include "core/random.h"

// The first n draws from `seed`; the generator is left as it was.
inline std::vector<int> DrawsFrom(uint32_t seed, int n) {
    const uint32_t keep = RandomState();
    SeedRandom(seed);
    std::vector<int> draws;
    for (int i = 0; i < n; ++i) draws.push_back(Random());
    SeedRandom(keep);
    return draws;
}

// How many draws lead from `seed` to `state`, or -1 when it takes more than `limit`; the generator is left
// as it was.
inline int DrawsBetween(uint32_t seed, uint32_t state, int limit = 49) {
    const uint32_t keep = RandomState();
    SeedRandom(seed);
    int n = 0;
    while (RandomState() != state && n <= limit) {
        Random();
        ++n;
    }
    SeedRandom(keep);
    return n <= limit ? n : -1;
}
