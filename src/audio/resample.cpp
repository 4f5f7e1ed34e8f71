// Windowed-sinc sample-rate conversion of 8-bit effects, done once when a sound loads.
#include "audio/resample.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kZeroCrossings = 16;  // each side of the kernel, in periods of the cut-off
constexpr double kPi = 3.14159265358979323846;

// The Blackman window over [-1, 1].
double Window(double x) { return 0.42 + 0.5 * std::cos(kPi * x) + 0.08 * std::cos(2 * kPi * x); }

}  // namespace

std::vector<uint8_t> ResampleU8(const std::vector<uint8_t>& in, int32_t from, int32_t to) {
    if (from == to || from < 1000 || from > 384000 || to < 1000 || to > 384000 || in.empty()) return in;
    const double ratio = double(to) / double(from);
    const size_t outLength = size_t(std::llround(double(in.size()) * ratio));
    std::vector<uint8_t> out(outLength, 128);
    // Cut-off as a share of the input rate: just under the lower Nyquist frequency.
    const double cutoff = 0.5 * std::min(1.0, ratio) * 0.95;
    const double halfWidth = kZeroCrossings / (2.0 * cutoff);  // kernel reach in input samples
    // The kernel, tabulated finely over its reach and read with linear interpolation.
    constexpr int kSteps = 512;  // table entries per input sample
    const int entries = int(std::ceil(2 * halfWidth * kSteps)) + 2;
    std::vector<float> kernel(static_cast<size_t>(entries));
    for (int m = 0; m < entries; ++m) {
        const double t = double(m) / kSteps - halfWidth;
        const double x = 2 * cutoff * t;
        const double sinc = x == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
        kernel[size_t(m)] = std::fabs(t) >= halfWidth ? 0.0f : float(sinc * Window(t / halfWidth));
    }
    const int64_t n = int64_t(in.size());
    for (size_t j = 0; j < outLength; ++j) {
        const double centre = double(j) / ratio;  // where output sample j lies in the input
        const int64_t first = std::max<int64_t>(0, int64_t(std::ceil(centre - halfWidth)));
        const int64_t last = std::min<int64_t>(n - 1, int64_t(std::floor(centre + halfWidth)));
        double sum = 0, weights = 0;
        double at = (double(first) - centre + halfWidth) * kSteps;  // table position of tap `first`
        for (int64_t i = first; i <= last; ++i, at += kSteps) {
            const int m = int(at);
            const float f = float(at - m);
            const float w = kernel[size_t(m)] + (kernel[size_t(m) + 1] - kernel[size_t(m)]) * f;
            sum += double(w) * (double(in[size_t(i)]) - 128.0);
            weights += w;
        }
        // Normalised by the kernel's own sum, so that a constant stays that constant at the ends too.
        const double v = weights > 1e-9 ? sum / weights : 0.0;
        out[j] = uint8_t(std::clamp<long>(std::lround(v + 128.0), 0, 255));
    }
    return out;
}
