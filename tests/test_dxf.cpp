// DXF reader tests: line cleaning, code/value pairs, entity reading, duplicate rejection, floor plan,
// extents, bad input, drawings from a CAD library and the bundled drawings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/dxf.h"
#include "support/dxf.h"
#include "support/scratch.h"

namespace {

// The test drawings: lines on layer 0, faces on a layer named walls.
std::string Line3(float x1, float y1, float z1, float x2, float y2, float z2) {
    return DxfLine(x1, y1, z1, x2, y2, z2, "0");
}
std::string Face(const float c[12]) { return DxfFace(c, "walls"); }

void ExpectSegment(const Segment& s, float x1, float y1, float z1, float x2, float y2, float z2) {
    EXPECT_EQ(s.x1, x1);
    EXPECT_EQ(s.y1, y1);
    EXPECT_EQ(s.z1, z1);
    EXPECT_EQ(s.x2, x2);
    EXPECT_EQ(s.y2, y2);
    EXPECT_EQ(s.z2, z2);
}

const float kSquare[12] = {0, 0, 0, 4, 0, 0, 4, 3, 0, 0, 3, 0};

}  // namespace

TEST(DxfLine, DropsWhiteSpaceEverywhereAndReportsTheEnd) {
    std::string path = ScratchFile("lines.txt", " 1 0 \r\n\t3D\vFA\fCE\r\nlast");
    FILE* f = std::fopen(path.c_str(), "r");
    char buf[DXF_LINE_BYTES];
    EXPECT_EQ(ReadDxfLine(f, buf), DXF_LINE);
    EXPECT_STREQ(buf, "10");
    EXPECT_EQ(ReadDxfLine(f, buf), DXF_LINE);
    EXPECT_STREQ(buf, "3DFACE");
    EXPECT_EQ(ReadDxfLine(f, buf), DXF_EOF);
    EXPECT_STREQ(buf, "last");
    EXPECT_EQ(ReadDxfLine(f, buf), DXF_EOF);
    EXPECT_STREQ(buf, "");
    std::fclose(f);
}

TEST(DxfLine, LongLinesAreTruncatedWithoutLosingTheNextLine) {
    for (size_t len : {255u, 256u, 300u, 10000u}) {
        std::string path = ScratchFile("long.txt", std::string(len, 'a') + "\n" + "10\n");
        FILE* f = std::fopen(path.c_str(), "r");
        char buf[DXF_LINE_BYTES + 16];
        std::memset(buf, 'Z', sizeof buf);
        EXPECT_EQ(ReadDxfLine(f, buf), DXF_LINE);
        EXPECT_EQ(std::strlen(buf), std::min<size_t>(len, 255));
        EXPECT_EQ(buf[DXF_LINE_BYTES], 'Z') << "wrote past the 256-byte buffer";
        EXPECT_EQ(ReadDxfLine(f, buf), DXF_LINE);
        EXPECT_STREQ(buf, "10");
        std::fclose(f);
    }
}

TEST(DxfMesh, FaceGivesFourEdgesInOrderAndDuplicatesAreDropped) {
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("face.dxf", DxfDrawing(Face(kSquare))).c_str(), 0), 1);
    ASSERT_EQ(m.count, 4);
    ExpectSegment(m.segments[0], 0, 0, 0, 4, 0, 0);
    ExpectSegment(m.segments[1], 4, 0, 0, 4, 3, 0);
    ExpectSegment(m.segments[2], 4, 3, 0, 0, 3, 0);
    ExpectSegment(m.segments[3], 0, 3, 0, 0, 0, 0);

    // The same face twice, and a 3DLINE repeating an edge reversed, add nothing.
    std::string twice = DxfDrawing(Face(kSquare) + Face(kSquare) + Line3(4, 3, 0, 4, 0, 0) + Line3(0, 0, 0, 0, 0, 7));
    ASSERT_EQ(LoadMesh(m, ScratchFile("twice.dxf", twice).c_str(), 0), 1);
    ASSERT_EQ(m.count, 5);
    ExpectSegment(m.segments[4], 0, 0, 0, 0, 0, 7);
}

TEST(DxfMesh, TriangleFaceKeepsItsZeroLengthEdge) {
    const float tri[12] = {0, 0, 0, 2, 0, 0, 2, 0, 2, 2, 0, 2};
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("tri.dxf", DxfDrawing(Face(tri))).c_str(), 0), 1);
    ASSERT_EQ(m.count, 4);
    ExpectSegment(m.segments[2], 2, 0, 2, 2, 0, 2);
    ExpectSegment(m.segments[3], 2, 0, 2, 0, 0, 0);
}

