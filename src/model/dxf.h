// DXF drawings as wireframe meshes: 3DLINE and 3DFACE entities read into de-duplicated segment lists.
#pragma once
#include <cstdint>
#include <cstdio>

// One line segment: first endpoint (x1, y1, z1), second endpoint (x2, y2, z2), drawing units.
struct Segment {
    float x1, y1, z1, x2, y2, z2;
};

// One loaded drawing. Owns its segment array; moving transfers it, copying is not allowed (models
// share meshes through their frame store instead, see model.h).
struct Mesh {
    Segment* segments = nullptr;       // owned; null when empty
    float halfExtents[3] = {0, 0, 0};  // (max - min) / 2 per axis, min and max starting at 0
    int32_t count = 0;                 // segments in use
    int32_t capacity = 0;              // entries allocated

    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    Mesh(Mesh&& other) noexcept;
    Mesh& operator=(Mesh&& other) noexcept;
    ~Mesh();
};

// Size of the line buffer ReadDxfLine fills: at most 255 kept characters plus the terminator.
constexpr int DXF_LINE_BYTES = 256;
enum { DXF_EOF = 0, DXF_LINE = 1 };

// Reads one line from `file` up to a line feed or the end of the stream, dropping every space, tab,
// carriage return, vertical tab and form feed wherever it stands, keeping at most 255 characters (the
// rest of a longer line is read and discarded). buf is always zero-terminated. Returns DXF_LINE when it
// stopped at a line feed, DXF_EOF when the stream ran out (what was read before is still in buf).
int ReadDxfLine(FILE* file, char buf[DXF_LINE_BYTES]);

// Loads the 3DLINE and 3DFACE entities of a DXF file into `mesh` (previous contents freed first). The
// file is read as (group code, value) line pairs: an entity starts at the value "3DLINE" or "3DFACE"
// of code 0, or at such a name standing alone outside a pair; its coordinates are the values of codes
// 10/20/30, 11/21/31 (and 12/22/32, 13/23/33 for a face); every other pair, and every other line that
// is not a code, is skipped. An entity left without all its coordinates is dropped.
// Exact and reversed duplicates are dropped (exact float equality: +0 equals -0, NaN equals nothing);
// with floorPlanOnly set only segments with y1 == 0 and y2 == 0 are kept. Returns 1 when at least one
// segment was kept, 0 otherwise (unreadable file, no entities, all rejected). Prints nothing.
int LoadMesh(Mesh& mesh, const char* fileName, int floorPlanOnly);

// The segments the complete 3DLINE and 3DFACE entities of a DXF file give, read as LoadMesh reads them
// (a line gives one, a face four), before duplicates are dropped: 0 when the file cannot be opened.
int64_t CountMeshSegments(const char* fileName);

// The same load with the plain pairwise duplicate search (every candidate compared with every kept
// segment). Gives the same result as LoadMesh; kept as the reference that tests and benchmarks hold
// the hashed search against.
int LoadMeshQuadratic(Mesh& mesh, const char* fileName, int floorPlanOnly);

// Frees the segment array: array null, count 0. Half-extents are left as they were.
void FreeMesh(Mesh& mesh);

// Multiplies every coordinate of every segment by factor. 0 (nothing done) when the mesh is empty,
// else 1. Half-extents are not recomputed.
int ScaleMesh(Mesh& mesh, float factor);
