// DXF reader tests: line cleaning, entity reading, duplicate rejection, floor plan, extents, bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <cstring>
#include <string>

#include "model/dxf.h"

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / ("zarvo_dxf_" + name)).string();
}

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    std::string path = TempPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

std::string Line3(float x1, float y1, float z1, float x2, float y2, float z2) {
    char b[256];
    std::snprintf(b, sizeof b, "0\n3DLINE\n8\n0\n10\n%g\n20\n%g\n30\n%g\n11\n%g\n21\n%g\n31\n%g\n", x1, y1, z1, x2,
                  y2, z2);
    return b;
}

std::string Face(const float c[12]) {
    std::string s = "0\n3DFACE\n8\nwalls\n";
    const char* codes[12] = {"10", "20", "30", "11", "21", "31", "12", "22", "32", "13", "23", "33"};
    for (int i = 0; i < 12; ++i) {
        char b[64];
        std::snprintf(b, sizeof b, "%s\n%g\n", codes[i], c[i]);
        s += b;
    }
    return s;
}

std::string Dxf(const std::string& entities) {
    return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

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
    std::string path = WriteTemp("lines.txt", " 1 0 \r\n\t3D\vFA\fCE\r\nlast");
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
        std::string path = WriteTemp("long.txt", std::string(len, 'a') + "\n" + "10\n");
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
    ASSERT_EQ(LoadMesh(m, WriteTemp("face.dxf", Dxf(Face(kSquare))).c_str(), 0), 1);
    ASSERT_EQ(m.count, 4);
    ExpectSegment(m.segments[0], 0, 0, 0, 4, 0, 0);
    ExpectSegment(m.segments[1], 4, 0, 0, 4, 3, 0);
    ExpectSegment(m.segments[2], 4, 3, 0, 0, 3, 0);
    ExpectSegment(m.segments[3], 0, 3, 0, 0, 0, 0);

    // The same face twice, and a 3DLINE repeating an edge reversed, add nothing.
    std::string twice = Dxf(Face(kSquare) + Face(kSquare) + Line3(4, 3, 0, 4, 0, 0) + Line3(0, 0, 0, 0, 0, 7));
    ASSERT_EQ(LoadMesh(m, WriteTemp("twice.dxf", twice).c_str(), 0), 1);
    ASSERT_EQ(m.count, 5);
    ExpectSegment(m.segments[4], 0, 0, 0, 0, 0, 7);
}

TEST(DxfMesh, TriangleFaceKeepsItsZeroLengthEdge) {
    const float tri[12] = {0, 0, 0, 2, 0, 0, 2, 0, 2, 2, 0, 2};
    Mesh m;
    ASSERT_EQ(LoadMesh(m, WriteTemp("tri.dxf", Dxf(Face(tri))).c_str(), 0), 1);
    ASSERT_EQ(m.count, 4);
    ExpectSegment(m.segments[2], 2, 0, 2, 2, 0, 2);
    ExpectSegment(m.segments[3], 2, 0, 2, 0, 0, 0);
}

TEST(DxfMesh, FloorPlanKeepsOnlySegmentsAtHeightZero) {
    std::string d = Dxf(Line3(0, 0, 0, 5, 0, 2) + Line3(0, 0, 0, 0, 3, 0) + Line3(1, -0.0f, 1, 2, 0, 2));
    Mesh m;
    ASSERT_EQ(LoadMesh(m, WriteTemp("floor.dxf", d).c_str(), 1), 1);
    ASSERT_EQ(m.count, 2);
    ExpectSegment(m.segments[0], 0, 0, 0, 5, 0, 2);
    ExpectSegment(m.segments[1], 1, 0, 1, 2, 0, 2);  // -0 is height zero too
    // Only walls in the air: nothing kept, failure.
    EXPECT_EQ(LoadMesh(m, WriteTemp("air.dxf", Dxf(Line3(0, 1, 0, 1, 1, 0))).c_str(), 1), 0);
    EXPECT_EQ(m.count, 0);
}

TEST(DxfMesh, MatchingIsExactCaseSensitiveAndLooseBetweenCodes) {
    // Lower case entity names are not entities; white space inside names and codes is dropped; lines
    // that are not codes are skipped; a repeated code overwrites its slot and still counts.
    std::string d = "0\n3dline\n10\n9\n20\n9\n30\n9\n11\n9\n21\n9\n31\n8\n"
                    "  3D LINE \r\n junk\r\n 1 0\r\n1.5\r\nxx\n10\n2.5\n 2 0\n-1\n30\n0\n11\n7\n21\n0\n";
    Mesh m;
    ASSERT_EQ(LoadMesh(m, WriteTemp("loose.dxf", d).c_str(), 0), 1);
    ASSERT_EQ(m.count, 1);
    // Six codes seen (10 twice), so z2 was never given: zeroed at the start of the entity.
    ExpectSegment(m.segments[0], 2.5f, -1, 0, 7, 0, 0);
}

