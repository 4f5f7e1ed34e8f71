// Music: MIDI checks, the 64 slots, the once-a-second rotation on the virtual clock, and the
// synthesiser's output through the mixer.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "defs/definition.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_audio.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"
#include "test_audio_util.h"

using namespace audiotest;

namespace {

// Starts music with the given SOUNDFONT setting in a table of its own, as start-up does with config.ini.
int InitMusicWith(const std::string& soundfont) {
    std::string cfg = Scratch("music.ini");
    WriteDefinition(cfg, {"SOUNDFONT=" + soundfont});
    PushDefinitionFile();
    LoadDefinitionFile(cfg.c_str());
    int ok = MusicInit();
    PopDefinitionFile();
    return ok;
}

class AudioMusic : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        HeadlessSetAudioAvailable(true);
        ready = InitMusicWith(TestSoundfont()) == 1;
    }
    static void TearDownTestSuite() { MusicShutdown(); }
    void SetUp() override {
        if (!ready) GTEST_SKIP() << "no General MIDI soundfont on this machine";
        UnloadAllMusic();
        NextMusic = 0;
        SetMusicVolume(100);
        clock = PlatformTicksMs();
        MusicCheckTime = clock;
        rate = MixerDeviceRate();
    }
    static std::string Midi(const std::string& name, int notes, int ticksEach) {
        std::string path = Scratch(name);
        EXPECT_TRUE(WriteBytes(path, MakeMidi(notes, ticksEach)));
        return path;
    }
    // Advances the virtual clock in steps, running the service after each like the main loop does;
    // returns the slot that started at each new start.
    std::vector<int> Run(uint32_t ms, uint32_t step, std::vector<uint32_t>* startTimes = nullptr,
                         std::vector<uint32_t>* endTimes = nullptr) {
        std::vector<int> starts;
        bool was = PlatformMusicIsPlaying();
        for (uint32_t t = 0; t < ms; t += step) {
            clock += step;
            HeadlessSetClock(clock);
            MusicService();
            bool now = PlatformMusicIsPlaying();
            if (now && !was) {
                starts.push_back(CurrentMusic);
                if (startTimes) startTimes->push_back(t + step);
            }
            if (!now && was && endTimes) endTimes->push_back(t + step);
            was = now;
        }
        return starts;
    }
    static std::vector<int16_t> Render(int frames) {
        std::vector<int16_t> out(size_t(frames) * 2);
        MixerRender(out.data(), frames);
        return out;
    }
    static inline bool ready = false;
    uint32_t clock = 0;
    int rate = 48000;
};

} // namespace

TEST(AudioMidi, SanityCheckRefusesWhatIsNotAWholeMidiFile) {
    std::vector<uint8_t> good = MakeMidi(3, 48);
    EXPECT_EQ(MidiLooksSane(good.data(), good.size()), 1);
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_EQ(MidiLooksSane(good.data(), n), 0) << "length " << n;
    // No tracks, format 3, no division, a track length past the file, a header length past the file.
    for (auto [at, value] : {std::pair{11, 0}, {9, 3}, {13, 0}, {18, 0x7f}, {7, 200}}) {
        std::vector<uint8_t> bad = good;
        bad[size_t(at)] = uint8_t(value);
        if (at == 13) bad[12] = 0;
        EXPECT_EQ(MidiLooksSane(bad.data(), bad.size()), 0) << "byte " << at;
    }
    std::vector<uint8_t> wav = MakeWav(std::vector<uint8_t>(100, 128));
    EXPECT_EQ(MidiLooksSane(wav.data(), wav.size()), 0);
}

TEST_F(AudioMusic, LoadingFillsFreeSlotsAndRefusesBadFiles) {
    std::string song = Midi("song.mid", 4, 48);
    std::string empty = Scratch("empty.mid");
    ASSERT_TRUE(WriteBytes(empty, {}));
    for (const std::string& bad : {empty, Scratch("missing.mid"), ScratchDir(), std::string()})
        EXPECT_EQ(LoadMusic(bad.c_str()), -1) << bad;
    for (const MusicSlot& s : MusicSlots)
        EXPECT_EQ(s.state, MUSIC_FREE);
    // Loading does not start anything.
    EXPECT_EQ(LoadMusic(song.c_str()), 0);
    EXPECT_EQ(LoadMusic(song.c_str()), 1);
    EXPECT_EQ(MusicSlots[1].state, MUSIC_LOADED);
    EXPECT_FALSE(PlatformMusicIsPlaying());
    EXPECT_EQ(CurrentMusic, -1);
    for (int s = 2; s < MUSIC_SLOTS; ++s)
        ASSERT_EQ(LoadMusic(song.c_str()), s);
    EXPECT_EQ(LoadMusic(song.c_str()), -1);
    UnloadAllMusic();
    EXPECT_EQ(LoadMusic(song.c_str()), 0);
    EXPECT_NE(MusicDumpJson().find("\"slots\":[{\"slot\":0,\"file\":\"" + song + "\",\"state\":1}]"),
              std::string::npos);
}

TEST_F(AudioMusic, OneFileStartsWithinASecondAndAgainAfterItEnds) {
    std::string song = Midi("one.mid", 3, 48); // three half-beat notes: 0.75 s
    ASSERT_EQ(LoadMusic(song.c_str()), 0);
    std::vector<uint32_t> starts, ends;
    std::vector<int> slots = Run(5000, 50, &starts, &ends);
    ASSERT_GE(slots.size(), 2u);
    EXPECT_EQ(slots[0], 0);
    EXPECT_GT(starts[0], 1000u); // the service checks once a second
    EXPECT_LE(starts[0], 1100u);
    ASSERT_GE(ends.size(), 1u);
    EXPECT_GE(ends[0] - starts[0], 700u); // it ran its length
    EXPECT_LE(ends[0] - starts[0], 850u);
    EXPECT_LE(starts[1] - ends[0], 1100u); // and came round again
}

