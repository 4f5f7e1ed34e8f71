// Sample-rate conversion for effects recorded at another rate than they are played at.
#pragma once
#include <cstdint>
#include <vector>

constexpr int32_t EFFECT_PLAYBACK_RATE = 22000;  // every effect plays at this many samples a second

// 8-bit unsigned mono samples at `from` samples a second, converted to `to` with a windowed-sinc
// low-pass at the lower of the two Nyquist frequencies (so that nothing above it folds back into the
// band), rounded back to 8 bits. The length becomes round(n * to / from). Rates outside 1000..384000
// give the samples unchanged.
std::vector<uint8_t> ResampleU8(const std::vector<uint8_t>& in, int32_t from, int32_t to);