TEST(DxfMesh, FloorPlanKeepsOnlySegmentsAtHeightZero) {
    std::string d = DxfDrawing(Line3(0, 0, 0, 5, 0, 2) + Line3(0, 0, 0, 0, 3, 0) + Line3(1, -0.0f, 1, 2, 0, 2));
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("floor.dxf", d).c_str(), 1), 1);
    ASSERT_EQ(m.count, 2);
    ExpectSegment(m.segments[0], 0, 0, 0, 5, 0, 2);
    ExpectSegment(m.segments[1], 1, 0, 1, 2, 0, 2);  // -0 is height zero too
    // Only walls in the air: nothing kept, failure.
    EXPECT_EQ(LoadMesh(m, ScratchFile("air.dxf", DxfDrawing(Line3(0, 1, 0, 1, 1, 0))).c_str(), 1), 0);
    EXPECT_EQ(m.count, 0);
}

TEST(DxfMesh, MatchingIsExactCaseSensitiveAndLooseBetweenCodes) {
    // Lower case entity names are not entities; white space inside names and codes is dropped; lines
    // that are not codes are skipped; a repeated code overwrites its slot and still counts.
    std::string d =
        "0\n3dline\n10\n9\n20\n9\n30\n9\n11\n9\n21\n9\n31\n8\n"
        "  3D LINE \r\n junk\r\n 1 0\r\n1.5\r\nxx\n10\n2.5\n 2 0\n-1\n30\n0\n11\n7\n21\n0\n";
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("loose.dxf", d).c_str(), 0), 1);
    ASSERT_EQ(m.count, 1);
    // Six codes seen (10 twice), so z2 was never given: zeroed at the start of the entity.
    ExpectSegment(m.segments[0], 2.5f, -1, 0, 7, 0, 0);
}

TEST(DxfMesh, CrLfFilesReadLikeLfFiles) {
    std::string lf = DxfDrawing(Face(kSquare) + Line3(1, 2, 3, 4, 5, 6));
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Mesh a, b;
    ASSERT_EQ(LoadMesh(a, ScratchFile("lf.dxf", lf).c_str(), 0), 1);
    ASSERT_EQ(LoadMesh(b, ScratchFile("crlf.dxf", crlf).c_str(), 0), 1);
    ASSERT_EQ(a.count, 5);
    ASSERT_EQ(b.count, 5);
    EXPECT_EQ(std::memcmp(a.segments, b.segments, sizeof(Segment) * 5), 0);
}

TEST(DxfMesh, TruncatedLastEntityKeepsTheCompleteOnes) {
    std::string full = DxfDrawing(Line3(1, 2, 3, 4, 5, 6));
    std::string cut = "0\n3DLINE\n10\n1\n20\n2\n30\n3\n11\n4\n21\n5\n31\n6\n0\n3DLINE\n10\n7\n20\n8\n31";
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("cut.dxf", cut).c_str(), 0), 1);
    ASSERT_EQ(m.count, 1);
    ExpectSegment(m.segments[0], 1, 2, 3, 4, 5, 6);
    // The value of the last code is read even without a final line feed.
    std::string lastValue = "3DLINE\n10\n1\n20\n2\n30\n3\n11\n4\n21\n5\n31\n6";
    ASSERT_EQ(LoadMesh(m, ScratchFile("lastvalue.dxf", lastValue).c_str(), 0), 1);
    ExpectSegment(m.segments[0], 1, 2, 3, 4, 5, 6);
    // An entity name on an unterminated last line is never examined.
    EXPECT_EQ(LoadMesh(m, ScratchFile("lastname.dxf", "0\n3DLINE").c_str(), 0), 0);
}

TEST(DxfMesh, HalfExtentsStartFromZero) {
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("ext.dxf", DxfDrawing(Line3(2, -1, 2, 4, -3, 3))).c_str(), 0), 1);
    EXPECT_FLOAT_EQ(m.halfExtents[0], 2.0f);  // min 0, max 4
    EXPECT_FLOAT_EQ(m.halfExtents[1], 1.5f);  // min -3, max 0
    EXPECT_FLOAT_EQ(m.halfExtents[2], 1.5f);
}

