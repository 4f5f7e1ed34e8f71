// The music synthesiser: FluidSynth renders standard MIDI files with a General MIDI soundfont.
// Playback is clocked by the rendered samples, so the music advances exactly as the mix is pulled.
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
fluid_player_t* Player = nullptr;
char SoundfontPath[512] = "";
float Gain = 1.0f;
// FluidSynth's own default gain leaves headroom for many voices; the mixer adds effects on top.
constexpr float BASE_GAIN = 0.35f;
float PrimeScratch[64 * 2];

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

void DeletePlayer() {
    if (!Player) return;
    fluid_player_stop(Player);
    delete_fluid_player(Player);
    Player = nullptr;
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
    fluid_settings_setstr(FluidSettings, "player.timing-source", "sample");
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

void PlatformMusicShutdown() {
    DeletePlayer();
    if (Synth) delete_fluid_synth(Synth);
    Synth = nullptr;
    if (FluidSettings) delete_fluid_settings(FluidSettings);
    FluidSettings = nullptr;
    SoundfontPath[0] = 0;
}

const char* PlatformMusicSoundfont() { return SoundfontPath; }

bool PlatformMusicPlay(const uint8_t* midi, size_t size) {
    if (!Synth || !midi || size == 0) return false;
    DeletePlayer();
    fluid_synth_all_sounds_off(Synth, -1);
    fluid_synth_system_reset(Synth);
    Player = new_fluid_player(Synth);
    if (!Player) return false;
    if (fluid_player_add_mem(Player, midi, size) != FLUID_OK || fluid_player_play(Player) != FLUID_OK) {
        DeletePlayer();
        return false;
    }
    // The player parses its file on its first timer tick; run that tick here, on the caller's thread,
    // so that the device's pull never parses or allocates.
    fluid_synth_write_float(Synth, 64, PrimeScratch, 0, 2, PrimeScratch, 1, 2);
    return PlatformMusicIsPlaying();
}

void PlatformMusicStop() {
    if (!Synth) return;
    DeletePlayer();
    fluid_synth_all_sounds_off(Synth, -1);
}

// The player keeps reporting itself as playing after the last event of a file played once, so the
// end is taken from the position: past the last tick of the longest track, the file is over.
bool PlatformMusicIsPlaying() {
    if (!Player || fluid_player_get_status(Player) != FLUID_PLAYER_PLAYING) return false;
    return fluid_player_get_current_tick(Player) <= fluid_player_get_total_ticks(Player);
}

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
    fluid_synth_write_float(Synth, frames, out, 0, 2, out, 1, 2);
}
