// The WAV reader: accepted layouts, conversion to 8-bit mono, and hostile files refused cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include "audio/wave.h"
#include "test_audio_util.h"

using namespace audiotest;

namespace {
int Parse(const std::vector<uint8_t>& bytes, WaveSamples* out) {
    return ParseWave(bytes.data(), bytes.size(), out);
}
void SetLe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    memcpy(&v[at], &x, 4);
}
} // namespace

TEST(AudioWave, EveryPcmLayoutBecomesTheSameEightBitMonoWaveform) {
    // 8-bit mono is taken as it is, with a 16- or 18-byte format chunk.
    std::vector<uint8_t> data = Sine8(1000, 5, 100);
    WaveSamples w;
    ASSERT_EQ(Parse(MakeWav(data, {22050, 1, 8, 1, 18}), &w), 1);
    EXPECT_EQ(w.samples, data);
    EXPECT_EQ(w.fileRate, 22050);
    // 16-bit stereo, 16-bit mono and 24-bit mono of one waveform give the same 8-bit samples (not noise);
    // opposite channels cancel.
    const size_t n = 800;
    std::vector<uint8_t> expect(n), s16stereo, s16mono, s24, antiphase;
    for (size_t i = 0; i < n; ++i) {
        int v = int(lround(20000 * sin(2 * M_PI * 4 * double(i) / double(n))));
        expect[i] = uint8_t((v >> 8) + 128);
        PutLe(s16stereo, uint32_t(v), 2);
        PutLe(s16stereo, uint32_t(v), 2);
        PutLe(s16mono, uint32_t(v), 2);
        PutLe(s24, uint32_t(v) << 8 | 0x55, 3);
        PutLe(antiphase, uint32_t(v), 2);
        PutLe(antiphase, uint32_t(-v), 2);
    }
    ASSERT_EQ(Parse(MakeWav(s16stereo, {11025, 2, 16}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    ASSERT_EQ(Parse(MakeWav(s16mono, {11025, 1, 16}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    ASSERT_EQ(Parse(MakeWav(s24, {11025, 1, 24}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    ASSERT_EQ(Parse(MakeWav(antiphase, {11025, 2, 16}), &w), 1);
    for (uint8_t s : w.samples)
        ASSERT_NEAR(int(s), 128, 1);
}

TEST(AudioWave, OtherChunksAreSkippedWithTheirPadding) {
    std::vector<uint8_t> data = Sine8(101, 1, 60); // odd: the data chunk is padded
    std::vector<uint8_t> plain = MakeWav(data);
    std::vector<uint8_t> v(plain.begin(), plain.begin() + 12);
    PutId(v, "LIST"); // odd-sized, before "fmt "
    PutLe(v, 3, 4);
    v.insert(v.end(), {'a', 'b', 'c', 0});
    v.insert(v.end(), plain.begin() + 12, plain.begin() + 36);
    PutId(v, "fact"); // between "fmt " and "data"
    PutLe(v, 4, 4);
    PutLe(v, 101, 4);
    v.insert(v.end(), plain.begin() + 36, plain.end());
    SetLe32(v, 4, 0xfffffff0u); // a RIFF size beyond the file, as some writers leave it
    WaveSamples w;
    ASSERT_EQ(Parse(v, &w), 1);
    EXPECT_EQ(w.samples, data);
}

TEST(AudioWave, HostileFilesAreRefused) {
    std::vector<uint8_t> good = MakeWav(Sine8(200, 2, 90));
    WaveSamples w;
    for (size_t n = 0; n < good.size(); ++n) // truncated at every byte
        EXPECT_EQ(ParseWave(good.data(), n, &w), 0) << "length " << n;
    auto refused = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> bad = good;
        SetLe32(bad, at, value);
        return Parse(bad, &w) == 0;
    };
    EXPECT_TRUE(refused(40, 0xffffffffu));    // 4 GB of data
    EXPECT_TRUE(refused(40, 201));            // one byte more than the file
    EXPECT_TRUE(refused(16, 0x7fffffffu));    // format chunk past the end
    EXPECT_TRUE(refused(16, 14));             // format chunk too short for a format record
    EXPECT_TRUE(refused(0, 0x46464952u + 1)); // not RIFF
    EXPECT_TRUE(refused(8, 0x45564157u + 1)); // not WAVE
    for (WavSpec s : {WavSpec{11025, 1, 32, 3}, WavSpec{11025, 1, 8, 0xfffe}, WavSpec{11025, 0, 8},
                      WavSpec{11025, 1, 0}, WavSpec{0, 1, 8}})
        EXPECT_EQ(Parse(MakeWav(std::vector<uint8_t>(64, 128), s), &w), 0) << s.tag << " " << s.channels;
    EXPECT_EQ(Parse(MakeWav({1}, {11025, 2, 16}), &w), 0); // not one whole frame
    std::vector<uint8_t> dataFirst(good.begin(), good.begin() + 12);
    dataFirst.insert(dataFirst.end(), good.begin() + 36, good.end());
    dataFirst.insert(dataFirst.end(), good.begin() + 12, good.begin() + 36);
    EXPECT_EQ(Parse(dataFirst, &w), 0);
    EXPECT_EQ(ParseWave(nullptr, 0, &w), 0);
    EXPECT_TRUE(w.samples.empty());
}

TEST(AudioWave, FilesThatCannotBeReadAreRefused) {
    WaveSamples w;
    EXPECT_EQ(ReadWaveFile(Scratch("no_such.wav").c_str(), &w), 0);
    EXPECT_EQ(ReadWaveFile(ScratchDir().c_str(), &w), 0); // a folder
    std::string big = Scratch("big.wav"); // larger than any effect: refused before it is taken in whole
    ASSERT_TRUE(WriteBytes(big, MakeWav(std::vector<uint8_t>(16, 128))));
    ASSERT_EQ(truncate(big.c_str(), off_t(WAVE_MAX_FILE_BYTES + 1)), 0);
    EXPECT_EQ(ReadWaveFile(big.c_str(), &w), 0);
    unlink(big.c_str());
}
