// Music: MIDI checks, the 64 slots, the once-a-second rotation on the virtual clock, and the
// synthesiser's output through the mixer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <tuple>

#include "app/settings.h"
#include "audio/midi.h"
#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/print.h"
#include "core/settings.h"
#include "defs/definition.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_audio.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"
#include "runner/dump.h"
#include "support/random.h"
#include "test_audio_util.h"

using namespace audiotest;

namespace {

// Starts music with the given SOUNDFONT setting, as start-up does with the one of config.ini.
int InitMusicWith(const std::string& soundfont) {
    CopyBounded(Settings.SoundFont, soundfont.c_str());
    int ok = MusicInit();
    Settings.SoundFont[0] = 0;
    return ok;
}

class AudioMusic : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { HeadlessSetAudioAvailable(true); }
    static void TearDownTestSuite() { MusicShutdown(); }
    void SetUp() override {
        // Every test starts from a fresh synthesiser: no tail of an earlier test's notes or effects.
        MusicShutdown();
        ready = InitMusicWith(TestSoundfont()) == 1;
        if (!ready) GTEST_SKIP() << "no General MIDI soundfont on this machine";
        ConsoleInit();  // the lines the loaders print are looked at
        Music.NextMusic = 0;
        SetMusicVolume(100);
        clock = PlatformTicksMs();
        Music.MusicCheckTime = clock;
        rate = MixerDeviceRate();
    }
    static std::string Midi(const std::string& name, int notes, int ticksEach) {
        std::string path = ScratchPath(name);
        EXPECT_TRUE(WriteFile(path, MakeMidi(notes, ticksEach)));
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
                starts.push_back(Music.CurrentMusic);
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

}  // namespace

namespace {

// Why MidiLooksSane refuses the bytes, or "accepted".
std::string MidiVerdict(const std::vector<uint8_t>& bytes) {
    char reason[96] = "";
    return MidiLooksSane(bytes.data(), bytes.size(), reason, sizeof reason) ? "accepted" : reason;
}

// Trailing bytes after the last declared track, as taggers and editors leave them.
const std::vector<std::vector<uint8_t>>& TrailingJunk() {
    static const std::vector<std::vector<uint8_t>> junk = {
        {'T', 'A', 'G', 'S', 'o', 'n', 'g', ' ', 'b', 'y', ' ', 'm', 'e', '\n'},  // text
        {0, 0, 0},                                                                // padding
        {'M', 'T', 'r', 'k', 0, 0, 0x10, 0, 0x90, 60},                            // a cut-off chunk
    };
    return junk;
}

}  // namespace

TEST(AudioMidi, SanityCheckReadsTheDeclaredTracksAndSaysWhatIsWrong) {
    std::vector<uint8_t> good = MakeMidi(3, 48);
    EXPECT_EQ(MidiVerdict(good), "accepted");
    for (size_t n = 0; n < good.size(); ++n) EXPECT_EQ(MidiLooksSane(good.data(), n), 0) << "length " << n;
    for (const std::vector<uint8_t>& junk : TrailingJunk()) {
        std::vector<uint8_t> tail = good;
        tail.insert(tail.end(), junk.begin(), junk.end());
        EXPECT_EQ(MidiVerdict(tail), "accepted");
    }
    // Bad headers, and the track's length past the file.
    for (auto [at, value, reason] : {std::tuple{0, int('X'), "not a standard MIDI file"},
                                     {7, 5, "header chunk is too short"},
                                     {7, 200, "header runs past the end of the file"},
                                     {9, 3, "format 3 is not 0, 1 or 2"},
                                     {11, 0, "no tracks"},
                                     {13, 0, "division is 0"},
                                     {12, 0xe7, "SMPTE division has no ticks per frame"},
                                     {18, 0x7f, "track 1 runs past the end of the file"}}) {
        std::vector<uint8_t> bad = good;
        bad[size_t(at)] = uint8_t(value);
        if (at == 13) bad[12] = 0;
        if (at == 12) bad[13] = 0;
        EXPECT_EQ(MidiVerdict(bad), reason) << "byte " << at;
    }
    EXPECT_EQ(MidiVerdict({'M', 'T', 'h'}), "not a standard MIDI file");
    // Declared tracks that are missing, cut, past the end or empty; other chunks on the way are passed over
    // when whole.
    std::vector<uint8_t> two = good;  // format 1, two tracks declared
    two[9] = 1;
    two[11] = 2;
    std::vector<uint8_t> track(good.begin() + 14, good.end());
    EXPECT_EQ(MidiVerdict(two), "track 2 is missing");
    auto withSecond = [&](const std::vector<uint8_t>& chunk) {
        std::vector<uint8_t> v = two;
        v.insert(v.end(), chunk.begin(), chunk.end());
        return MidiVerdict(v);
    };
    EXPECT_EQ(withSecond(track), "accepted");
    EXPECT_EQ(withSecond({'M', 'T', 'r', 'k', 0}), "track 2 is truncated");
    EXPECT_EQ(withSecond(std::vector<uint8_t>(track.begin(), track.end() - 1)),
              "track 2 runs past the end of the file");
    EXPECT_EQ(withSecond({'M', 'T', 'r', 'k', 0, 0, 0, 0}), "track 2 is empty");
    std::vector<uint8_t> alien = {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2};
    std::vector<uint8_t> alienThenTrack = alien;
    alienThenTrack.insert(alienThenTrack.end(), track.begin(), track.end());
    EXPECT_EQ(withSecond(alienThenTrack), "accepted");
    EXPECT_EQ(withSecond(alien), "track 2 is missing");
    alien[7] = 200;
    EXPECT_EQ(withSecond(alien), "chunk runs past the end of the file");
    std::vector<uint8_t> wav = MakeWav(std::vector<uint8_t>(100, 128));
    EXPECT_EQ(MidiVerdict(wav), "not a standard MIDI file");
}

namespace {

// A standard MIDI file of the given division and format-1 tracks (each given without its chunk header).
std::vector<uint8_t> Smf(uint16_t division, const std::vector<std::vector<uint8_t>>& tracks) {
    std::vector<uint8_t> v;
    PutId(v, "MThd");
    PutBe(v, 6, 4);
    PutBe(v, 1, 2);
    PutBe(v, uint32_t(tracks.size()), 2);
    PutBe(v, division, 2);
    for (const std::vector<uint8_t>& t : tracks) {
        PutId(v, "MTrk");
        PutBe(v, uint32_t(t.size()), 4);
        v.insert(v.end(), t.begin(), t.end());
    }
    return v;
}

// The events read from a file at 48000 frames a second, as "frame:status:data1:data2" words in hex bytes.
std::string EventsOf(const std::vector<uint8_t>& bytes) {
    std::vector<PlatformMidiEvent> events;
    if (!ParseMidi(bytes.data(), bytes.size(), 48000, events)) return "refused";
    std::string out;
    char word[40];
    for (const PlatformMidiEvent& e : events) {
        snprintf(word, sizeof word, "%s%u:%02x:%02x:%02x", out.empty() ? "" : " ", e.frame, e.status, e.data1, e.data2);
        out += word;
    }
    return out;
}

}  // namespace

TEST(AudioMidi, ReaderTimesChannelMessagesInFramesThroughTheTempoMap) {
    // 120 beats a minute, 96 ticks a beat: a half-beat note is 12000 frames.
    EXPECT_EQ(EventsOf(MakeMidi(2, 48)),
              "0:c0:00:00 0:90:3c:70 12000:80:3c:00 12000:90:40:70 24000:80:40:00 24000:00:00:00");
    // Two tracks: the tempo doubles at beat 1 (track 0, after a system exclusive event), and events at the
    // same tick come in track order; running status (a note-on at velocity 0) and a text event in track 1.
    const std::vector<uint8_t> tempo = {0,    0xff, 0x51, 3,    0x07, 0xa1, 0x20, 0,    0xf0, 3, 0x43, 0x12, 0xf7, 0x60,
                                        0xff, 0x51, 3,    0x03, 0xd0, 0x90, 0,    0xc1, 0x05, 0, 0xff, 0x2f, 0},
                               notes = {0, 0x90, 0x3c, 0x64, 0x60, 0x3c, 0,    0, 0xff, 0x01, 2,    'h', 'i',
                                        0, 0x90, 0x3e, 0x50, 0x60, 0x80, 0x3e, 0, 0,    0xff, 0x2f, 0};
    const std::vector<uint8_t> two = Smf(96, {tempo, notes});
    EXPECT_EQ(EventsOf(two),
              "0:90:3c:64 24000:c1:05:00 24000:90:3c:00 24000:90:3e:50 36000:80:3e:00 "
              "36000:00:00:00");
    // Format 2 (independent sequences) is accepted and its tracks are played together, as format 1's.
    std::vector<uint8_t> sequences = two;
    sequences[9] = 2;
    EXPECT_EQ(MidiVerdict(sequences), "accepted");
    EXPECT_EQ(EventsOf(sequences), EventsOf(two));
    // SMPTE division, 25 frames of 40 ticks: 1000 ticks a second whatever the tempo says.
    EXPECT_EQ(EventsOf(Smf(0xe728, {{0,    0xff, 0x51, 3,    0x03, 0xd0, 0x90, 0,    0x90, 0x3c,
                                     0x64, 0x83, 0x74, 0x80, 0x3c, 0,    0,    0xff, 0x2f, 0}})),
              "0:90:3c:64 24000:80:3c:00 24000:00:00:00");
    // A track ends at the first event it cannot read (here a data byte after a meta event, which ends
    // running status) or where its chunk ends; what came before plays.
    EXPECT_EQ(EventsOf(Smf(96, {{0, 0x90, 0x3c, 0x64, 0, 0xff, 0x01, 0, 0x60, 0x3c, 0, 0x60, 0x80, 0x3c, 0}})),
              "0:90:3c:64 24000:00:00:00");
    EXPECT_EQ(EventsOf(Smf(96, {{0, 0x90, 0x3c, 0x64, 0x60, 0x80, 0x3c}})), "0:90:3c:64 24000:00:00:00");
    EXPECT_EQ(EventsOf(Smf(96, {{0, 0xf3, 1, 0x60, 0x80, 0x3c, 0}})), "0:00:00:00");
    EXPECT_EQ(EventsOf({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0}), "refused");
    // Every cut of a file is read without a fault, in time order and ending with the end event.
    for (size_t n = 0; n <= two.size(); ++n) {
        std::vector<PlatformMidiEvent> events;
        if (!ParseMidi(two.data(), n, 48000, events)) {
            EXPECT_TRUE(events.empty());
            continue;
        }
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().status, 0);
        for (size_t i = 1; i < events.size(); ++i) EXPECT_LE(events[i - 1].frame, events[i].frame) << "cut at " << n;
    }
}

