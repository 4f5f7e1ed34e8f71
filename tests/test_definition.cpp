// The definition reader: line ends, comments, splitting, field lookups, limits and the table stack.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "defs/definition.h"
#include "test_util.h"

namespace {

std::string Lookup(const char* key, int field) {
    strcpy(DefinitionValue, "<untouched>");
    if (!GetDefinitionValue(key, field)) return "<missing>";
    return DefinitionValue;
}

class Definition : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgram(); }
    ScratchDir dir;
};

TEST_F(Definition, LineEndsCommentsAndSplitting) {
    WriteFile("crlf.def", "A=1\r\nB=2\r\n");
    WriteFile("cr.def", "A=1\rB=2\r");
    ASSERT_EQ(LoadDefinitionFile("crlf.def"), 1);
    EXPECT_EQ(Lookup("A", 0), "1");
    EXPECT_EQ(Lookup("B", 0), "2");
    DefinitionFile crlf = DefinitionLevel(0);
    ASSERT_EQ(LoadDefinitionFile("cr.def"), 1);
    EXPECT_EQ(memcmp(&crlf, &DefinitionLevel(0), sizeof crlf), 0) << "CR LF and CR-only give the same table";

    WriteFile("lf.def", "A=1\nB=2\n");
    ASSERT_EQ(LoadDefinitionFile("lf.def"), 1);
    EXPECT_EQ(Lookup("A", 0), "<missing>") << "LF-only files have no line ends";

    WriteFile("mixed.def",
              "SCREENX = 800\r//C=3\rx/D=4\r#MUSIC=tune.mid\rX=Y=Z\rEMPTY=\rDUP=first\rDUP=second\rLAST=9");
    ASSERT_EQ(LoadDefinitionFile("mixed.def"), 1);
    EXPECT_EQ(Lookup("SCREENX", 0), "<missing>") << "the key keeps its trailing space";
    EXPECT_EQ(Lookup("SCREENX ", 0), " 800");
    EXPECT_EQ(Lookup("//C", 0), "<missing>");
    EXPECT_EQ(Lookup("x/D", 0), "<missing>") << "a slash as second byte makes a comment";
    EXPECT_EQ(Lookup("#MUSIC", 0), "tune.mid");
    EXPECT_EQ(Lookup("X=Y", 0), "Z") << "split at the last '='";
    EXPECT_EQ(Lookup("EMPTY", 0), "") << "an empty value is found as empty text";
    EXPECT_EQ(Lookup("DUP", 0), "first");
    EXPECT_EQ(Lookup("LAST", 0), "<missing>") << "a last line without CR is not read";
    // Slot numbers count physical lines, comments included.
    EXPECT_STREQ(DefinitionLevel(0).entries[3].key, "#MUSIC");
    EXPECT_STREQ(DefinitionLevel(0).entries[1].key, "");
}

TEST_F(Definition, FieldLookups) {
    WriteFile("f.def", "V=10;20;30\rT=10;20;\rG=a;;b\rS=abc\r");
    ASSERT_EQ(LoadDefinitionFile("f.def"), 1);
    EXPECT_EQ(Lookup("V", 0), "10");
    EXPECT_EQ(Lookup("V", 1), "20");
    EXPECT_EQ(Lookup("V", 2), "30");
    EXPECT_EQ(Lookup("V", 3), "<missing>");
    EXPECT_EQ(Lookup("T", 2), "<missing>");
    EXPECT_EQ(Lookup("G", 1), ";b") << "an empty middle field keeps its separator";
    EXPECT_EQ(Lookup("G", 2), "b");
    strcpy(DefinitionValue, "kept");
    EXPECT_EQ(GetDefinitionValue("S", 1), 0);
    EXPECT_STREQ(DefinitionValue, "kept") << "a failed lookup leaves the output alone";
    EXPECT_EQ(GetDefinitionValue("NOPE", 0), 0);
    EXPECT_STREQ(DefinitionValue, "kept");
    char small[4];
    ASSERT_EQ(GetDefinitionValue("V", 0, small, sizeof small), 1);
    EXPECT_STREQ(small, "10");
    char tiny[2];
    ASSERT_EQ(GetDefinitionValue("S", 0, tiny, sizeof tiny), 1);
    EXPECT_STREQ(tiny, "a") << "the copy is bounded by the output's size";
}

