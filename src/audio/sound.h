// Sound effects: 256 buffer records played as mixer voices, the (row, slot) sound table and its lists.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

constexpr int SOUND_BUFFERS = 256;
constexpr int SOUND_ROWS = 85;  // rows 0 .. 84 map to buffers 3 * row + slot
constexpr int SOUND_SLOTS = 3;
constexpr int SOUND_FILE_NAME = 256;

// The fixed rows of every sound list, and the slots of an object type's row.
constexpr int SOUND_ROW_PLAYER_DEATH = 1;  // slot 1: the player dies, and every tick of the death camera
constexpr int SOUND_ROW_MENU = 17;         // slot 0: the selection moves; slot 1: an item is activated
constexpr int SOUND_ROW_LEVEL = 18;        // slot 0: the level starts; slot 1: the exit is reached
constexpr int SOUND_SLOT_PAIN = 0;         // a creature is hit
constexpr int SOUND_SLOT_DEATH = 1;        // a creature dies
constexpr int SOUND_SLOT_FIRE = 1;         // a weapon fires (its row is its index + 2)
constexpr int SOUND_SLOT_PICKUP = 2;       // a pickup is collected
constexpr int SOUND_SLOT_MENU_MOVE = 0, SOUND_SLOT_MENU_ACTIVATE = 1;
constexpr int SOUND_SLOT_LEVEL_START = 0, SOUND_SLOT_LEVEL_EXIT = 1;

// BufferStatus flags.
enum { SB_PLAYING = 1, SB_LOST = 2, SB_LOOPING = 4 };
// PlayBuffer flags.
enum { SB_PLAY_LOOPING = 1 };

struct SoundBufferRecord {
    std::unique_ptr<uint8_t[]> samples;  // 8-bit unsigned mono; null when the record is empty
    int32_t loaded;
    int32_t fileRate;  // samples per second named by the file; recorded only
    int32_t size;      // bytes of sample data the voice plays
    int32_t number;
    char file[SOUND_FILE_NAME];
};

// The plays requested since the log was last cleared (oldest first, at most SOUND_PLAY_LOG).
constexpr int SOUND_PLAY_LOG = 64;
struct SoundPlayRecord {
    int32_t buffer, volume, frequency, pan;
};
struct SoundRecord {
    uint8_t SoundReady = 0;
    SoundBufferRecord SoundBuffers[SOUND_BUFFERS] = {};
    // Buffer number to play for (row, slot): LoadWave's result, -1 (nothing to play) after a failed load
    // or when no sound list has named the slot since SoundInit.
    int32_t SoundTable[SOUND_ROWS][SOUND_SLOTS] = {};
    bool DeviceHeld = false;  // a hold on the mixer's output device
    // The plays requested since the log was last cleared, a ring of the last SOUND_PLAY_LOG.
    SoundPlayRecord PlayLog[SOUND_PLAY_LOG] = {};
    int PlayLogStart = 0, PlayLogCount = 0;
    char ListFile[256] = "";  // the sound list loaded last (a saved game names it)
};
extern SoundRecord Sound;

// Start-up: sets every table entry to -1, opens (or keeps) the output device and empties every record.
// 1 = ready, 0 = no device.
int SoundInit();
// Exit: stops and releases everything and lets go of the device.
void SoundShutdown();
// Loads a WAV file into record n (replacing what it held). Returns n, or -1 on failure, after one console
// line: "Cannot open sound file NAME", or "Sound file NAME refused: REASON".
int LoadWave(int n, const char* file);
// Plays record n from its start: flags 0 once / SB_PLAY_LOOPING, volume 1..100, frequency in samples per
// second (0 keeps the last), pan in hundredths of a decibel. Volume 0 or below (out of hearing range, or
// SOUNDVOL 0) is only logged: the voice is left exactly as it was, so an audible play of the same record
// carries on. An empty or out-of-range record plays nothing and reports success.
int PlayBuffer(int n, int flags, int volume, int frequency, int pan);
// SB_ flags of record n; -1 when the record is empty.
int BufferStatus(int n);
void StopBuffer(int n);
void StopAllBuffers();
void ReleaseBuffer(int n);
void ReleaseAllBuffers();
// Hundredths of a decibel for a volume 0..100: (100 - v) * -30.
int VolumeToHundredthsDb(int volume);

int SoundPlayCount();
const SoundPlayRecord* SoundPlayAt(int i);
void SoundClearPlays();
