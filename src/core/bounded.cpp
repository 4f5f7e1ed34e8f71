// Bounded text copies into fixed-size buffers.
#include "core/bounded.h"

#include <cstring>

char* CopyBounded(char* dst, size_t cap, const char* src) {
    if (cap == 0) return dst;
    if (!src) {
        dst[0] = 0;
        return dst;
    }
    size_t n = strnlen(src, cap - 1);
    memmove(dst, src, n);
    dst[n] = 0;
    return dst;
}