TEST_F(AudioMusic, TwoFilesAlternateStartingWithSlotOne) {
    std::string a = Midi("a.mid", 2, 48), b = Midi("b.mid", 2, 48);
    ASSERT_EQ(LoadMusic(a.c_str()), 0);
    ASSERT_EQ(LoadMusic(b.c_str()), 1);
    std::vector<int> slots = Run(7000, 50);
    ASSERT_GE(slots.size(), 4u);
    EXPECT_EQ(slots[0], 1);
    EXPECT_EQ(slots[1], 0);
    EXPECT_EQ(slots[2], 1);
    EXPECT_EQ(slots[3], 0);
}

TEST_F(AudioMusic, ReachingTheExitStopsAndUnloadsSoNothingPlays) {
    std::string song = Midi("exit.mid", 20, 96);
    ASSERT_EQ(LoadMusic(song.c_str()), 0);
    EXPECT_EQ(StopCurrentMusic(), 2);
    Run(1100, 50);
    ASSERT_TRUE(PlatformMusicIsPlaying());
    EXPECT_EQ(RefreshMusicState(0), MUSIC_PLAYING);
    EXPECT_EQ(StopCurrentMusic(), 1);
    EXPECT_EQ(MusicSlots[0].state, MUSIC_STOPPED);
    EXPECT_EQ(StopCurrentMusic(), 2);
    UnloadAllMusic();
    for (const MusicSlot& s : MusicSlots)
        EXPECT_EQ(s.state, MUSIC_FREE);
    EXPECT_TRUE(Run(3000, 100).empty());
    EXPECT_EQ(PlayMusic(0), 0);
}

TEST_F(AudioMusic, SynthesiserSoundsAfterPlayAndFallsSilentAfterStop) {
    std::string song = Midi("loud.mid", 8, 96);
    ASSERT_EQ(LoadMusic(song.c_str()), 0);
    Render(rate);                          // let any earlier effects tail die away
    EXPECT_EQ(Peak(Render(rate / 10)), 0); // loaded only
    ASSERT_EQ(PlayMusic(0), 1);
    EXPECT_EQ(CurrentMusic, 0);
    std::vector<int16_t> playing = Render(rate / 2);
    EXPECT_GT(Peak(playing), 1000);
    ASSERT_EQ(StopMusic(0), 1);
    EXPECT_EQ(CurrentMusic, -1);
    std::vector<int16_t> after = Render(rate);
    // Only a short effects tail may follow the stop; the last half second is silent.
    EXPECT_LE(Peak(after, after.size() / 2), 2);
    // Master volume: 50 is -15 dB, 0 is -30 dB (quiet, not silent).
    EXPECT_EQ(SetMusicVolume(50), 1);
    EXPECT_NEAR(MusicGain(), std::pow(10.0, -0.75), 1e-4);
    EXPECT_EQ(SetMusicVolume(0), 1);
    EXPECT_NEAR(MusicGain(), std::pow(10.0, -1.5), 1e-4);
    ASSERT_EQ(PlayMusic(0), 1);
    std::vector<int16_t> quiet = Render(rate / 2);
    EXPECT_GT(Peak(quiet), 0);
    EXPECT_NEAR(Rms(quiet, 0) / Rms(playing, 0), std::pow(10.0, -1.5), 0.01);
}

TEST_F(AudioMusic, GarbageEventsInASaneFileDoNotStopTheGame) {
    std::vector<uint8_t> bytes = MakeMidi(3, 48);
    uint32_t seed = 12345;
    for (size_t i = 22; i + 3 < bytes.size(); ++i)
        bytes[i] = uint8_t((seed = seed * 214013u + 2531011u) >> 16);
    std::string path = Scratch("garbage.mid");
    ASSERT_TRUE(WriteBytes(path, bytes));
    ASSERT_EQ(LoadMusic(path.c_str()), 0);
    PlayMusic(0);
    Run(3000, 100); // refused or played as noise, never a fault
}

TEST_F(AudioMusic, ShutdownTurnsEveryCallIntoANoOpAndAFolderIsNoSoundfont) {
    MusicShutdown();
    EXPECT_EQ(MusicReady, 0);
    EXPECT_EQ(LoadMusic(Midi("x.mid", 1, 48).c_str()), 0);
    EXPECT_EQ(StopCurrentMusic(), 0);
    EXPECT_EQ(SetMusicVolume(50), 0);
    EXPECT_EQ(RefreshMusicState(0), 0);
    MusicService();
    EXPECT_NE(MusicDumpJson().find("\"music\":{\"ready\":0"), std::string::npos);
    // A SOUNDFONT that names a folder is passed over for the system's own soundfont.
    ConsolePrint("--folder--");
    int ok = InitMusicWith(ScratchDir());
    if (ok) {
        EXPECT_STRNE(PlatformMusicSoundfont(), ScratchDir().c_str());
        EXPECT_NE(std::string(PlatformMusicSoundfont()).find("/usr/share/sounds/"), std::string::npos);
    } else {
        std::vector<std::string> lines = LinesAfter("--folder--");
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find("No soundfont found"), std::string::npos);
    }
    MusicShutdown();
    ready = InitMusicWith(TestSoundfont()) == 1;
    ASSERT_TRUE(ready);
}
