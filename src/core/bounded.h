// Bounded text copies: every copy into one of the program's fixed-size buffers goes through here.
#pragma once
#include <cstddef>

// Copies src into dst (capacity cap bytes, cap >= 1), truncating so that dst is always NUL-terminated.
// Returns dst. A null src gives an empty string.
char* CopyBounded(char* dst, size_t cap, const char* src);
template <size_t N>
inline char* CopyBounded(char (&dst)[N], const char* src) {
    return CopyBounded(dst, N, src);
}
