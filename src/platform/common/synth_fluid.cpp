// The music synthesiser: FluidSynth renders a piece's MIDI events with a General MIDI soundfont. The
// events come already timed in output frames; the render sends each at its frame, so the music advances
// exactly as the mix is pulled and nothing but synthesis happens on the audio thread.
#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/bounded.h"
#include "platform/common/music_synth.h"
#include "platform/platform_audio.h"

namespace {

fluid_settings_t* FluidSettings = nullptr;
fluid_synth_t* Synth = nullptr;
char SoundfontPath[512] = "";
float Gain = 1.0f;
MidiSequence Piece;

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
    fluid_settings_setint(FluidSettings, "synth.polyphony", SYNTH_POLYPHONY);
    fluid_settings_setint(FluidSettings, "synth.reverb.active", 1);
    fluid_settings_setnum(FluidSettings, "synth.reverb.room-size", SYNTH_REVERB_ROOM);
    fluid_settings_setnum(FluidSettings, "synth.reverb.level", SYNTH_REVERB_LEVEL);
    fluid_settings_setint(FluidSettings, "synth.chorus.active", 1);
    fluid_settings_setnum(FluidSettings, "synth.chorus.level", SYNTH_CHORUS_LEVEL);
    fluid_settings_setnum(FluidSettings, "synth.chorus.depth", SYNTH_CHORUS_DEPTH);
    fluid_settings_setnum(FluidSettings, "synth.gain", double(SYNTH_BASE_GAIN * Gain));
    Synth = new_fluid_synth(FluidSettings);
    if (!Synth) {
        delete_fluid_settings(FluidSettings);
        FluidSettings = nullptr;
        CopyBounded(err, errSize, "Music: the synthesiser could not be started");
        return false;
    }
    if (!FindSoundfont(preferred, TryLoad, err, errSize)) {
        PlatformMusicShutdown();
        return false;
    }
    return true;
}

void PlatformMusicShutdown(bool processEnding) {
    Piece.Drop();
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
    Piece.Drop();
    fluid_synth_all_sounds_off(Synth, -1);
    fluid_synth_system_reset(Synth);
    if (!events || count == 0) return false;
    Piece.Start(events, count);
    return true;
}

void PlatformMusicStop() {
    if (!Synth) return;
    Piece.Drop();
    fluid_synth_all_sounds_off(Synth, -1);
}

bool PlatformMusicIsPlaying() { return Piece.Playing(); }

void PlatformMusicSetGain(float gain) {
    Gain = gain;
    if (Synth) fluid_synth_set_gain(Synth, SYNTH_BASE_GAIN * gain);
}

void PlatformMusicRender(float* out, int frames) {
    if (frames <= 0) return;
    if (!Synth) {
        std::fill(out, out + 2 * frames, 0.0f);
        return;
    }
    Piece.Run(
        out, frames, [](const PlatformMidiEvent& e) { Send(e); },
        [](float* at, int n) { fluid_synth_write_float(Synth, n, at, 0, 2, at, 1, 2); });
}
