// DXF mesh reader: line cleaning, entity reading, duplicate rejection through a hash of segments.
#include "model/dxf.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/files.h"

Mesh::Mesh(Mesh&& other) noexcept : segments(other.segments), count(other.count), capacity(other.capacity) {
    std::memcpy(halfExtents, other.halfExtents, sizeof halfExtents);
    other.segments = nullptr;
    other.count = other.capacity = 0;
}

Mesh& Mesh::operator=(Mesh&& other) noexcept {
    if (this != &other) {
        FreeMesh(*this);
        segments = other.segments;
        count = other.count;
        capacity = other.capacity;
        std::memcpy(halfExtents, other.halfExtents, sizeof halfExtents);
        other.segments = nullptr;
        other.count = other.capacity = 0;
    }
    return *this;
}

Mesh::~Mesh() { FreeMesh(*this); }

void FreeMesh(Mesh& mesh) {
    std::free(mesh.segments);
    mesh.segments = nullptr;
    mesh.count = 0;
    mesh.capacity = 0;
}

int ScaleMesh(Mesh& mesh, float factor) {
    if (mesh.count <= 0 || !mesh.segments) return 0;
    for (int32_t i = 0; i < mesh.count; ++i) {
        Segment& s = mesh.segments[i];
        s.x1 *= factor;
        s.y1 *= factor;
        s.z1 *= factor;
        s.x2 *= factor;
        s.y2 *= factor;
        s.z2 *= factor;
    }
    return 1;
}

static inline bool IsDxfBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

int ReadDxfLine(FILE* file, char buf[DXF_LINE_BYTES]) {
    int kept = 0;
    int c;
    while ((c = getc_unlocked(file)) != EOF) {
        if (c == '\n') {
            buf[kept] = 0;
            return DXF_LINE;
        }
        if (IsDxfBlank(c)) continue;
        if (kept < DXF_LINE_BYTES - 1) buf[kept++] = static_cast<char>(c);
    }
    buf[kept] = 0;
    return DXF_EOF;
}

namespace {

bool SameSegment(const Segment& a, const Segment& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.z1 == b.z1 && a.x2 == b.x2 && a.y2 == b.y2 && a.z2 == b.z2;
}
bool ReversedSegment(const Segment& a, const Segment& b) {
    return a.x1 == b.x2 && a.y1 == b.y2 && a.z1 == b.z2 && a.x2 == b.x1 && a.y2 == b.y1 && a.z2 == b.z1;
}
bool HasNaN(const Segment& s) {
    return s.x1 != s.x1 || s.y1 != s.y1 || s.z1 != s.z1 || s.x2 != s.x2 || s.y2 != s.y2 || s.z2 != s.z2;
}

// Bits of a float with -0 folded onto +0, so that values comparing equal hash equally.
inline uint64_t FloatKey(float v) {
    if (v == 0.0f) v = 0.0f;
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}
inline uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}
inline uint64_t PointHash(float x, float y, float z) {
    return Mix(FloatKey(x) * 0x9E3779B97F4A7C15ULL ^ FloatKey(y) * 0xC2B2AE3D27D4EB4FULL ^
               FloatKey(z) * 0x165667B19E3779F9ULL);
}
// Orientation-free hash: a segment and its reverse hash alike, so one probe finds both kinds of duplicate.
inline uint64_t SegmentHash(const Segment& s) {
    uint64_t a = PointHash(s.x1, s.y1, s.z1), b = PointHash(s.x2, s.y2, s.z2);
    uint64_t lo = a < b ? a : b, hi = a < b ? b : a;
    return Mix(lo ^ (hi * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL));
}

// Open-addressed set of indexes into the kept segments. Segments holding a NaN are never entered nor
// looked up: a NaN compares unequal to everything, so such a segment can neither be nor have a duplicate.
class SegmentSet {
  public:
    bool Contains(const Segment* kept, const Segment& c) const {
        if (slots_.empty() || HasNaN(c)) return false;
        size_t mask = slots_.size() - 1;
        for (size_t i = SegmentHash(c) & mask;; i = (i + 1) & mask) {
            int32_t k = slots_[i];
            if (k < 0) return false;
            if (SameSegment(kept[k], c) || ReversedSegment(kept[k], c)) return true;
        }
    }
    void Add(const Segment* kept, int32_t index) {
        if (HasNaN(kept[index])) return;
        if ((used_ + 1) * 2 > slots_.size()) Grow(kept);
        Place(kept, index);
        ++used_;
    }