TEST_F(AudioMusic, LoadingFillsFreeSlotsAndRefusesBadFilesInOneLineEach) {
    std::string song = Midi("song.mid", 4, 48);
    std::string empty = ScratchPath("empty.mid"), cut = ScratchPath("cut.mid"), big = ScratchPath("big.mid");
    ASSERT_TRUE(WriteFile(empty, ""));
    std::vector<uint8_t> bytes = MakeMidi(4, 48);
    bytes.pop_back();
    ASSERT_TRUE(WriteFile(cut, bytes));
    ASSERT_TRUE(WriteFile(big, MakeMidi(4, 48)));
    ASSERT_EQ(truncate(big.c_str(), off_t(MUSIC_MAX_FILE_BYTES + 1)), 0);
    Print("--bad music--");
    const std::string missing = ScratchPath("missing.mid"), folder = ProgramScratch().path();
    for (const std::string& bad : {empty, cut, big, missing, folder, std::string()})
        EXPECT_EQ(LoadMusic(bad.c_str()), -1) << bad;
    EXPECT_EQ(LinesAfter("--bad music--"),
              (std::vector<std::string>{"Music file " + empty + " refused: not a standard MIDI file",
                                        "Music file " + cut + " refused: track 1 runs past the end of the file",
                                        "Music file " + big + " refused: larger than 4 MiB",
                                        "Cannot open music file " + missing, "Cannot open music file " + folder,
                                        "Cannot open music file "}));
    unlink(big.c_str());
    for (const MusicSlot& s : Music.MusicSlots) EXPECT_EQ(s.state, MUSIC_FREE);
    // Loading does not start anything.
    EXPECT_EQ(LoadMusic(song.c_str()), 0);
    EXPECT_EQ(LoadMusic(song.c_str()), 1);
    EXPECT_EQ(Music.MusicSlots[1].state, MUSIC_LOADED);
    EXPECT_FALSE(PlatformMusicIsPlaying());
    EXPECT_EQ(Music.CurrentMusic, -1);
    for (int s = 2; s < MUSIC_SLOTS; ++s) ASSERT_EQ(LoadMusic(song.c_str()), s);
    EXPECT_EQ(LoadMusic(song.c_str()), -1);
    UnloadAllMusic();
    EXPECT_EQ(LoadMusic(song.c_str()), 0);
    EXPECT_NE(StateDumpJson().find("\"slots\":[{\"slot\":0,\"file\":\"" + song + "\",\"state\":1}]"),
              std::string::npos);
}

