// Where a frame lies in a window of another size.
#include "platform/present_layout.h"

#include <cstdint>

PresentRect PresentLayout(int frameW, int frameH, int outW, int outH, bool integer) {
    if (frameW <= 0 || frameH <= 0 || outW <= 0 || outH <= 0) return {0, 0, 0, 0};
    if (integer) {
        const int k = outW / frameW < outH / frameH ? outW / frameW : outH / frameH;
        if (k >= 1) return {(outW - k * frameW) / 2, (outH - k * frameH) / 2, k * frameW, k * frameH};
    }
    PresentRect d = {0, 0, outW, outH};
    if (int64_t(outW) * frameH > int64_t(outH) * frameW) {
        d.w = int(int64_t(outH) * frameW / frameH);
        d.x = (outW - d.w) / 2;
    } else {
        d.h = int(int64_t(outW) * frameH / frameW);
        d.y = (outH - d.h) / 2;
    }
    return d;
}