  private:
    void Place(const Segment* kept, int32_t index) {
        size_t mask = slots_.size() - 1;
        size_t i = SegmentHash(kept[index]) & mask;
        while (slots_[i] >= 0) i = (i + 1) & mask;
        slots_[i] = index;
    }
    void Grow(const Segment* kept) {
        std::vector<int32_t> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, -1);
        for (int32_t k : old)
            if (k >= 0) Place(kept, k);
    }
    std::vector<int32_t> slots_;
    size_t used_ = 0;
};

// The kept segments of one load, growing with what is actually read (never beyond the counted bound),
// so a file full of entity names without coordinates cannot make the loader allocate much.
struct Appender {
    Mesh& mesh;
    int32_t limit;
    bool quadratic;
    int floorPlanOnly;
    SegmentSet set;

    bool Rejected(const Segment& c) const {
        if (quadratic) {
            for (int32_t i = 0; i < mesh.count; ++i)
                if (SameSegment(mesh.segments[i], c) || ReversedSegment(mesh.segments[i], c)) return true;
        } else if (set.Contains(mesh.segments, c)) {
            return true;
        }
        return floorPlanOnly && !(c.y1 == 0.0f && c.y2 == 0.0f);
    }
    void Offer(const Segment& c) {
        if (mesh.count >= limit || Rejected(c)) return;
        if (mesh.count == mesh.capacity) {
            int64_t want = mesh.capacity ? int64_t(mesh.capacity) * 2 : 256;
            if (want > limit) want = limit;
            void* grown = std::realloc(mesh.segments, size_t(want) * sizeof(Segment));
            if (!grown) return;  // out of memory: keep what we have
            mesh.segments = static_cast<Segment*>(grown);
            mesh.capacity = int32_t(want);
        }
        mesh.segments[mesh.count] = c;
        if (!quadratic) set.Add(mesh.segments, mesh.count);
        ++mesh.count;
    }
};

// Maps a cleaned line to a coordinate slot: "1c", "2c", "3c" are x, y, z of corner c. -1 when the line
// is not one of the first `corners` corners' codes.
inline int CodeSlot(const char* s, int corners) {
    if (s[0] < '1' || s[0] > '3' || s[1] < '0' || s[1] >= '0' + corners || s[2] != 0) return -1;
    return (s[1] - '0') * 3 + (s[0] - '1');
}

// Corners of the entity a name starts: 2 for "3DLINE", 4 for "3DFACE", 0 for any other line.
inline int EntityCorners(const char* s) {
    if (std::strcmp(s, "3DLINE") == 0) return 2;
    if (std::strcmp(s, "3DFACE") == 0) return 4;
    return 0;
}