TEST_F(AudioMusic, OneFileStartsWithinASecondAndAgainAfterItEnds) {
    std::string song = Midi("one.mid", 3, 48);  // three half-beat notes: 0.75 s
    ASSERT_EQ(LoadMusic(song.c_str()), 0);
    std::vector<uint32_t> starts, ends;
    std::vector<int> slots = Run(5000, 50, &starts, &ends);
    ASSERT_GE(slots.size(), 2u);
    EXPECT_EQ(slots[0], 0);
    EXPECT_GT(starts[0], 1000u);  // the service checks once a second
    EXPECT_LE(starts[0], 1100u);
    ASSERT_GE(ends.size(), 1u);
    EXPECT_GE(ends[0] - starts[0], 700u);  // it ran its length
    EXPECT_LE(ends[0] - starts[0], 850u);
    EXPECT_LE(starts[1] - ends[0], 1100u);  // and came round again
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
    EXPECT_EQ(Music.MusicSlots[0].state, MUSIC_STOPPED);
    EXPECT_EQ(StopCurrentMusic(), 2);
    UnloadAllMusic();
    for (const MusicSlot& s : Music.MusicSlots) EXPECT_EQ(s.state, MUSIC_FREE);
    EXPECT_TRUE(Run(3000, 100).empty());
    EXPECT_EQ(PlayMusic(0), 0);
}

