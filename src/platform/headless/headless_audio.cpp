// The null audio device: always opens, and pulls the mixer as the virtual clock advances, so that
// voices end and music moves on exactly as they would on a real device, without any output.
#include "platform/headless/headless_audio.h"

#include <cstdint>

#include "core/bounded.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"

namespace {

constexpr int RATE = 48000;
constexpr int CHUNK = 1024;
constexpr uint32_t MAX_CATCH_UP_MS = 1000;  // a long pause of the clock renders at most this much

bool Open = false;
bool Available = true;
bool MusicInBackground = false;
PlatformAudioPull Pull = nullptr;
void* PullUser = nullptr;
uint32_t LastMs = 0;
uint64_t FrameRemainder = 0;  // thousandths of a frame carried between services
int16_t Scratch[CHUNK * 2];

}  // namespace

void HeadlessSetAudioAvailable(bool available) { Available = available; }
void HeadlessSetMusicLoadsInBackground(bool background) { MusicInBackground = background; }
bool PlatformMusicLoadsInBackground() { return MusicInBackground; }
bool HeadlessAudioOpen() { return Open; }

bool PlatformAudioOpen(PlatformAudioPull pull, void* user, int* rate, char* err, size_t errSize) {
    if (Open) return false;
    if (!Available) {
        CopyBounded(err, errSize, "Audio: no output device");
        return false;
    }
    Pull = pull;
    PullUser = user;
    Open = true;
    LastMs = PlatformTicksMs();
    FrameRemainder = 0;
    *rate = RATE;
    return true;
}

void PlatformAudioClose() {
    Open = false;
    Pull = nullptr;
}

void PlatformAudioLock() {}
void PlatformAudioUnlock() {}

void PlatformAudioService() {
    if (!Open || !Pull) return;
    uint32_t now = PlatformTicksMs();
    uint32_t elapsed = now - LastMs;
    LastMs = now;
    if (elapsed > MAX_CATCH_UP_MS) elapsed = MAX_CATCH_UP_MS;
    uint64_t total = uint64_t(elapsed) * RATE + FrameRemainder;
    uint64_t frames = total / 1000;
    FrameRemainder = total % 1000;
    while (frames > 0) {
        int n = frames > CHUNK ? CHUNK : int(frames);
        Pull(Scratch, n, PullUser);
        frames -= uint64_t(n);
    }
}