TEST(DxfMesh, CrLfFilesReadLikeLfFiles) {
    std::string lf = Dxf(Face(kSquare) + Line3(1, 2, 3, 4, 5, 6));
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Mesh a, b;
    ASSERT_EQ(LoadMesh(a, WriteTemp("lf.dxf", lf).c_str(), 0), 1);
    ASSERT_EQ(LoadMesh(b, WriteTemp("crlf.dxf", crlf).c_str(), 0), 1);
    ASSERT_EQ(a.count, 5);
    ASSERT_EQ(b.count, 5);
    EXPECT_EQ(std::memcmp(a.segments, b.segments, sizeof(Segment) * 5), 0);
}

TEST(DxfMesh, TruncatedLastEntityKeepsTheCompleteOnes) {
    std::string full = Dxf(Line3(1, 2, 3, 4, 5, 6));
    std::string cut = "0\n3DLINE\n10\n1\n20\n2\n30\n3\n11\n4\n21\n5\n31\n6\n0\n3DLINE\n10\n7\n20\n8\n31";
    Mesh m;
    ASSERT_EQ(LoadMesh(m, WriteTemp("cut.dxf", cut).c_str(), 0), 1);
    ASSERT_EQ(m.count, 1);
    ExpectSegment(m.segments[0], 1, 2, 3, 4, 5, 6);
    // The value of the last code is read even without a final line feed.
    std::string lastValue = "3DLINE\n10\n1\n20\n2\n30\n3\n11\n4\n21\n5\n31\n6";
    ASSERT_EQ(LoadMesh(m, WriteTemp("lastvalue.dxf", lastValue).c_str(), 0), 1);
    ExpectSegment(m.segments[0], 1, 2, 3, 4, 5, 6);
    // An entity name on an unterminated last line is never examined.
    EXPECT_EQ(LoadMesh(m, WriteTemp("lastname.dxf", "0\n3DLINE").c_str(), 0), 0);
}

TEST(DxfMesh, HalfExtentsStartFromZero) {
    Mesh m;
    ASSERT_EQ(LoadMesh(m, WriteTemp("ext.dxf", Dxf(Line3(2, -1, 2, 4, -3, 3))).c_str(), 0), 1);
    EXPECT_FLOAT_EQ(m.halfExtents[0], 2.0f);  // min 0, max 4
    EXPECT_FLOAT_EQ(m.halfExtents[1], 1.5f);  // min -3, max 0
    EXPECT_FLOAT_EQ(m.halfExtents[2], 1.5f);
}

TEST(DxfMesh, ZeroSignsAndNaNFollowFloatEquality) {
    std::string d = Dxf(Line3(0, 0, 0, 1, 1, 1) + Line3(-0.0f, 0, -0.0f, 1, 1, 1) +  // +0 == -0: dropped
                        "0\n3DLINE\n10\nnan\n20\n0\n30\n0\n11\n1\n21\n1\n31\n1\n" +
                        "0\n3DLINE\n10\nnan\n20\n0\n30\n0\n11\n1\n21\n1\n31\n1\n" +  // NaN: both kept
                        "0\n3DLINE\n10\ninf\n20\n1e300\n30\n-1e300\n11\n1\n21\n1\n31\n1\n");
    Mesh m;
    ASSERT_EQ(LoadMesh(m, WriteTemp("nan.dxf", d).c_str(), 0), 1);
    ASSERT_EQ(m.count, 4);
    EXPECT_TRUE(std::isnan(m.segments[1].x1));
    EXPECT_TRUE(std::isnan(m.segments[2].x1));
    EXPECT_TRUE(std::isinf(m.segments[3].x1));
    EXPECT_TRUE(std::isinf(m.segments[3].y1));  // 1e300 narrowed to float
}

TEST(DxfMesh, FailuresLeaveAnEmptyMesh) {
    Mesh m;
    EXPECT_EQ(LoadMesh(m, TempPath("does-not-exist.dxf").c_str(), 0), 0);
    EXPECT_EQ(LoadMesh(m, WriteTemp("empty.dxf", "").c_str(), 0), 0);
    EXPECT_EQ(LoadMesh(m, WriteTemp("nothing.dxf", Dxf("0\nCIRCLE\n10\n1\n")).c_str(), 0), 0);
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
    EXPECT_EQ(LoadMesh(m, WriteTemp("binary.dxf", binary).c_str(), 0), 0);
    EXPECT_EQ(m.count, 0);
    // Entity names with no coordinates count toward the bound but allocate nothing and load nothing.
    std::string names;
    for (int i = 0; i < 20000; ++i) names += "3DFACE\n";
    EXPECT_EQ(LoadMesh(m, WriteTemp("names.dxf", names).c_str(), 0), 0);
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
            if (rng() % 3 == 0) body += Line3(c[0], c[1], c[2], c[3], c[4], c[5]);
            else body += Face(c);
        }
        std::string path = WriteTemp("random.dxf", Dxf(body));
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