TEST_F(AudioMusic, SynthesiserSoundsAfterPlayAndFallsSilentAfterStop) {
    std::string song = Midi("loud.mid", 8, 96);
    ASSERT_EQ(LoadMusic(song.c_str()), 0);
    Render(rate);                           // let any earlier effects tail die away
    EXPECT_EQ(Peak(Render(rate / 10)), 0);  // loaded only
    ASSERT_EQ(PlayMusic(0), 1);
    EXPECT_EQ(Music.CurrentMusic, 0);
    std::vector<int16_t> playing = Render(rate / 2);
    EXPECT_GT(Peak(playing), 1000);
    ASSERT_EQ(StopMusic(0), 1);
    EXPECT_EQ(Music.CurrentMusic, -1);
    std::vector<int16_t> after = Render(rate);
    // Only a short effects tail may follow the stop; in the last half second it is all but silent.
    EXPECT_LE(Peak(after, after.size() / 2), Peak(playing) / 500);
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

TEST_F(AudioMusic, TrailingBytesAfterTheLastTrackPlayLikeTheFileWithout) {
    // Plays a file from its start to its end through the synthesiser: milliseconds and loudness.
    auto playThrough = [&](const std::vector<uint8_t>& bytes) {
        std::string path = ScratchPath("tail.mid");
        EXPECT_TRUE(WriteFile(path, bytes));
        UnloadAllMusic();
        Render(rate);  // let any earlier notes die away
        EXPECT_EQ(LoadMusic(path.c_str()), 0);
        EXPECT_EQ(PlayMusic(0), 1);
        std::vector<int16_t> all;
        int ms = 0;
        for (; PlatformMusicIsPlaying() && ms < 5000; ms += 10) {
            std::vector<int16_t> part = Render(rate / 100);
            all.insert(all.end(), part.begin(), part.end());
        }
        return std::pair{ms, Rms(all, 0)};
    };
    std::vector<uint8_t> song = MakeMidi(4, 48);  // four half-beat notes: one second
    auto [plainMs, plainRms] = playThrough(song);
    EXPECT_NEAR(plainMs, 1000, 30);
    EXPECT_GT(plainRms, 300);
    for (const std::vector<uint8_t>& junk : TrailingJunk()) {
        std::vector<uint8_t> tail = song;
        tail.insert(tail.end(), junk.begin(), junk.end());
        auto [ms, rms] = playThrough(tail);
        EXPECT_EQ(ms, plainMs);
        EXPECT_NEAR(rms / plainRms, 1.0, 0.02);
    }
}

TEST_F(AudioMusic, GarbageEventsInASaneFileDoNotStopTheGame) {
    std::vector<uint8_t> bytes = MakeMidi(3, 48);
    const std::vector<int> noise = DrawsFrom(12345, int(bytes.size()));
    for (size_t i = 22; i + 3 < bytes.size(); ++i) bytes[i] = uint8_t(noise[i - 22]);
    std::string path = ScratchPath("garbage.mid");
    ASSERT_TRUE(WriteFile(path, bytes));
    ASSERT_EQ(LoadMusic(path.c_str()), 0);
    PlayMusic(0);
    Run(3000, 100);  // refused or played as noise, never a fault
}

TEST_F(AudioMusic, ShutdownTurnsEveryCallIntoANoOpAndAFolderIsNoSoundfont) {
    MusicShutdown();
    EXPECT_EQ(Music.MusicReady, 0);
    EXPECT_EQ(LoadMusic(Midi("x.mid", 1, 48).c_str()), 0);
    EXPECT_EQ(StopCurrentMusic(), 0);
    EXPECT_EQ(SetMusicVolume(50), 0);
    EXPECT_EQ(RefreshMusicState(0), 0);
    MusicService();
    EXPECT_NE(StateDumpJson().find("\"music\":{\"ready\":0"), std::string::npos);
    // A SOUNDFONT that names a folder is passed over for the system's own soundfont.
    Print("--folder--");
    int ok = InitMusicWith(ProgramScratch().path());
    if (ok) {
        EXPECT_STRNE(PlatformMusicSoundfont(), ProgramScratch().path().c_str());
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

TEST_F(AudioMusic, MenuMusicSitsWellAboveTheFloorAndLoudMixesNeverSitAtFullScale) {
    // The bundled menu piece at the default music volume, alone in the device output.
    ASSERT_EQ(LoadMusic(ZARVO_SOURCE_DIR "/data/music/menu.mid"), 0);
    SetMusicVolume(80);
    ASSERT_EQ(PlayMusic(0), 1);
    std::vector<int16_t> menu = Render(rate * 8);
    for (int channel : {0, 1}) EXPECT_GE(20 * std::log10(Rms(menu, channel) / 32768.0), -24.0) << "channel " << channel;
    // 32 full-scale effects on top of it: the limiter holds every sample off full scale.
    std::vector<std::vector<uint8_t>> tones;
    for (int v = 0; v < 32; ++v) {
        tones.push_back(Sine8(11025, 100 + 7 * v, 127));
        MixerSetVoiceData(v, tones.back().data(), uint32_t(tones.back().size()));
        MixerSetFrequency(v, 22050);
        MixerPlay(v, true);
    }
    std::vector<int16_t> loud = Render(rate * 2);
    for (int v = 0; v < 32; ++v) MixerSetVoiceData(v, nullptr, 0);
    size_t run = 0, longest = 0;
    for (int16_t s : loud) {
        run = std::abs(int(s)) >= 32767 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    EXPECT_LE(longest, 2u);
    EXPECT_GT(Peak(loud), 30000);  // the mix really is driven into the limiter
}

TEST_F(AudioMusic, ABackgroundLoadKeepsTheRequestsAndStartsTheMusicWhenReady) {
    MusicShutdown();
    HeadlessSetMusicLoadsInBackground(true);
    ASSERT_EQ(InitMusicWith(TestSoundfont()), 1);
    // While the soundfont loads, files load and the volume is kept; nothing plays before the service has
    // taken up the synthesiser.
    ASSERT_EQ(LoadMusic(Midi("wait.mid", 8, 96).c_str()), 0);
    EXPECT_EQ(SetMusicVolume(50), 1);
    EXPECT_EQ(PlayMusic(0), 0);
    EXPECT_EQ(Music.MusicSlots[0].state, MUSIC_LOADED);
    EXPECT_EQ(Music.CurrentMusic, -1);
    // Once the load is done the service starts the slot at once (the virtual clock stands still here, so
    // the usual once-a-second check would not), at the volume set meanwhile. (The synthesiser itself is
    // asked only after that: until then the worker owns it.)
    for (int i = 0; i < 2000 && Music.CurrentMusic != 0; ++i) {
        MusicService();
        usleep(5000);
    }
    ASSERT_EQ(Music.CurrentMusic, 0);
    EXPECT_TRUE(PlatformMusicIsPlaying());
    std::vector<int16_t> half = Render(rate / 2);
    SetMusicVolume(100);
    ASSERT_EQ(PlayMusic(0), 1);
    std::vector<int16_t> full = Render(rate / 2);
    EXPECT_NEAR(Rms(half, 0) / Rms(full, 0), std::pow(10.0, -0.75), 0.02);
    // Shutting down while a load still runs waits for it.
    MusicShutdown();
    ASSERT_EQ(InitMusicWith(TestSoundfont()), 1);
    MusicShutdown();
    EXPECT_EQ(Music.MusicReady, 0);
    HeadlessSetMusicLoadsInBackground(false);
    ready = InitMusicWith(TestSoundfont()) == 1;
    ASSERT_TRUE(ready);
}