// A group code is a line of decimal digits only; its value is the line after it.
inline bool IsGroupCode(const char* s) {
    if (!*s) return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

// Reads a drawing as (group code, value) line pairs and hands out its complete 3DLINE and 3DFACE
// entities. Both passes of a load use it, so the counting pass sees exactly the entities the reading
// pass gets. At every position where a code is expected:
//   - "0" takes the next line as its value; a value "3DLINE" or "3DFACE" starts that entity, any other
//     value (another entity, a section marker) only ends the entity being read;
//   - a line "3DLINE" or "3DFACE" standing alone outside a pair starts that entity too, so short
//     hand-written drawings without the "0" codes still read;
//   - a coordinate code of the entity being read takes the next line as its value, converted with atof
//     whatever the end-of-file report; a repeated code overwrites its slot and still counts;
//   - any other group code takes the next line as its value, and both are skipped, so a handle, layer
//     name, colour or line weight that happens to read like a code or an entity name stays a value;
//   - any other line is outside every pair and is skipped alone.
// An entity started again, or ended by a "0" code, before all its coordinates were given is dropped.
// A line at a code position that the file ends without a line feed is never examined.
class DxfEntityReader {
  public:
    explicit DxfEntityReader(FILE* file) : file_(file) {}

    // The next complete entity: its corner count (2 or 4) with 3 * corners values in out (x, y, z per
    // corner, slots not given are 0), or 0 when the file is exhausted. A null out only counts: values
    // are not converted.
    int Next(float* out) {
        int corners = 0, got = 0;
        for (;;) {
            if (ReadDxfLine(file_, buf_) == DXF_EOF) return 0;
            int start = EntityCorners(buf_);
            if (!start && buf_[0] == '0' && buf_[1] == 0) {
                if (ReadDxfLine(file_, buf_) == DXF_EOF) return 0;
                start = EntityCorners(buf_);
                if (!start) {
                    corners = 0;
                    continue;
                }
            }
            if (start) {
                corners = start;
                got = 0;
                if (out) {
                    for (int i = 0; i < corners * 3; ++i) out[i] = 0.0f;
                }
                continue;
            }
            int slot = corners ? CodeSlot(buf_, corners) : -1;
            if (slot >= 0) {
                ReadDxfLine(file_, buf_);
                if (out) out[slot] = static_cast<float>(std::atof(buf_));
                if (++got == corners * 3) return corners;
            } else if (IsGroupCode(buf_)) {
                if (ReadDxfLine(file_, buf_) == DXF_EOF) return 0;
            }
        }
    }

  private:
    FILE* file_;
    char buf_[DXF_LINE_BYTES];
};

}  // namespace

int64_t CountMeshSegments(const char* fileName) {
    if (!fileName) return 0;
    FILE* f = std::fopen(fileName, "r");
    if (!f) return 0;
    int64_t total = 0;
    DxfEntityReader counter(f);
    for (int corners; (corners = counter.Next(nullptr)) != 0;) total += corners == 2 ? 1 : 4;
    std::fclose(f);
    return total;
}

namespace {

int LoadMeshWith(Mesh& mesh, const char* fileName, int floorPlanOnly, bool quadratic) {
    FreeMesh(mesh);
    if (!fileName) return 0;
    float v[12];
    int64_t total = CountMeshSegments(fileName);
    if (total == 0) return 0;
    if (total > INT32_MAX) total = INT32_MAX;

    FILE* f = std::fopen(fileName, "r");
    if (!f) return 0;
    NoteFileRead(fileName);
    Appender out{mesh, int32_t(total), quadratic, floorPlanOnly, {}};
    DxfEntityReader reader(f);
    for (int corners; (corners = reader.Next(v)) != 0;) {
        if (corners == 2) {
            out.Offer(Segment{v[0], v[1], v[2], v[3], v[4], v[5]});
        } else {
            for (int e = 0; e < 4; ++e) {
                const float* a = v + e * 3;
                const float* b = v + ((e + 1) & 3) * 3;
                out.Offer(Segment{a[0], a[1], a[2], b[0], b[1], b[2]});
            }
        }
    }
    std::fclose(f);
    if (mesh.count == 0) return 0;

    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (int32_t i = 0; i < mesh.count; ++i) {
        const Segment& s = mesh.segments[i];
        const float p[6] = {s.x1, s.y1, s.z1, s.x2, s.y2, s.z2};
        for (int k = 0; k < 6; ++k) {
            int axis = k % 3;
            if (p[k] < lo[axis]) lo[axis] = p[k];
            if (p[k] > hi[axis]) hi[axis] = p[k];
        }
    }
    for (int axis = 0; axis < 3; ++axis) mesh.halfExtents[axis] = (hi[axis] - lo[axis]) / 2;
    return 1;
}

}  // namespace

int LoadMesh(Mesh& mesh, const char* fileName, int floorPlanOnly) {
    return LoadMeshWith(mesh, fileName, floorPlanOnly, false);
}

int LoadMeshQuadratic(Mesh& mesh, const char* fileName, int floorPlanOnly) {
    return LoadMeshWith(mesh, fileName, floorPlanOnly, true);
}
