// PNG writing and reading for 8-bit RGB images (zlib streams, filter 0 on write, all filters on read).
#include "render/png.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/files.h"

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x >> 24));
    v.push_back(uint8_t(x >> 16));
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

uint32_t Get32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

int Paeth(int a, int b, int c) {
    int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

bool WritePng(const char* path, const uint32_t* pixels, int w, int h) {
    if (!pixels || w <= 0 || h <= 0) return false;
    std::vector<uint8_t> raw;
    raw.reserve(size_t(h) * (size_t(w) * 3 + 1));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < w; ++x) {
            uint32_t p = pixels[size_t(y) * w + x];
            raw.push_back(uint8_t(p >> 16));
            raw.push_back(uint8_t(p >> 8));
            raw.push_back(uint8_t(p));
        }
    }
    uLongf zsize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(zsize);
    if (compress2(z.data(), &zsize, raw.data(), uLong(raw.size()), 6) != Z_OK) return false;
    z.resize(zsize);
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    Put32(ihdr, uint32_t(w));
    Put32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(out, "IHDR", ihdr);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = fclose(f) == 0 && ok;
    return ok;
}

bool ReadPng(const char* path, std::vector<uint32_t>& pixels, int* w, int* h) {
    std::vector<uint8_t> file;
    if (!ReadFileBounded(path, 64u << 20, file)) return false;
    static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (file.size() < 8 || memcmp(file.data(), kSig, 8) != 0) return false;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> z;
    for (size_t p = 8; p + 12 <= file.size();) {
        uint32_t len = Get32(&file[p]);
        if (len > file.size() - p - 12) return false;
        const uint8_t* type = &file[p + 4];
        const uint8_t* data = &file[p + 8];
        if (!memcmp(type, "IHDR", 4)) {
            if (len < 13 || data[8] != 8 || data[9] != 2 || data[12] != 0) return false;
            width = Get32(data);
            height = Get32(data + 4);
        } else if (!memcmp(type, "IDAT", 4)) {
            z.insert(z.end(), data, data + len);
        } else if (!memcmp(type, "IEND", 4)) {
            break;
        }
        p += 12 + len;
    }
    if (width == 0 || height == 0 || width > 8192 || height > 8192) return false;
    const size_t stride = size_t(width) * 3;
    std::vector<uint8_t> raw(size_t(height) * (stride + 1));
    uLongf rawSize = uLongf(raw.size());
    if (uncompress(raw.data(), &rawSize, z.data(), uLong(z.size())) != Z_OK || rawSize != raw.size()) return false;
    std::vector<uint8_t> prev(stride, 0), cur(stride);
    pixels.assign(size_t(width) * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* line = &raw[y * (stride + 1)];
        uint8_t filter = line[0];
        for (size_t i = 0; i < stride; ++i) {
            int a = i >= 3 ? cur[i - 3] : 0, b = prev[i], c = i >= 3 ? prev[i - 3] : 0;
            int x = line[1 + i];
            switch (filter) {
            case 0: break;
            case 1: x += a; break;
            case 2: x += b; break;
            case 3: x += (a + b) / 2; break;
            case 4: x += Paeth(a, b, c); break;
            default: return false;
            }
            cur[i] = uint8_t(x);
        }
        for (uint32_t x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] =
                (uint32_t(cur[x * 3]) << 16) | (uint32_t(cur[x * 3 + 1]) << 8) | cur[x * 3 + 2];
        prev.swap(cur);
    }
    *w = int(width);
    *h = int(height);
    return true;
}