TEST(DxfMesh, ZeroSignsAndNaNFollowFloatEquality) {
    std::string d = DxfDrawing(Line3(0, 0, 0, 1, 1, 1) + Line3(-0.0f, 0, -0.0f, 1, 1, 1) +  // +0 == -0: dropped
                               "0\n3DLINE\n10\nnan\n20\n0\n30\n0\n11\n1\n21\n1\n31\n1\n" +
                               "0\n3DLINE\n10\nnan\n20\n0\n30\n0\n11\n1\n21\n1\n31\n1\n" +  // NaN: both kept
                               "0\n3DLINE\n10\ninf\n20\n1e300\n30\n-1e300\n11\n1\n21\n1\n31\n1\n");
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("nan.dxf", d).c_str(), 0), 1);
    ASSERT_EQ(m.count, 4);
    EXPECT_TRUE(std::isnan(m.segments[1].x1));
    EXPECT_TRUE(std::isnan(m.segments[2].x1));
    EXPECT_TRUE(std::isinf(m.segments[3].x1));
    EXPECT_TRUE(std::isinf(m.segments[3].y1));  // 1e300 narrowed to float
}

TEST(DxfMesh, FailuresLeaveAnEmptyMesh) {
    Mesh m;
    EXPECT_EQ(LoadMesh(m, ScratchPath("does-not-exist.dxf").c_str(), 0), 0);
    EXPECT_EQ(LoadMesh(m, ScratchFile("empty.dxf", "").c_str(), 0), 0);
    EXPECT_EQ(LoadMesh(m, ScratchFile("nothing.dxf", DxfDrawing("0\nCIRCLE\n10\n1\n")).c_str(), 0), 0);
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
    EXPECT_EQ(LoadMesh(m, ScratchFile("binary.dxf", binary).c_str(), 0), 0);
    EXPECT_EQ(m.count, 0);
    // Entity names with no coordinates count toward the bound but allocate nothing and load nothing.
    std::string names;
    for (int i = 0; i < 20000; ++i) names += "3DFACE\n";
    EXPECT_EQ(LoadMesh(m, ScratchFile("names.dxf", names).c_str(), 0), 0);
    EXPECT_EQ(m.count, 0);
    EXPECT_EQ(m.segments, nullptr);
}

// The hashed duplicate search must keep exactly what the pairwise search keeps, in the same order.
TEST(DxfMesh, HashedSearchMatchesPairwiseSearch) {
    std::mt19937 rng(1234);
    const float values[] = {0.0f, -0.0f, 1.0f, 2.5f, -3.0f, NAN};
    for (int round = 0; round < 6; ++round) {
        std::string body;
        for (int e = 0; e < 600; ++e) {
            float c[12];
            for (float& v : c) v = values[rng() % (round < 3 ? 5 : 6)];
            if (rng() % 3 == 0)
                body += Line3(c[0], c[1], c[2], c[3], c[4], c[5]);
            else
                body += Face(c);
        }
        std::string path = ScratchFile("random.dxf", DxfDrawing(body));
        for (int floor = 0; floor <= 1; ++floor) {
            Mesh fast, slow;
            int a = LoadMesh(fast, path.c_str(), floor);
            int b = LoadMeshQuadratic(slow, path.c_str(), floor);
            ASSERT_EQ(a, b);
            ASSERT_EQ(fast.count, slow.count) << "round " << round << " floor " << floor;
            ASSERT_GT(fast.count, 10);
            EXPECT_EQ(std::memcmp(fast.segments, slow.segments, sizeof(Segment) * size_t(fast.count)), 0);
        }
    }
}

// Pairs: a code's value is never read as a code or an entity name, whatever it says.
TEST(DxfMesh, ValuesThatReadLikeCodesOrNamesStayValues) {
    // A layer-table entry named 3DFACE, then a face whose handle, layer, colour and line weight read
    // like coordinate codes or an entity name, and a stray 12 (not a line's code) whose value is "10".
    std::string d =
        "0\nSECTION\n2\nHEADER\n9\n$INSBASE\n10\n0.0\n20\n0.0\n30\n0.0\n0\nENDSEC\n"
        "0\nSECTION\n2\nTABLES\n0\nLAYER\n5\n31\n2\n3DFACE\n70\n0\n62\n30\n370\n30\n0\nENDSEC\n" +
        DxfDrawing("0\n3DFACE\n5\n30\n330\n1F\n8\n10\n62\n33\n370\n30\n8\n3DFACE\n" + Face(kSquare).substr(17) +
                   "0\n3DLINE\n5\n32\n12\n10\n10\n9\n20\n9\n30\n9\n11\n9\n21\n8\n1.5\n31\n9\n");
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("pairs.dxf", d).c_str(), 0), 1);
    ASSERT_EQ(m.count, 5);
    ExpectSegment(m.segments[0], 0, 0, 0, 4, 0, 0);
    ExpectSegment(m.segments[3], 0, 3, 0, 0, 0, 0);
    ExpectSegment(m.segments[4], 9, 9, 9, 9, 8, 9);  // "1.5" at a code position is no code: skipped alone
}

