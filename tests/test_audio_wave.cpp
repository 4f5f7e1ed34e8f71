// The WAV reader: accepted layouts, conversion to 8-bit mono, and hostile files refused cleanly.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audio/wave.h"
#include "test_audio_util.h"

using namespace audiotest;

namespace {
int Parse(const std::vector<uint8_t>& bytes, WaveSamples* out) { return ParseWave(bytes.data(), bytes.size(), out); }
void SetLe32(std::vector<uint8_t>& v, size_t at, uint32_t x) { memcpy(&v[at], &x, 4); }
}  // namespace

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
    std::vector<uint8_t> expect(n), s16stereo, s16mono, s24, antiphase, s24stereo, s32six;
    for (size_t i = 0; i < n; ++i) {
        int v = int(lround(20000 * sin(2 * M_PI * 4 * double(i) / double(n))));
        expect[i] = uint8_t((v >> 8) + 128);
        PutLe(s16stereo, uint32_t(v), 2);
        PutLe(s16stereo, uint32_t(v), 2);
        PutLe(s16mono, uint32_t(v), 2);
        PutLe(s24, uint32_t(v) << 8 | 0x55, 3);
        PutLe(antiphase, uint32_t(v), 2);
        PutLe(antiphase, uint32_t(-v), 2);
        for (int c = 0; c < 2; ++c)  // 20 valid bits at the top of each 24-bit container
            PutLe(s24stereo, uint32_t(v) << 8 | 0x70, 3);
        for (int c = 0; c < 6; ++c) PutLe(s32six, uint32_t(v) << 16 | 0xc3a5, 4);
    }
    ASSERT_EQ(Parse(MakeWav(s16stereo, {11025, 2, 16}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    ASSERT_EQ(Parse(MakeWav(s16mono, {11025, 1, 16}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    ASSERT_EQ(Parse(MakeWav(s24, {11025, 1, 24}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    ASSERT_EQ(Parse(MakeWav(antiphase, {11025, 2, 16}), &w), 1);
    for (uint8_t s : w.samples) ASSERT_NEAR(int(s), 128, 1);
    // WAVE_FORMAT_EXTENSIBLE with the PCM sub-format, as sound editors write 24-bit, 32-bit and
    // multichannel files, converts exactly like plain PCM of the same container size.
    ASSERT_EQ(Parse(MakeWav(s24stereo, {11025, 2, 24}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    ASSERT_EQ(Parse(MakeWav(s24stereo, {44100, 2, 24, 0xfffe, 40, 20}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    EXPECT_EQ(w.fileRate, 44100);
    ASSERT_EQ(Parse(MakeWav(s32six, {48000, 6, 32, 0xfffe, 40}), &w), 1);
    EXPECT_EQ(w.samples, expect);
    EXPECT_EQ(w.channels, 6);
    EXPECT_EQ(w.bits, 32);
}

TEST(AudioWave, OtherChunksAreSkippedWithTheirPadding) {
    std::vector<uint8_t> data = Sine8(101, 1, 60);  // odd: the data chunk is padded
    std::vector<uint8_t> plain = MakeWav(data);
    std::vector<uint8_t> v(plain.begin(), plain.begin() + 12);
    PutId(v, "LIST");  // odd-sized, before "fmt "
    PutLe(v, 3, 4);
    v.insert(v.end(), {'a', 'b', 'c', 0});
    v.insert(v.end(), plain.begin() + 12, plain.begin() + 36);
    PutId(v, "fact");  // between "fmt " and "data"
    PutLe(v, 4, 4);
    PutLe(v, 101, 4);
    v.insert(v.end(), plain.begin() + 36, plain.end());
    SetLe32(v, 4, 0xfffffff0u);  // a RIFF size beyond the file, as some writers leave it
    WaveSamples w;
    ASSERT_EQ(Parse(v, &w), 1);
    EXPECT_EQ(w.samples, data);
    // A RIFF size that ends before the format and data chunks: the chunks are walked to the file's end.
    SetLe32(v, 4, 20);
    ASSERT_EQ(Parse(v, &w), 1);
    EXPECT_EQ(w.samples, data);
}

TEST(AudioWave, StreamedDataRunsToTheEndOfTheFile) {
    // A recorder writing to a pipe leaves the data size it could not know: 0x80000000 or 0xFFFFFFFF, or
    // a size larger than what it wrote before it stopped. The data chunk is then read to the file's end,
    // in whole frames.
    const std::vector<uint8_t> sine = Sine8(200, 3, 80);
    for (uint32_t size : {0x80000000u, 0xffffffffu, 201u}) {
        std::vector<uint8_t> v = MakeWav(sine);
        SetLe32(v, 4, 0xffffffffu);
        SetLe32(v, 40, size);
        WaveSamples w;
        ASSERT_EQ(Parse(v, &w), 1) << size;
        EXPECT_EQ(w.samples, sine) << size;
    }
    std::vector<uint8_t> stereo = MakeWav(std::vector<uint8_t>(401, 200), {11025, 2, 16});  // 100 frames and a byte
    SetLe32(stereo, 40, 0x80000000u);
    WaveSamples w;
    ASSERT_EQ(Parse(stereo, &w), 1);
    EXPECT_EQ(w.samples.size(), 100u);
    EXPECT_EQ(w.channels, 2);
}

TEST(AudioWave, HostileFilesAreRefusedWithTheirReason) {
    const std::vector<uint8_t> sine = Sine8(200, 2, 90);
    std::vector<uint8_t> good = MakeWav(sine);
    WaveSamples w;
    // Truncated at every byte: refused up to the data chunk's first frame, then read to the cut as a
    // streamed file is.
    for (size_t n = 0; n < good.size(); ++n) {
        if (n <= 44) {
            EXPECT_EQ(ParseWave(good.data(), n, &w), 0) << "length " << n;
            continue;
        }
        ASSERT_EQ(ParseWave(good.data(), n, &w), 1) << "length " << n;
        EXPECT_EQ(w.samples, std::vector<uint8_t>(sine.begin(), sine.begin() + long(n - 44))) << "length " << n;
    }
    auto why = [&](const std::vector<uint8_t>& bytes) -> std::string {
        char reason[96] = "";
        if (ParseWave(bytes.data(), bytes.size(), &w, reason, sizeof reason)) return "accepted";
        EXPECT_TRUE(w.samples.empty());
        return reason;
    };
    auto patched = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> bad = good;
        SetLe32(bad, at, value);
        return why(bad);
    };
    const std::string past = "chunk runs past the end of the file";
    EXPECT_EQ(patched(16, 0x7fffffffu), past);  // format chunk past the end
    // Every chunk but the data chunk after the format must lie inside the file: one before the data, and a
    // data chunk before the format, run past the end.
    std::vector<uint8_t> listFirst(good.begin(), good.begin() + 36);
    PutId(listFirst, "LIST");
    PutLe(listFirst, 0x80000000u, 4);
    listFirst.insert(listFirst.end(), good.begin() + 36, good.end());
    EXPECT_EQ(why(listFirst), past);
    std::vector<uint8_t> streamedFirst(good.begin(), good.begin() + 12);
    streamedFirst.insert(streamedFirst.end(), good.begin() + 36, good.end());
    SetLe32(streamedFirst, 16, 0xffffffffu);
    streamedFirst.insert(streamedFirst.end(), good.begin() + 12, good.begin() + 36);
    EXPECT_EQ(why(streamedFirst), past);
    EXPECT_EQ(patched(16, 14), "format chunk is too short");
    EXPECT_EQ(patched(0, 0x46464952u + 1), "not a RIFF/WAVE file");
    EXPECT_EQ(patched(8, 0x45564157u + 1), "not a RIFF/WAVE file");
    EXPECT_EQ(why(std::vector<uint8_t>(good.begin(), good.begin() + 12)), "no format chunk");
    EXPECT_EQ(why(std::vector<uint8_t>(good.begin(), good.begin() + 36)), "no data chunk");
    std::vector<uint8_t> silence(64, 128);
    for (auto [layout, reason] :
         {std::pair{WavFormat{11025, 1, 32, 3}, "format tag 3 is not PCM"},
          {WavFormat{11025, 1, 8, 0xfffe}, "extensible format chunk is too short"},
          {WavFormat{11025, 1, 32, 0xfffe, 40, 0, 3}, "extensible sub-format is not PCM"},  // float
          {WavFormat{11025, 0, 8}, "0 channels is not 1 to 8"},
          {WavFormat{11025, 9, 8}, "9 channels is not 1 to 8"},
          {WavFormat{11025, 1, 0}, "0 bits a sample is not 1 to 32"},
          {WavFormat{11025, 1, 40}, "40 bits a sample is not 1 to 32"},
          {WavFormat{0, 1, 8}, "sample rate 0 is not 1 to 1000000"}})
        EXPECT_EQ(why(MakeWav(silence, layout)), reason);
    std::vector<uint8_t> shortExtension = MakeWav(silence, {11025, 1, 16, 0xfffe, 40});
    shortExtension[36] = 21;  // the extension's size word: one byte short of the sub-format
    EXPECT_EQ(why(shortExtension), "extensible format chunk is too short");
    EXPECT_EQ(why(MakeWav({1}, {11025, 2, 16})), "data chunk holds no whole frame");
    std::vector<uint8_t> dataFirst(good.begin(), good.begin() + 12);
    dataFirst.insert(dataFirst.end(), good.begin() + 36, good.end());
    dataFirst.insert(dataFirst.end(), good.begin() + 12, good.begin() + 36);
    EXPECT_EQ(why(dataFirst), "data chunk comes before the format chunk");
    char reason[8];  // a reason longer than the buffer is cut short, never overrun
    EXPECT_EQ(ParseWave(nullptr, 0, &w, reason, sizeof reason), 0);
    EXPECT_STREQ(reason, "not a R");
}

TEST(AudioWave, FilesThatCannotBeReadAreRefused) {
    WaveSamples w;
    char reason[96] = "";
    EXPECT_EQ(ReadWaveFile(ScratchPath("no_such.wav").c_str(), &w), -1);
    EXPECT_EQ(ReadWaveFile(ProgramScratch().path().c_str(), &w), -1);  // a folder
    std::string pipe = ScratchPath("pipe.wav");  // a named pipe is not opened (it would wait for a writer)
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ReadWaveFile(pipe.c_str(), &w), -1);
    unlink(pipe.c_str());
    std::string big = ScratchPath("big.wav");  // larger than any effect: refused unread
    ASSERT_TRUE(WriteFile(big, MakeWav(std::vector<uint8_t>(16, 128))));
    ASSERT_EQ(truncate(big.c_str(), off_t(WAVE_MAX_FILE_BYTES + 1)), 0);
    EXPECT_EQ(ReadWaveFile(big.c_str(), &w, reason, sizeof reason), 0);
    EXPECT_STREQ(reason, "larger than 32 MiB");
    unlink(big.c_str());
}
