// Sound effects: sound lists and buffer numbers, plays and their volumes, the mixer's output, no device.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/print.h"
#include "defs/level.h"
#include "defs/sounds.h"
#include "game/contact.h"
#include "game/weapons.h"
#include "game_fixture.h"
#include "platform/headless/headless_audio.h"
#include "runner/dump.h"
#include "runner/json.h"
#include "test_audio_util.h"

using namespace audiotest;

namespace {

class AudioSound : public ::testing::Test {
  protected:
    void SetUp() override {
        ConsoleInit();  // the lines the loaders print are looked at
        savedVolume = Settings.SOUNDVOL;
        Settings.SOUNDVOL = 100;
        HeadlessSetAudioAvailable(true);
        ASSERT_EQ(SoundInit(), 1);
        SoundClearPlays();
        rate = MixerDeviceRate();
    }
    void TearDown() override {
        SoundShutdown();
        HeadlessSetAudioAvailable(true);
        Settings.SOUNDVOL = savedVolume;
    }
    static std::string Wav(const std::string& name, const std::vector<uint8_t>& data) {
        std::string path = ScratchPath(name);
        EXPECT_TRUE(WriteFile(path, MakeWav(data)));
        return path;
    }
    static std::string List(const std::string& name, const std::vector<std::string>& lines) {
        std::string path = ScratchPath(name);
        EXPECT_TRUE(WriteDefinition(path, lines));
        return path;
    }
    std::vector<int16_t> Render(int frames) {
        std::vector<int16_t> out(size_t(frames) * 2);
        MixerRender(out.data(), frames);
        return out;
    }
    // Milliseconds of output, in 10 ms steps, until buffer n stops.
    int MsUntilStopped(int n) {
        int ms = 0;
        for (; (BufferStatus(n) & SB_PLAYING) && ms < 5000; ms += 10) Render(rate / 100);
        return ms;
    }
    int32_t savedVolume = 0;
    int rate = 48000;
};

}  // namespace