// An entity ends where the next one (or any other 0 code) starts; one left short is dropped and never
// lends its coordinates to the next.
TEST(DxfMesh, EntitiesLeftShortAreDroppedWithoutSpilling) {
    std::string d =
        DxfDrawing("0\n3DLINE\n10\n5\n20\n5\n0\nSEQEND\n30\n5\n11\n5\n21\n5\n31\n5\n" +         // ended by SEQEND
                   std::string("0\n3DFACE\n10\n6\n20\n6\n30\n6\n") + Line3(1, 2, 3, 4, 5, 6) +  // by 0 3DLINE
                   "3DLINE\n10\n7\n20\n7\n" + Face(kSquare) +                                   // by a lone name
                   "0\nLINE\n10\n8\n20\n8\n30\n8\n11\n8\n21\n8\n31\n8\n" +                      // not read
                   "10\n3DLINE\n20\n3DFACE\n");  // values of codes outside an entity start nothing
    Mesh m;
    ASSERT_EQ(LoadMesh(m, ScratchFile("short.dxf", d).c_str(), 0), 1);
    ASSERT_EQ(m.count, 5);
    ExpectSegment(m.segments[0], 1, 2, 3, 4, 5, 6);
    ExpectSegment(m.segments[1], 0, 0, 0, 4, 0, 0);
    ExpectSegment(m.segments[4], 0, 3, 0, 0, 0, 0);
}

namespace {

// The reader as it was before it read pairs: any line equal to a coordinate code is a code wherever it
// stands, and every line equal to an entity name starts an entity. Kept only as the reference that the
// bundled drawings must still match exactly.
int LoadMeshLineByLine(std::vector<Segment>& out, float half[3], const char* fileName, int floorPlanOnly) {
    out.clear();
    char buf[DXF_LINE_BYTES];
    auto slot = [](const char* s, int corners) {
        if (s[0] < '1' || s[0] > '3' || s[1] < '0' || s[1] >= '0' + corners || s[2] != 0) return -1;
        return (s[1] - '0') * 3 + (s[0] - '1');
    };
    auto readEntity = [&](FILE* f, int corners, float* v) {
        for (int i = 0; i < 12; ++i) v[i] = 0;
        for (int got = 0; got < corners * 3;) {
            if (ReadDxfLine(f, buf) == DXF_EOF) return false;
            int k = slot(buf, corners);
            if (k < 0) continue;
            ReadDxfLine(f, buf);
            v[k] = static_cast<float>(std::atof(buf));
            ++got;
        }
        return true;
    };
    auto offer = [&](const Segment& c) {
        for (const Segment& s : out)
            if ((s.x1 == c.x1 && s.y1 == c.y1 && s.z1 == c.z1 && s.x2 == c.x2 && s.y2 == c.y2 && s.z2 == c.z2) ||
                (s.x1 == c.x2 && s.y1 == c.y2 && s.z1 == c.z2 && s.x2 == c.x1 && s.y2 == c.y1 && s.z2 == c.z1))
                return;
        if (!floorPlanOnly || (c.y1 == 0.0f && c.y2 == 0.0f)) out.push_back(c);
    };
    FILE* f = std::fopen(fileName, "r");
    if (!f) return 0;
    float v[12];
    while (ReadDxfLine(f, buf) == DXF_LINE) {
        if (std::strcmp(buf, "3DLINE") == 0) {
            if (readEntity(f, 2, v)) offer(Segment{v[0], v[1], v[2], v[3], v[4], v[5]});
        } else if (std::strcmp(buf, "3DFACE") == 0 && readEntity(f, 4, v)) {
            for (int e = 0; e < 4; ++e) {
                const float *a = v + e * 3, *b = v + ((e + 1) & 3) * 3;
                offer(Segment{a[0], a[1], a[2], b[0], b[1], b[2]});
            }
        }
    }
    std::fclose(f);
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (const Segment& s : out) {
        const float p[6] = {s.x1, s.y1, s.z1, s.x2, s.y2, s.z2};
        for (int k = 0; k < 6; ++k) lo[k % 3] = std::min(lo[k % 3], p[k]), hi[k % 3] = std::max(hi[k % 3], p[k]);
    }
    for (int a = 0; a < 3; ++a) half[a] = (hi[a] - lo[a]) / 2;
    return out.empty() ? 0 : 1;
}

const char* const kCadFiles[] = {"cube_r12.dxf", "cube_r2000.dxf", "cube_r2010.dxf"};
const std::string kCadDir = std::string(ZARVO_SOURCE_DIR) + "/tests/data/cad/";

// The cube of tests/data/cad: exactly its 12 edges, each once in either direction, nothing else.
void ExpectCube(const std::string& path) {
    SCOPED_TRACE(path);
    Mesh m;
    ASSERT_EQ(LoadMesh(m, path.c_str(), 0), 1);
    ASSERT_EQ(m.count, 12);
    std::set<std::vector<float>> edges;
    for (int i = 0; i < m.count; ++i) {
        const Segment& s = m.segments[i];
        const float p[6] = {s.x1, s.y1, s.z1, s.x2, s.y2, s.z2};
        int differing = 0;
        for (int k = 0; k < 6; ++k) {
            if (k % 3 == 1) {
                EXPECT_TRUE(p[k] == 0 || p[k] == -2) << "y " << p[k];
            } else {
                EXPECT_TRUE(p[k] == -1 || p[k] == 1) << "x or z " << p[k];  // no stray corner (z = 330)
            }
            if (k < 3 && p[k] != p[k + 3]) ++differing;
        }
        EXPECT_EQ(differing, 1) << "segment " << i << " is not a cube edge";
        std::vector<float> a(p, p + 3), b(p + 3, p + 6);
        std::vector<float> key = a < b ? a : b;
        key.insert(key.end(), (a < b ? b : a).begin(), (a < b ? b : a).end());
        edges.insert(key);
    }
    EXPECT_EQ(edges.size(), 12u);
    EXPECT_EQ(m.halfExtents[0], 1.0f);
    EXPECT_EQ(m.halfExtents[1], 1.0f);
    EXPECT_EQ(m.halfExtents[2], 1.0f);
    ASSERT_EQ(LoadMesh(m, path.c_str(), 1), 1);
    EXPECT_EQ(m.count, 4);  // the floor square
}

}  // namespace

