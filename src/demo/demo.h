// Demo recordings: everything a game read from the outside world that can change what it does (the
// seed, the settings the simulation depends on, the clock of every main-loop pass that did work, the
// input snapshots its ticks read, focus and quit events), written as a text file that replays to the
// same world, with digests of the world to prove it.
//
// The file is line based: a first line "zarvo-demo VERSION", header lines (set, joystick), then for each
// recorded pass the changes it saw (seed, down, up, mouse, button, joystick, joy, focus, quit) followed by
// "pass CLOCK" (a network game's pieces as "net HEX" lines, long ones continued on "net+" lines before it);
// every DEMO_MARK_TICKS ticks a "mark TICK DIGEST" line, and at the end of the main loop
// "check TICK DIGEST". Lines starting with '#' are comments.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct MouseRecord;
struct PlatformEvent;

constexpr int DEMO_VERSION = 1;
constexpr uint64_t DEMO_MARK_TICKS = 32;

// The recorder and the player live in one record, Demo, of the recording code's own.
// Stops any recording or playback where it is, without writing or judging, and empties both.
void ResetDemo();

// A digest of the world: the player and every present object, the missiles, the weapons' numbers, the
// level counters, the game state, the tick count and the random generator's state (and in a network
// game its players' frags, deaths and countdowns).
uint64_t WorldDigest();
// The digest the machines of a network game compare: the same world at the network game's `tick`,
// without what each machine keeps for itself (its mouse-look switch).
uint64_t NetWorldDigest(uint64_t tick);

// ---- recording -----------------------------------------------------------------------------------------
// Starts recording into `path` (called once the subsystems are up, before the first pass): every input
// read is told to the recorder from then on. On failure prints one console line and the game plays on
// unrecorded. The file is written in blocks: at most every few seconds, when the buffer fills, and at
// the end.
bool DemoRecordStart(const char* path);
bool DemoRecording();
// What an input read returned: the keyboard, the mouse, and the joystick (read: whether a joystick read
// took place and succeeded; the sticks and buttons only then).
void DemoRecordInput(const uint8_t keys[256], const MouseRecord& mouse, bool joystickRead, int32_t joyX, int32_t joyY,
                     int32_t joyTurn, const uint8_t joyButtons[32]);
// What a network game gave the game (the network code's own bytes): "net" lines, replayed in order.
void DemoRecordNet(const uint8_t* bytes, size_t size);
// A joystick read that failed (the snapshot kept its old values).
void DemoRecordJoystickFailed();
// The random generator was seeded from outside the game (the scripted runner's seed line).
void DemoRecordSeed(uint32_t seed);
// An event the main loop took from the platform.
void DemoRecordEvent(const PlatformEvent& ev);
// The end of a timer pass at `clock`: recorded when it ran a tick or a frame, took an event, or was the
// first pass.
void DemoRecordPass(uint32_t clock, bool didWork);
// After a tick: every DEMO_MARK_TICKS ticks a digest line.
void DemoRecordTick();
// The main loop has ended: the check line, the last block written, the file closed.
void DemoRecordFinish();

// ---- playback ------------------------------------------------------------------------------------------
struct DemoPlayOptions {
    bool realtime = false;                    // pace passes to the recorded clock; the player's Escape or a
                                              // window close stops it
    void (*setClock)(uint32_t ms) = nullptr;  // told the clock of every replayed pass
    void (*atEnd)() = nullptr;                // called when the main loop has ended, before the check
};
// Reads a recording and its header, and makes it the source of every input read (call before start-up).
// False, with a reason in err, when it cannot be read or is not a recording of this version.
bool DemoPlayStart(const char* path, const DemoPlayOptions& options, char* err, size_t errSize);
bool DemoPlaying();
// Ends a playback where it is, without a result: the devices are the input source again.
void DemoPlayStop();
// True when `path` is a regular file that starts with a recording's first line (so the runner can tell a
// demo from a script).
bool DemoFileLooksLikeDemo(const char* path);
// The header's settings, applied after config.ini has been read.
void DemoPlaybackApplySettings();
// At the start of every main-loop pass: applies the recorded lines up to the next pass.
void DemoPlaybackBeginPass();
// The clock of the pass being replayed.
uint32_t DemoPlaybackClock();
bool DemoPlaybackPollEvent(PlatformEvent* ev);
// The next piece a network game's recording gave, in recorded order, once its line has been replayed.
bool DemoPlaybackNetTake(std::vector<uint8_t>& out);
// The main loop has ended: reads the check line and compares.
void DemoPlaybackFinish();

enum { DEMO_RESULT_NONE, DEMO_MATCH, DEMO_MISMATCH, DEMO_INCOMPLETE, DEMO_STOPPED };
// The outcome of a playback and a one-line report of it.
int DemoPlaybackResult(char* report, size_t size);