TEST_F(AudioSound, ListRowsFillBuffersThreeTimesRowPlusSlot) {
    std::string a = Wav("a.wav", Sine8(500, 5, 80)), b = Wav("b.wav", Sine8(700, 5, 80)),
                c = Wav("c.wav", Sine8(900, 5, 80));
    std::string two = List("two.snd", {"SOUNDS=2", "SOUND0=" + a, "SOUND1=" + b});
    Print("--two--");
    LoadSoundList(two.c_str());
    EXPECT_EQ(Sound.SoundTable[0][0], 0);
    EXPECT_EQ(Sound.SoundTable[1][0], 3);
    EXPECT_EQ(Sound.SoundBuffers[3].size, 700);
    EXPECT_EQ(Sound.SoundBuffers[3].fileRate, 11025);
    EXPECT_EQ(BufferStatus(1), -1);
    EXPECT_EQ(LinesAfter("--two--"), (std::vector<std::string>{two, a, b}));
    // Slots no list has named hold no buffer (not buffer 0, the first row's sound).
    EXPECT_EQ(Sound.SoundTable[0][1], -1);
    EXPECT_EQ(Sound.SoundTable[2][0], -1);
    EXPECT_EQ(Sound.SoundTable[84][2], -1);
    // Three files in a row fill 3r .. 3r + 2 and print only the first name; unnamed rows, slots and
    // failed loads leave what the entries say. Each failed load says why in one line.
    Sound.SoundTable[1][1] = 55;
    std::string missing = ScratchPath("missing.wav"), floats = ScratchPath("float.wav");
    ASSERT_TRUE(WriteFile(floats, MakeWav(std::vector<uint8_t>(64, 0), {11025, 1, 32, 3})));
    std::string three =
        List("three.snd", {"SOUNDS=3", "SOUND0=" + missing + ";" + floats, "SOUND2=" + a + ";" + b + ";" + c});
    Print("--three--");
    LoadSoundList(three.c_str());
    EXPECT_EQ((std::vector<int>{Sound.SoundTable[2][0], Sound.SoundTable[2][1], Sound.SoundTable[2][2]}),
              (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(Sound.SoundBuffers[8].size, 900);
    EXPECT_EQ(LinesAfter("--three--"),
              (std::vector<std::string>{three, missing, "Cannot open sound file " + missing,
                                        "Sound file " + floats + " refused: format tag 3 is not PCM", a}));
    EXPECT_EQ(Sound.SoundTable[0][1], -1);
    EXPECT_EQ(Sound.SoundTable[0][0], -1);
    EXPECT_EQ(Sound.SoundTable[1][0], 3);
    EXPECT_EQ(Sound.SoundTable[1][1], 55);
    EXPECT_EQ(PlayBuffer(Sound.SoundTable[0][0], 0, 100, 22000, 0), 1);  // nothing to play: still success
    EXPECT_EQ(SoundPlayCount(), 0);
    // Rows past 84 have no buffer.
    LoadSoundList(List("far.snd", {"SOUNDS=500", "SOUND84=" + a + ";" + a + ";" + a, "SOUND85=" + a}).c_str());
    EXPECT_EQ(Sound.SoundTable[84][2], 254);
    EXPECT_EQ(BufferStatus(255), -1);
    EXPECT_EQ(LoadWave(256, a.c_str()), -1);
    EXPECT_EQ(LoadWave(-1, a.c_str()), -1);
}

TEST_F(AudioSound, VolumeIsHundredthsOfDecibelsAndZeroPlaysNothing) {
    ASSERT_EQ(LoadWave(4, Wav("tone.wav", Sine8(11025, 200, 100)).c_str()), 4);
    for (auto [v, db] : {std::pair{100, 0}, {50, -1500}, {10, -2700}, {1, -2970}}) {
        ASSERT_EQ(PlayBuffer(4, 0, v, 22000, 0), 1);
        EXPECT_EQ(MixerVolume(4), db) << v;
    }
    // A request at volume 0 neither stops, rewinds, re-volumes, re-pitches, pans nor starts the voice:
    // the play at full volume carries on to its end, half a second after it began, on both sides.
    PlayBuffer(4, 0, 100, 22000, 0);
    double full = Rms(Render(rate / 5), 0);
    EXPECT_GT(full, 10000);
    EXPECT_EQ(PlayBuffer(4, SB_PLAY_LOOPING, 0, 11025, 3000), 1);
    EXPECT_EQ(MixerVolume(4), 0);
    std::vector<int16_t> after = Render(rate / 5);
    EXPECT_NEAR(Rms(after, 0) / full, 1.0, 0.01);
    EXPECT_NEAR(Rms(after, 1) / full, 1.0, 0.01);
    EXPECT_NEAR(MsUntilStopped(4), 100, 15);
    PlayBuffer(4, 0, 0, 22000, 0);
    EXPECT_EQ(BufferStatus(4), 0);
    EXPECT_EQ(Peak(Render(rate / 10)), 0);
    ASSERT_EQ(SoundPlayCount(), 7);
    EXPECT_EQ(SoundPlayAt(5)->volume, 0);  // still listed as requests
    PlayBuffer(4, 0, 50, 22000, 0);
    EXPECT_NEAR(Rms(Render(rate / 5), 0) / full, std::pow(10.0, -0.75), 0.002);  // -15 dB
}

TEST_F(AudioSound, FrequencyIsSamplesConsumedPerSecond) {
    std::string a = Wav("second.wav", Sine8(11025, 100, 60));  // one second at the file's rate
    ASSERT_EQ(LoadWave(0, a.c_str()), 0);
    ASSERT_EQ(PlayBuffer(0, 0, 100, 0, 0), 1);  // a fresh buffer runs at the shared 11025
    EXPECT_NEAR(MsUntilStopped(0), 1000, 20);
    ASSERT_EQ(PlayBuffer(0, 0, 100, 22000, 0), 1);
    EXPECT_NEAR(MsUntilStopped(0), 505, 15);
    ASSERT_EQ(PlayBuffer(0, 0, 100, 0, 0), 1);  // 0 keeps the last frequency
    EXPECT_NEAR(MsUntilStopped(0), 505, 15);
}

TEST_F(AudioSound, VoicesAddClipAndPan) {
    for (auto [n, level] : {std::pair{0, 160}, {1, 176}, {2, 255}, {3, 0}, {4, 0}})
        ASSERT_EQ(
            LoadWave(n, Wav("dc" + std::to_string(n) + ".wav", std::vector<uint8_t>(20000, uint8_t(level))).c_str()),
            n);
    auto mixOf = [&](std::initializer_list<int> voices, int pan = 0) {
        StopAllBuffers();
        for (int v : voices) PlayBuffer(v, 0, 100, 22000, pan);
        return Render(256);
    };
    std::vector<int16_t> sum = mixOf({0, 1});
    EXPECT_NEAR(sum[100], 32767.0 * 80 / 128, 2);  // +32 and +48 of 128
    EXPECT_EQ(sum[100], sum[101]);
    std::vector<int16_t> right = mixOf({0}, 10000);  // fully right: the left side is silent
    EXPECT_EQ(right[20], 0);
    EXPECT_NEAR(right[21], 32767.0 * 32 / 128, 2);
    std::vector<int16_t> left = mixOf({0}, -600);
    EXPECT_NEAR(double(left[21]) / left[20], std::pow(10.0, -0.3), 0.01);
    // Beyond full scale: held at the limiter's ceiling, not wrapped.
    EXPECT_EQ(mixOf({2, 1})[50], MIXER_CEILING);
    EXPECT_EQ(mixOf({3, 4})[50], -MIXER_CEILING);
    StopAllBuffers();
    EXPECT_EQ(Peak(Render(64)), 0);
}

TEST_F(AudioSound, LoopingRestartReloadAndRelease) {
    ASSERT_EQ(LoadWave(9, Wav("loop.wav", Sine8(441, 10, 90)).c_str()), 9);
    ASSERT_EQ(PlayBuffer(9, SB_PLAY_LOOPING, 100, 22000, 0), 1);
    Render(rate);  // many times the sample length
    EXPECT_EQ(BufferStatus(9), SB_PLAYING | SB_LOOPING);
    StopBuffer(9);
    EXPECT_EQ(BufferStatus(9), 0);
    // A request for a sound already playing restarts it from its start.
    PlayBuffer(9, 0, 100, 22000, 0);
    Render(rate / 100);
    PlayBuffer(9, 0, 100, 22000, 0);
    EXPECT_EQ(MsUntilStopped(9), 30);  // 441 samples at 22000 in whole 10 ms steps
    // Reloading a playing record stops it; releasing empties it.
    PlayBuffer(9, SB_PLAY_LOOPING, 100, 22000, 0);
    ASSERT_EQ(LoadWave(9, Wav("loop2.wav", Sine8(882, 10, 90)).c_str()), 9);
    EXPECT_EQ(BufferStatus(9), 0);
    PlayBuffer(9, SB_PLAY_LOOPING, 100, 22000, 0);
    ReleaseAllBuffers();
    EXPECT_EQ(BufferStatus(9), -1);
    EXPECT_EQ(Peak(Render(256)), 0);
}

TEST_F(AudioSound, WithSoundRateFileAnEffectSoundsAsRecorded) {
    auto load = [&](int n, const char* name, int fileRate, double seconds, double hz) {
        const size_t frames = size_t(fileRate * seconds);
        WavFormat format;
        format.rate = fileRate;
        EXPECT_TRUE(WriteFile(ScratchPath(name), MakeWav(Sine8(frames, hz * seconds, 90), format)));
        EXPECT_EQ(LoadWave(n, ScratchPath(name).c_str()), n);
        const SoundBufferRecord& r = Sound.SoundBuffers[n];
        return std::vector<uint8_t>(r.samples.get(), r.samples.get() + r.size);
    };
    auto crossings = [](const std::vector<uint8_t>& v) {
        int c = 0;
        for (size_t i = 1; i < v.size(); ++i) c += (v[i - 1] < 128) != (v[i] < 128);
        return c;
    };
    // The classic rule: samples as they are, so a 44.1 kHz tone plays an octave down at 22 000 a second.
    EXPECT_EQ(load(0, "cd.wav", 44100, 0.5, 1000).size(), 22050u);
    Settings.SOUNDRATE = 1;
    // Converted to 22 000 a second: half a second stays half a second, a 1 kHz tone stays 1 kHz
    // (a thousand zero crossings in half a second), from above and from below the playback rate.
    for (int fileRate : {44100, 11025, 48000}) {
        std::vector<uint8_t> v = load(1, "tone.wav", fileRate, 0.5, 1000);
        EXPECT_EQ(v.size(), size_t(std::llround(double(size_t(fileRate * 0.5)) * 22000 / fileRate))) << fileRate;
        EXPECT_NEAR(crossings(v), 1000, 4) << fileRate;
    }
    // A tone above the new band (15 kHz at 44.1 kHz) is filtered out, not folded back as dropping every
    // other sample would fold it (to a loud 7.1 kHz).
    std::vector<uint8_t> high = load(2, "hiss.wav", 44100, 0.5, 15000);
    double energy = 0;
    for (size_t i = 100; i + 100 < high.size(); ++i) energy += (high[i] - 128.0) * (high[i] - 128.0);
    EXPECT_LT(std::sqrt(energy / double(high.size() - 200)), 3.0) << "of an amplitude of 90";
    // At the playback rate already: nothing to do.
    EXPECT_EQ(load(3, "same.wav", 22000, 0.25, 500), Sine8(5500, 125, 90));
    Settings.SOUNDRATE = 0;
}

TEST_F(AudioSound, PlaySoundAndTheDumpShowWhatWasPlayed) {
    std::string a = Wav("menu.wav", Sine8(300, 3, 90));
    LoadSoundList(List("menu.snd", {"SOUNDS=18", "SOUND17=" + a + ";" + a}).c_str());
    Settings.SOUNDVOL = 50;
    EXPECT_EQ(PlaySound(SoundBufferFor(17, 1)), 1);
    EXPECT_EQ(MixerVolume(52), -1500);
    Settings.SOUNDVOL = 0;
    EXPECT_EQ(PlaySound(SoundBufferFor(17, 0)), 1);
    EXPECT_EQ(PlaySound(SoundBufferFor(99, 0)), 1);  // outside the table: nothing
    std::string j = StateDumpJson();
    // Each buffer shows its voice: 51 was only asked for at volume 0, 52 plays at -15 dB.
    EXPECT_NE(j.find("\"sound\":{\"ready\":1,\"volume\":0,\"buffers\":[{\"number\":51,\"file\":\"" + a +
                     "\",\"size\":300,\"rate\":11025,\"playing\":0,\"volume\":0},{\"number\":52,\"file\":\"" + a +
                     "\",\"size\":300,\"rate\":11025,\"playing\":1,\"volume\":-1500}],"),
              std::string::npos)
        << j;
    EXPECT_NE(j.find("\"table\":[{\"row\":17,\"buffers\":[51,52,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"played\":[{\"buffer\":52,\"volume\":50,\"frequency\":22000,\"pan\":0},"
                     "{\"buffer\":51,\"volume\":0,\"frequency\":22000,\"pan\":0}]},\"music\":{\"ready\":"),
              std::string::npos)
        << j;
    EXPECT_NE(StateDumpJson().find("\"played\":[]"), std::string::npos);  // drained by the dump
    for (int i = 0; i < SOUND_PLAY_LOG + 6; ++i) PlayBuffer(51, 0, 1 + i, 22000, 0);
    EXPECT_EQ(SoundPlayCount(), SOUND_PLAY_LOG);
    EXPECT_EQ(SoundPlayAt(SOUND_PLAY_LOG - 1)->volume, SOUND_PLAY_LOG + 6);  // the latest are kept
    EXPECT_EQ(JsonWriter().String("a\"b\\c\x01").out, "\"a\\\"b\\\\c\\u0001\"");
}

TEST_F(AudioSound, WithoutADeviceEverythingIsASilentNoOp) {
    SoundShutdown();
    HeadlessSetAudioAvailable(false);
    EXPECT_EQ(SoundInit(), 0);
    std::string a = Wav("quiet.wav", Sine8(300, 3, 50));
    std::string list = List("quiet.snd", {"SOUNDS=2", "SOUND0=" + a, "SOUND1=" + a + ";" + a});
    Print("--nodevice--");
    LoadSoundList(list.c_str());
    EXPECT_EQ(LinesAfter("--nodevice--"), (std::vector<std::string>{list, a, a}));
    for (const SoundBufferRecord& r : Sound.SoundBuffers) EXPECT_EQ(r.loaded, 0);
    EXPECT_EQ(PlayBuffer(0, 0, 100, 22000, 0), 0);
    EXPECT_EQ(PlaySound(SoundBufferFor(0, 0)), 1);
    EXPECT_EQ(BufferStatus(0), 0);
    EXPECT_EQ(SoundPlayCount(), 0);
    EXPECT_NE(StateDumpJson().find("\"sound\":{\"ready\":0"), std::string::npos);
    HeadlessSetAudioAvailable(true);
    EXPECT_EQ(SoundInit(), 1);
}

TEST_F(AudioSound, ALoudBurstIsHeldUnderFullScaleAndTheGainComesBackToUnity) {
    // A quiet tone alone, from a freshly opened device: the limiter leaves it exactly as mixed.
    ASSERT_EQ(LoadWave(0, Wav("quiet.wav", Sine8(11025, 300, 20)).c_str()), 0);
    PlayBuffer(0, SB_PLAY_LOOPING, 100, 22050, 0);
    std::vector<int16_t> alone = Render(rate * 6 / 10);
    // Sixteen full-scale tones on top: eight times full scale, held just under it.
    for (int n = 1; n <= 16; ++n) {
        ASSERT_EQ(LoadWave(n, Wav("loud.wav", Sine8(11025, 150, 127)).c_str()), n);
        PlayBuffer(n, SB_PLAY_LOOPING, 100, 22050, 0);
    }
    std::vector<int16_t> burst = Render(rate / 5);
    EXPECT_EQ(Peak(burst), MIXER_CEILING);
    // The burst ends and the quiet tone starts again: at first still turned down, then back to unity gain,
    // sample for sample the tone alone.
    for (int n = 1; n <= 16; ++n) StopBuffer(n);
    PlayBuffer(0, SB_PLAY_LOOPING, 100, 22050, 0);
    std::vector<int16_t> after = Render(rate * 6 / 10);
    const size_t settled = size_t(rate * 4 / 10) * 2;
    EXPECT_LT(Peak(std::vector<int16_t>(after.begin(), after.begin() + rate / 100)), Peak(alone) * 3 / 4);
    EXPECT_TRUE(
        std::equal(after.begin() + std::ptrdiff_t(settled), after.end(), alone.begin() + std::ptrdiff_t(settled)));
}

// The same sounds heard in a playing world.
class AudioGame : public GameFixture {
  protected:
    // Buffer n's entry in the dump's sound.buffers, without its number.
    std::string BufferDump(int n) {
        std::string j = StateDumpJson(), head = "{\"number\":" + std::to_string(n) + ",";
        size_t at = j.find(head);
        return at == std::string::npos ? j : j.substr(at + head.size(), j.find('}', at) - at - head.size());
    }
};

TEST_F(AudioGame, AFarShooterLeavesTheNearShotOfTheSameSoundPlaying) {
    // A 200 ms knife sound; the player strikes, then a monster out of hearing range strikes too.
    ASSERT_TRUE(WriteFile("knife.wav", MakeWav(Sine8(4400, 100, 100), {22050})));
    const int knife = Buf(WPN_KNIFE + 2, 1);
    ASSERT_EQ(LoadWave(knife, "knife.wav"), knife);
    Settings.SOUNDVOL = 80;
    ObjectRecord& far = Monster(1, 0, 30, 0);
    far.weapon = WPN_KNIFE;
    const int rate = MixerDeviceRate();
    std::vector<int16_t> out(size_t(rate / 100) * 2);
    FireKnife(P(), 0);
    for (int ms = 0; ms < 50; ms += 10) MixerRender(out.data(), rate / 100);
    FireKnife(far, 1);
    ASSERT_EQ(SoundPlayCount(), 2);
    EXPECT_EQ(SoundPlayAt(1)->volume, 0);
    EXPECT_EQ(BufferDump(knife), "\"file\":\"knife.wav\",\"size\":4400,\"rate\":22050,\"playing\":1,\"volume\":-600");
    // The near shot sounds on at -6 dB to its own end, 200 ms after it began.
    MixerRender(out.data(), rate / 100);
    EXPECT_NEAR(Rms(out, 0), 32767 * 100 / 128 / std::sqrt(2.0) * std::pow(10.0, -0.3), 300);
    int ms = 60;
    for (; (BufferStatus(knife) & SB_PLAYING) && ms < 1000; ms += 10) MixerRender(out.data(), rate / 100);
    EXPECT_NEAR(ms, 200, 15);
    // A far strike alone plays nothing.
    FireKnife(far, 1);
    EXPECT_EQ(BufferDump(knife), "\"file\":\"knife.wav\",\"size\":4400,\"rate\":22050,\"playing\":0,\"volume\":-600");
    MixerRender(out.data(), rate / 100);
    EXPECT_EQ(Peak(out), 0);
}

TEST_F(AudioGame, ALevelListWithoutALevelStartSoundPlaysNothingAtTheStart) {
    ASSERT_EQ(SoundInit(), 1);  // a fresh start: no list has named a slot yet
    WriteDefinition("plain.snd", {"SOUNDS=19", "SOUND0=s.wav"});
    WriteDefinition("plain.lvl", {"MAP=none.dxf", "SOUNDS=plain.snd"});
    ASSERT_EQ(LoadLevel("plain.lvl"), 1);
    EXPECT_EQ(Sound.SoundTable[0][0], 0);
    EXPECT_EQ(Sound.SoundTable[18][0], -1);
    EXPECT_TRUE(Played().empty());
    EXPECT_EQ(BufferStatus(0), 0);
    // Naming SOUND18 plays it.
    WriteDefinition("start.snd", {"SOUNDS=19", "SOUND0=s.wav", "SOUND18=s.wav"});
    WriteDefinition("start.lvl", {"MAP=none.dxf", "SOUNDS=start.snd"});
    ASSERT_EQ(LoadLevel("start.lvl"), 1);
    EXPECT_EQ(Played(), (std::vector<int>{Buf(18, 0)}));
}