TEST_F(Definition, WholeNumbersAreReadLikeAtoiButClampedToThirtyTwoBits) {
    EXPECT_EQ(DefinitionInteger("K", "  -12abc"), -12);
    EXPECT_EQ(DefinitionInteger("K", "+7;8"), 7);
    EXPECT_EQ(DefinitionInteger("K", "x12"), 0);
    EXPECT_EQ(DefinitionInteger("K", ""), 0);
    EXPECT_EQ(DefinitionInteger("K", "2147483647"), INT32_MAX);
    EXPECT_EQ(DefinitionInteger("K", "-2147483648"), INT32_MIN);
    EXPECT_NE(ConsoleText(53).find("K:"), 0u) << "values in range say nothing";
    EXPECT_EQ(DefinitionInteger("DEFHEALTH", "99999999999"), INT32_MAX);
    EXPECT_EQ(ConsoleText(53), "DEFHEALTH: 99999999999 is beyond the 32-bit range, 2147483647 is used");
    EXPECT_EQ(DefinitionInteger("XROT", "-2147483649"), INT32_MIN);
    EXPECT_EQ(ConsoleText(53), "XROT: -2147483649 is beyond the 32-bit range, -2147483648 is used");
    EXPECT_EQ(DefinitionInteger("K", std::string(300, '9').c_str()), INT32_MAX) << "no overflow on long digits";
}

TEST_F(Definition, LongLinesManyLinesAndNulBytes) {
    std::string line300 = std::string(255, 'x') + "K45=" + std::string(41, 'v');  // 300 bytes
    ASSERT_EQ(line300.size(), 300u);
    WriteFile("long.def", "A=1\r" + line300 + "\rB=2\r");
    ASSERT_EQ(LoadDefinitionFile("long.def"), 1);
    EXPECT_EQ(Lookup("A", 0), "1");
    EXPECT_STREQ(DefinitionLevel(0).entries[1].key, "") << "the first 255 bytes are dropped";
    EXPECT_EQ(Lookup("K45", 0), std::string(41, 'v')) << "the remaining 45 bytes form the next line";
    EXPECT_EQ(Lookup("B", 0), "2");

    std::string many;
    for (int i = 0; i < 300; ++i) many += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r";
    WriteFile("many.def", many);
    ASSERT_EQ(LoadDefinitionFile("many.def"), 1);
    EXPECT_EQ(Lookup("K254", 0), "254");
    EXPECT_EQ(Lookup("K255", 0), "<missing>");

    WriteFile("nul.def", std::string("A=1\0B=2\r", 8));
    ASSERT_EQ(LoadDefinitionFile("nul.def"), 1);
    EXPECT_EQ(Lookup("A", 0), "1") << "a NUL byte ends a line";
    EXPECT_EQ(Lookup("B", 0), "2");

    // 254 kept bytes fill key and value without overflow.
    std::string full = "K=" + std::string(252, 'z') + "\r";
    WriteFile("full.def", full);
    ASSERT_EQ(LoadDefinitionFile("full.def"), 1);
    EXPECT_EQ(Lookup("K", 0).size(), 252u);
}

TEST_F(Definition, MissingFileClearsAndStackRestores) {
    WriteFile("a.def", "WHO=a\r");
    WriteFile("b.def", "WHO=b\r");
    ASSERT_EQ(LoadDefinitionFile("a.def"), 1);
    EXPECT_EQ(LoadDefinitionFile("missing.def"), 0);
    EXPECT_EQ(Lookup("WHO", 0), "<missing>") << "the table was cleared before the open failed";
    EXPECT_EQ(ConsoleText(53), "missing.def") << "every file is announced";

    ASSERT_EQ(LoadDefinitionFile("a.def"), 1);
    PushDefinitionFile();
    ASSERT_EQ(LoadDefinitionFile("b.def"), 1);
    EXPECT_EQ(Lookup("WHO", 0), "b");
    PushDefinitionFile();
    LoadDefinitionFile("missing.def");
    PopDefinitionFile();
    EXPECT_EQ(Lookup("WHO", 0), "b");
    PopDefinitionFile();
    EXPECT_EQ(Lookup("WHO", 0), "a");

    // Sixteen levels: pushing past fifteen saved tables loses the oldest, popping past them repeats level 15.
    for (int i = 0; i < 20; ++i) {
        WriteFile("n.def", "WHO=" + std::to_string(i) + "\r");
        LoadDefinitionFile("n.def");
        PushDefinitionFile();
    }
    for (int i = 19; i >= 5; --i) {
        PopDefinitionFile();
        EXPECT_EQ(Lookup("WHO", 0), std::to_string(i)) << "fifteen saved tables";
    }
    PopDefinitionFile();
    EXPECT_EQ(Lookup("WHO", 0), "5") << "popping past them repeats the deepest";
}
}  // namespace
