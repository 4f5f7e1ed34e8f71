// DXF text for the drawings the unit suites, the benchmarks and the fuzz targets write: 3DLINE and
// 3DFACE entities (each opened by its 0 code, an optional layer, coordinates as %g), the four walls of a
// box, and a drawing with its ENTITIES section.
#pragma once
#include <cstdio>
#include <string>

// What closes a bare list of entities.
inline constexpr const char* kDxfEof = "0\nEOF\n";

// An entity of `corners` corners: codes 1k, 2k, 3k carry x, y and z of corner k.
inline std::string DxfEntity(const char* name, const float* xyz, int corners, const char* layer = nullptr) {
    std::string s = std::string("0\n") + name + "\n";
    if (layer) s += std::string("8\n") + layer + "\n";
    for (int k = 0; k < corners; ++k)
        for (int axis = 0; axis < 3; ++axis) {
            char b[48];
            std::snprintf(b, sizeof b, "%d\n%g\n", (axis + 1) * 10 + k, double(xyz[k * 3 + axis]));
            s += b;
        }
    return s;
}

inline std::string DxfLine(float x1, float y1, float z1, float x2, float y2, float z2, const char* layer = nullptr) {
    const float xyz[6] = {x1, y1, z1, x2, y2, z2};
    return DxfEntity("3DLINE", xyz, 2, layer);
}

// A face of four corners, x y z each.
inline std::string DxfFace(const float corners[12], const char* layer = nullptr) {
    return DxfEntity("3DFACE", corners, 4, layer);
}

// Four 3DFACE walls of height h around the rectangle [x0, x1] x [z0, z1], standing on y = 0, from
// (x0, z0) round by (x1, z0), (x1, z1) and (x0, z1).
inline std::string DxfBox(float x0, float z0, float x1, float z1, float h) {
    const float c[4][2] = {{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}};
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const float* a = c[i];
        const float* b = c[(i + 1) % 4];
        const float face[12] = {a[0], 0, a[1], b[0], 0, b[1], b[0], h, b[1], a[0], h, a[1]};
        s += DxfFace(face);
    }
    return s;
}

// A whole drawing: the entities in an ENTITIES section, then the end of file.
inline std::string DxfDrawing(const std::string& entities) {
    return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n" + kDxfEof;
}
