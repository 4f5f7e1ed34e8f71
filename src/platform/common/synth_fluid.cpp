// The music synthesiser: FluidSynth renders a piece's MIDI events with a General MIDI soundfont. The
// events come already timed in output frames; the render sends each at its frame, so the music advances
// exactly as the mix is pulled and nothing but synthesis happens on the audio thread.
#include <dirent.h>
#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/bounded.h"
#include "platform/platform_audio.h"

namespace {

fluid_settings_t* FluidSettings = nullptr;
fluid_synth_t* Synth = nullptr;
char SoundfontPath[512] = "";
float Gain = 1.0f;
// The synthesiser's level at master volume 1. The bundled pieces, at the default music volume (80,
// -6 dB), come out at about -23 dBFS (the menu's soft pad and vibraphone) to -16 dBFS next to the
// effects; the mixer's limiter keeps peaks of music and effects together under full scale.
constexpr float BASE_GAIN = 1.85f;

// The piece playing: its events, the next one to send and the frames rendered since it started.
const PlatformMidiEvent* Events = nullptr;
size_t EventCount = 0, NextEvent = 0;
uint64_t Position = 0;

const char* const SF2_DIR = "/usr/share/sounds/sf2";
const char* const SF3_DIR = "/usr/share/sounds/sf3";

bool IsRegularFile(const char* path) {
    struct stat st;
    return path && path[0] && stat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

bool TryLoad(const char* path) {
    if (!IsRegularFile(path) || !fluid_is_soundfont(path)) return false;
    if (fluid_synth_sfload(Synth, path, 1) == FLUID_FAILED) return false;
    CopyBounded(SoundfontPath, path);
    return true;
}

void Quiet() {
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

void DropPiece() {
    Events = nullptr;
    EventCount = NextEvent = 0;
    Position = 0;
}

void Send(const PlatformMidiEvent& e) {
    const int channel = e.status & 0x0f;
    switch (e.status & 0xf0) {
    case 0x80: fluid_synth_noteoff(Synth, channel, e.data1); break;
    case 0x90:
        if (e.data2)
            fluid_synth_noteon(Synth, channel, e.data1, e.data2);
        else
            fluid_synth_noteoff(Synth, channel, e.data1);
        break;
    case 0xa0: fluid_synth_key_pressure(Synth, channel, e.data1, e.data2); break;
    case 0xb0: fluid_synth_cc(Synth, channel, e.data1, e.data2); break;
    case 0xc0: fluid_synth_program_change(Synth, channel, e.data1); break;
    case 0xd0: fluid_synth_channel_pressure(Synth, channel, e.data1); break;
    case 0xe0: fluid_synth_pitch_bend(Synth, channel, e.data1 | e.data2 << 7); break;
    default: break;  // the end of the piece
    }
}

}  // namespace

bool PlatformMusicInit(int rate, const char* preferred, char* err, size_t errSize) {
    PlatformMusicShutdown();
    Quiet();
    FluidSettings = new_fluid_settings();
    if (!FluidSettings) {
        CopyBounded(err, errSize, "Music: the synthesiser settings could not be created");
        return false;
    }
    fluid_settings_setnum(FluidSettings, "synth.sample-rate", double(rate));
    fluid_settings_setint(FluidSettings, "synth.cpu-cores", 1);
    fluid_settings_setint(FluidSettings, "synth.polyphony", 96);
    // Reverb and chorus stay light so the effects are not drowned.
    fluid_settings_setint(FluidSettings, "synth.reverb.active", 1);
    fluid_settings_setnum(FluidSettings, "synth.reverb.room-size", 0.3);
    fluid_settings_setnum(FluidSettings, "synth.reverb.level", 0.25);
    fluid_settings_setint(FluidSettings, "synth.chorus.active", 1);
    fluid_settings_setnum(FluidSettings, "synth.chorus.level", 0.5);
    fluid_settings_setnum(FluidSettings, "synth.chorus.depth", 4.0);
    fluid_settings_setnum(FluidSettings, "synth.gain", double(BASE_GAIN * Gain));
    Synth = new_fluid_synth(FluidSettings);
    if (!Synth) {
        delete_fluid_settings(FluidSettings);
        FluidSettings = nullptr;
        CopyBounded(err, errSize, "Music: the synthesiser could not be started");
        return false;
    }
    bool found = preferred && preferred[0] && TryLoad(preferred);
    static const char* const fixed[] = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                        "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf3/default-GM.sf3"};
    for (const char* path : fixed)
        if (!found) found = TryLoad(path);
    if (!found) {
        std::vector<std::string> names;
        if (DIR* d = opendir(SF3_DIR)) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n.size() > 4 && n.compare(n.size() - 4, 4, ".sf3") == 0) names.push_back(n);
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) {
            std::string path = std::string(SF3_DIR) + "/" + n;
            if ((found = TryLoad(path.c_str()))) break;
        }
    }
    if (!found) {
        char line[400];
        snprintf(line, sizeof line, "No soundfont found (looked at SOUNDFONT=%.100s, %s, %s)",
                 preferred && preferred[0] ? preferred : "unset", SF2_DIR, SF3_DIR);
        CopyBounded(err, errSize, line);
        PlatformMusicShutdown();
        return false;
    }
    return true;
}

void PlatformMusicShutdown(bool processEnding) {
    DropPiece();
    if (processEnding && Synth) {
        fluid_synth_all_sounds_off(Synth, -1);
        Synth = nullptr;
        FluidSettings = nullptr;
        SoundfontPath[0] = 0;
        return;
    }
    if (Synth) delete_fluid_synth(Synth);
    Synth = nullptr;
    if (FluidSettings) delete_fluid_settings(FluidSettings);
    FluidSettings = nullptr;
    SoundfontPath[0] = 0;
}

const char* PlatformMusicSoundfont() { return SoundfontPath; }

bool PlatformMusicPlay(const PlatformMidiEvent* events, size_t count) {
    if (!Synth) return false;
    DropPiece();
    fluid_synth_all_sounds_off(Synth, -1);
    fluid_synth_system_reset(Synth);
    if (!events || count == 0) return false;
    Events = events;
    EventCount = count;
    return true;
}

void PlatformMusicStop() {
    if (!Synth) return;
    DropPiece();
    fluid_synth_all_sounds_off(Synth, -1);
}

bool PlatformMusicIsPlaying() { return Events && NextEvent < EventCount; }

void PlatformMusicSetGain(float gain) {
    Gain = gain;
    if (Synth) fluid_synth_set_gain(Synth, BASE_GAIN * gain);
}

void PlatformMusicRender(float* out, int frames) {
    if (frames <= 0) return;
    if (!Synth) {
        std::fill(out, out + 2 * frames, 0.0f);
        return;
    }
    // Render up to the next event's frame, send every event due there, and go on.
    int done = 0;
    while (done < frames) {
        while (Events && NextEvent < EventCount && Events[NextEvent].frame <= Position) Send(Events[NextEvent++]);
        int n = frames - done;
        if (Events && NextEvent < EventCount)
            n = int(std::min<uint64_t>(uint64_t(n), Events[NextEvent].frame - Position));
        float* at = out + 2 * done;
        fluid_synth_write_float(Synth, n, at, 0, 2, at, 1, 2);
        done += n;
        Position += uint64_t(n);
    }
}