// Drawings written by a DXF library (ezdxf, through tests/data/cad/make_cad.py) load as drawn, in every
// version written; the line-by-line reading they were made to trip really gets them wrong.
TEST(DxfCad, LibraryDrawingsLoadAsDrawn) {
    for (const char* name : kCadFiles) {
        std::string path = kCadDir + name;
        ExpectCube(path);
        std::vector<Segment> old;
        float half[3];
        LoadMeshLineByLine(old, half, path.c_str(), 0);
        EXPECT_NE(old.size(), 12u) << name << " no longer shows the codes-anywhere fault";
    }
}

// The checked-in drawings are what the generator writes with the installed library, and load alike.
TEST(DxfCad, GeneratorWritesTheCheckedInDrawings) {
    if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-ezdxf is not installed";
    std::string out = ScratchPath("cad");
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    std::string cmd = "/usr/bin/python3 '" + kCadDir + "make_cad.py' '" + out + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    for (const char* name : kCadFiles) {
        std::string fresh = out + "/" + name;
        EXPECT_TRUE(ReadFile(fresh) == ReadFile(kCadDir + name))
            << name << " differs from what make_cad.py writes now; regenerate tests/data/cad";
        ExpectCube(fresh);
    }
    std::filesystem::remove_all(out);
}

// Every bundled drawing (maps and model frames) loads exactly as the line-by-line reading gave it, so
// levels, models and golden frames are unchanged.
TEST(DxfCad, BundledDrawingsLoadAsBefore) {
    int files = 0, segments = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(ZARVO_SOURCE_DIR) + "/data")) {
        if (entry.path().extension() != ".dxf") continue;
        ++files;
        std::string path = entry.path().string();
        for (int floor = 0; floor <= 1; ++floor) {
            SCOPED_TRACE(path + (floor ? " (floor plan)" : ""));
            std::vector<Segment> old;
            float half[3];
            int expected = LoadMeshLineByLine(old, half, path.c_str(), floor);
            Mesh m;
            ASSERT_EQ(LoadMesh(m, path.c_str(), floor), expected);
            ASSERT_EQ(size_t(m.count), old.size());
            if (expected) {
                EXPECT_EQ(std::memcmp(m.segments, old.data(), sizeof(Segment) * old.size()), 0);
                EXPECT_EQ(std::memcmp(m.halfExtents, half, sizeof half), 0);
            }
            segments += m.count;
        }
    }
    EXPECT_GE(files, 20);
    EXPECT_GT(segments, 1000);
}
