// Demo recordings: the recorder (a fixed buffer written in blocks), the player (the whole file read once,
// then replayed line by line, one recorded pass per main-loop pass) and the world digest.
#include "demo/demo.h"

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "core/bounded.h"
#include "core/files.h"
#include "core/print.h"
#include "core/program.h"
#include "core/random.h"
#include "core/settings.h"
#include "game/players.h"
#include "game/world.h"
#include "input/input.h"
#include "platform/platform.h"
#include "platform/system.h"

namespace {

// ---- digest --------------------------------------------------------------------------------------------

// FNV-1a over the values, field by field (never over padding or pointers).
struct Hasher {
    uint64_t h = 0xcbf29ce484222325ULL;
    void Bytes(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 0x100000001b3ULL;
    }
    template <typename T>
    void Value(const T& v) {
        Bytes(&v, sizeof v);
    }
    template <typename T, size_t N>
    void Values(const T (&v)[N]) {
        for (const T& x : v) Value(x);
    }
};

void HashRecord(Hasher& h, int index, const ObjectRecord& r) {
    h.Value(index);
    h.Value(r.state), h.Value(r.type), h.Value(r.collisionFlag), h.Value(r.drawFlag);
    h.Value(r.frame), h.Value(r.animState), h.Value(r.radius), h.Value(r.health), h.Value(r.damage);
    h.Values(r.pos), h.Values(r.angles), h.Value(r.collided), h.Value(r.lifetime);
    const ControlFlags& c = r.controls;
    h.Value(c.forward), h.Value(c.back), h.Value(c.turnLeft), h.Value(c.turnRight), h.Value(c.strafeLeft);
    h.Value(c.strafeRight), h.Value(c.fire), h.Values(c.select), h.Values(c.spare);
    h.Values(r.owned), h.Values(r.ammo), h.Value(r.weapon), h.Value(r.reload), h.Value(r.fired);
    h.Value(r.score), h.Value(r.thinkTime);
    for (const Model& m : r.models) h.Value(m.frameCount);
}

// ---- shared line vocabulary ----------------------------------------------------------------------------

// The settings a recording carries in its header ("set KEY VALUE") and replays by.
constexpr uint8_t kRecorded = SETTING_RULE | SETTING_INPUT | SETTING_SCREEN;

// ---- recorder ------------------------------------------------------------------------------------------

constexpr size_t kBufferBytes = 256 * 1024;
constexpr size_t kFlushAt = kBufferBytes - 16 * 1024;  // room left for one pass however busy
constexpr uint32_t kFlushIntervalMs = 4000;

struct Recorder {
    FILE* file = nullptr;
    char path[512] = "";
    char buffer[kBufferBytes];
    size_t used = 0;
    bool on = false;
    bool started = false;       // the first pass has been recorded
    bool pendingEvent = false;  // an event was taken in this pass
    uint32_t lastFlush = 0;
    uint8_t keys[256] = {};
    uint8_t buttons[4] = {};
    bool joyPresent = false;  // as the header or the last "joystick" line says
    bool joyKnown = false;
    int32_t joyX = 0, joyY = 0, joyTurn = 0;
    uint32_t joyBits = 0;
    const char* names[256] = {};
};

struct Player {
    bool on = false;
    DemoPlayOptions options;
    char path[512] = "";
    std::vector<uint8_t> text;
    size_t pos = 0;
    int line = 0;
    bool done = false;     // no more lines are replayed
    bool atCheck = false;  // the next line is the check line
    int result = DEMO_RESULT_NONE;
    char report[400] = "";
    // header: the recorded keys as the recording gives them (absent ones at their classic values), and
    // whether it gave the screen size
    SettingsRecord settings;
    bool screenGiven[2] = {false, false};
    bool joystick = false;
    // the state the replayed devices report
    uint32_t clock = 0;
    bool clockStarted = false;
    uint32_t firstClock = 0, firstReal = 0;
    uint8_t keys[256] = {};
    int32_t mouseX = 0, mouseY = 0, wheel = 0;
    uint8_t buttons[4] = {};
    int32_t joyX = 0, joyY = 0, joyTurn = 0;
    uint8_t joyButtons[32] = {};
    bool joyFails = false;
    PlatformEvent events[32];
    int eventHead = 0, eventCount = 0;
    // what a network game's recording gives, in whole pieces, for the game to take in order
    std::vector<uint8_t> netPart;
    std::deque<std::vector<uint8_t>> net;
    // marks
    bool markFailed = false;
    uint64_t lastGoodMark = 0, firstBadMark = 0;
};

}  // namespace

// What a playing recording gives the input reads.
static bool DemoPlaybackJoystickPresent();
static void DemoPlaybackKeyboard(uint8_t keys[256]);
static void DemoPlaybackMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]);
static bool DemoPlaybackJoystick(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]);

// The recorder, the player, and the input source a playing recording gives.
struct DemoRecord {
    Recorder rec;
    Player play;
    InputSource source = {DemoPlaybackJoystickPresent, DemoPlaybackKeyboard, DemoPlaybackMouse, DemoPlaybackJoystick};
};
DemoRecord Demo;

void ResetDemo() {
    if (Demo.rec.file) fclose(Demo.rec.file);
    Demo.rec.file = nullptr;
    Demo.rec.on = false;
    Demo.play = Player{};
    InputSetTap(nullptr);
    InputSetSource(nullptr);
}

namespace {

void Put(const char* text, size_t n) {
    if (Demo.rec.used + n > kBufferBytes) return;  // cannot happen: the buffer is written out before it fills
    memcpy(Demo.rec.buffer + Demo.rec.used, text, n);
    Demo.rec.used += n;
}

void PutLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void PutLine(const char* fmt, ...) {
    char line[160];
    va_list args;
    va_start(args, fmt);
    int n = vsnprintf(line, sizeof line - 1, fmt, args);
    va_end(args);
    if (n < 0) return;
    if (size_t(n) > sizeof line - 2) n = int(sizeof line - 2);
    line[n++] = '\n';
    Put(line, size_t(n));
}

void StopRecording(const char* why) {
    char line[CONSOLE_LINE_BYTES + 64];
    snprintf(line, sizeof line, "Recording stopped: cannot write %.80s (%.40s)", Demo.rec.path, why);
    if (Demo.rec.file) fclose(Demo.rec.file);
    Demo.rec.file = nullptr;
    Demo.rec.on = false;
    InputSetTap(nullptr);
    Demo.rec.used = 0;
    PrintNotify(NOTIFY_GAME, line);
}

void Flush() {
    if (!Demo.rec.on) return;
    if (Demo.rec.used > 0 && fwrite(Demo.rec.buffer, 1, Demo.rec.used, Demo.rec.file) != Demo.rec.used) {
        StopRecording(strerror(errno));
        return;
    }
    Demo.rec.used = 0;
    if (fflush(Demo.rec.file) != 0) StopRecording(strerror(errno));
}

void PutKey(int code, bool down) {
    if (Demo.rec.names[code])
        PutLine("%s %s", down ? "down" : "up", Demo.rec.names[code]);
    else
        PutLine("%s 0x%02x", down ? "down" : "up", code);
}

// ---- player --------------------------------------------------------------------------------------------

// Splits the next line into at most four words; false at the end of the text.
// The longest line has five words (the joystick line with the right stick).
constexpr int kMaxWords = 5;

bool NextLine(char* words[kMaxWords], int* count, char* storage, size_t cap) {
    if (Demo.play.pos >= Demo.play.text.size()) return false;
    size_t start = Demo.play.pos, end = start;
    while (end < Demo.play.text.size() && Demo.play.text[end] != '\n') ++end;
    Demo.play.pos = end < Demo.play.text.size() ? end + 1 : end;
    ++Demo.play.line;
    size_t n = end - start;
    if (n > 0 && Demo.play.text[start + n - 1] == '\r') --n;
    if (n >= cap) n = cap - 1;
    memcpy(storage, Demo.play.text.data() + start, n);
    storage[n] = 0;
    *count = 0;
    char* p = storage;
    while (*p && *count < kMaxWords) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        words[(*count)++] = p;
        while (*p && *p != ' ' && *p != '\t') ++p;
        if (*p) *p++ = 0;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p) *count = kMaxWords + 1;  // more words than any line has
    return true;
}

bool ParseInt(const char* s, int64_t lo, int64_t hi, int64_t* out) {
    if (!s || !*s) return false;
    char* end = nullptr;
    errno = 0;
    long long v = strtoll(s, &end, 0);
    if (errno || *end || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ParseDigest(const char* s, uint64_t* out) {
    if (!s || strlen(s) != 16) return false;
    char* end = nullptr;
    unsigned long long v = strtoull(s, &end, 16);
    if (*end) return false;
    *out = v;
    return true;
}

int KeyCode(const char* name) { return DikFromName(name); }

void StopPlayback(int result, const char* report) {
    Demo.play.done = true;
    if (Demo.play.result == DEMO_RESULT_NONE) {
        Demo.play.result = result;
        CopyBounded(Demo.play.report, report);
    }
    PostQuit(0);
}

void Corrupt(const char* why, const char* text) {
    char report[400];
    snprintf(report, sizeof report, "recording %.120s: line %d is not valid (%.60s: %.60s); replayed to tick %" PRIu64,
             Demo.play.path, Demo.play.line, why, text, Program.TickCount);
    StopPlayback(DEMO_INCOMPLETE, report);
}

void PushEvent(int type, int code) {
    if (Demo.play.eventCount == 32) return;
    Demo.play.events[(Demo.play.eventHead + Demo.play.eventCount) % 32] = {type, code};
    ++Demo.play.eventCount;
}

// The real window while a recording plays in it: a close, or the player's Escape, stops the playback.
void WatchPlayer() {
    PlatformEvent ev;
    bool stop = false;
    while (PlatformPollEvent(&ev))
        if (ev.type == PE_QUIT) stop = true;
    uint8_t keys[256];
    PlatformReadKeyboard(keys);
    if (keys[DIK_ESCAPE] & 0x80) stop = true;
    if (stop) {
        char report[200];
        snprintf(report, sizeof report, "playback stopped by the player at tick %" PRIu64, Program.TickCount);
        StopPlayback(DEMO_STOPPED, report);
    }
}

// Applies one line of a pass. True when the line was a pass (the pass may run now).
bool ApplyLine(char* w[kMaxWords], int n, const char* raw) {
    int64_t a = 0, b = 0;
    if (n == 0 || w[0][0] == '#') return false;
    const char* cmd = w[0];
    if (!strcmp(cmd, "pass") && n == 2 && ParseInt(w[1], 0, UINT32_MAX, &a)) {
        Demo.play.clock = uint32_t(a);
        if (Demo.play.options.setClock) Demo.play.options.setClock(Demo.play.clock);
        return true;
    }
    if ((!strcmp(cmd, "down") || !strcmp(cmd, "up")) && n == 2) {
        int code = KeyCode(w[1]);
        if (code < 0) return Corrupt("unknown key", raw), false;
        Demo.play.keys[code] = cmd[0] == 'd' ? 0x80 : 0;
    } else if (!strcmp(cmd, "mouse") && (n == 3 || n == 4) && ParseInt(w[1], INT32_MIN, INT32_MAX, &a) &&
               ParseInt(w[2], INT32_MIN, INT32_MAX, &b)) {
        // "mouse X Y", with the wheel's turn as a fourth word when it is not 0.
        int64_t wheel = 0;
        if (n == 4 && !ParseInt(w[3], INT32_MIN, INT32_MAX, &wheel)) return Corrupt("bad mouse wheel", raw), false;
        Demo.play.mouseX = int32_t(a), Demo.play.mouseY = int32_t(b), Demo.play.wheel = int32_t(wheel);
    } else if (!strcmp(cmd, "button") && n == 3 && ParseInt(w[1], 0, 3, &a) &&
               (!strcmp(w[2], "down") || !strcmp(w[2], "up"))) {
        Demo.play.buttons[a] = w[2][0] == 'd' ? 0x80 : 0;
    } else if (!strcmp(cmd, "joy") && n == 2 && !strcmp(w[1], "none")) {
        Demo.play.joyFails = true;
    } else if (!strcmp(cmd, "joy") && (n == 4 || n == 5) && ParseInt(w[1], INT32_MIN, INT32_MAX, &a) &&
               ParseInt(w[2], INT32_MIN, INT32_MAX, &b)) {
        // "joy X Y BUTTONS", with the right stick's turn as a fifth word when it is not 0.
        int64_t bits = 0, turn = 0;
        if (!ParseInt(w[3], 0, UINT32_MAX, &bits)) return Corrupt("bad joystick buttons", raw), false;
        if (n == 5 && !ParseInt(w[4], INT32_MIN, INT32_MAX, &turn)) return Corrupt("bad joystick turn", raw), false;
        Demo.play.joyX = int32_t(a), Demo.play.joyY = int32_t(b), Demo.play.joyTurn = int32_t(turn);
        for (int i = 0; i < 32; ++i) Demo.play.joyButtons[i] = (uint64_t(bits) >> i) & 1 ? 0x80 : 0;
    } else if (!strcmp(cmd, "joystick") && n == 2 && ParseInt(w[1], 0, 1, &a)) {
        // A pad plugged in or pulled out during the recording; one that went holds nothing.
        Demo.play.joystick = a != 0;
        Demo.play.joyX = Demo.play.joyY = Demo.play.joyTurn = 0;
        memset(Demo.play.joyButtons, 0, sizeof Demo.play.joyButtons);
        Demo.play.joyFails = false;
    } else if (!strcmp(cmd, "focus") && n == 2 && (!strcmp(w[1], "lost") || !strcmp(w[1], "gained"))) {
        PushEvent(PE_ACTIVATE, w[1][0] == 'g' ? 1 : 0);
    } else if (!strcmp(cmd, "quit") && n == 1) {
        PushEvent(PE_QUIT, 0);
    } else if (!strcmp(cmd, "resize") && n == 3 && ParseInt(w[1], SCREEN_MIN_W, SCREEN_MAX_W, &a) &&
               ParseInt(w[2], SCREEN_MIN_H, SCREEN_MAX_H, &b)) {
        PushEvent(PE_RESIZE, int((a << 16) | b));
    } else if (!strcmp(cmd, "seed") && n == 2 && ParseInt(w[1], 0, UINT32_MAX, &a)) {
        SeedRandom(uint32_t(a));
    } else if ((!strcmp(cmd, "net") || !strcmp(cmd, "net+")) && n == 2) {
        // A piece of what a network game gave the recorded game, as hexadecimal bytes ("-" for none).
        const char* hex = w[1];
        const size_t len = strcmp(hex, "-") == 0 ? 0 : strlen(hex);
        if (len % 2 || len > 128 || Demo.play.netPart.size() > 4096) return Corrupt("bad network bytes", raw), false;
        for (size_t i = 0; i < len; i += 2) {
            char pair[3] = {hex[i], hex[i + 1], 0};
            char* end = nullptr;
            const unsigned long v = strtoul(pair, &end, 16);
            if (*end) return Corrupt("bad network bytes", raw), false;
            Demo.play.netPart.push_back(uint8_t(v));
        }
        if (cmd[3] == 0) {
            Demo.play.net.push_back(std::move(Demo.play.netPart));
            Demo.play.netPart.clear();
        }
    } else if (!strcmp(cmd, "mark") && n == 3 && ParseInt(w[1], 0, INT64_MAX, &a)) {
        uint64_t recorded = 0;
        if (!ParseDigest(w[2], &recorded)) return Corrupt("bad digest", raw), false;
        if (Demo.play.markFailed) return false;
        if (uint64_t(a) == Program.TickCount && WorldDigest() == recorded) {
            Demo.play.lastGoodMark = uint64_t(a);
        } else {
            Demo.play.markFailed = true;
            Demo.play.firstBadMark = uint64_t(a);
        }
    } else {
        Corrupt("not a recording line", raw);
    }
    return false;
}

}  // namespace

namespace {

// The world as both digests see it; the game state, the tick and whether mouse look counts are the
// caller's. A network game adds its players' frags, deaths and countdowns.
uint64_t DigestOf(int32_t gameState, uint64_t tick, bool mouseLook) {
    Hasher h;
    h.Value(gameState);
    h.Value(tick);
    h.Value(RandomState());
    for (int i = 0; i < OBJECT_COUNT; ++i)
        if (i == 0 || World.ObjectTable[i].state != 0) HashRecord(h, i, World.ObjectTable[i]);
    for (int i = 0; i < MISSILE_COUNT; ++i)
        if (World.MissileTable[i].state != 0) HashRecord(h, 1000 + i, World.MissileTable[i]);
    for (const WeaponRecord& w : World.WeaponTable) {
        h.Values(w.screenPos), h.Values(w.screenRot), h.Value(w.frame), h.Value(w.damage), h.Value(w.reloadTime);
        for (const Model& m : w.models) h.Value(m.frameCount);
    }
    h.Value(World.MonstersAtStart), h.Value(World.ItemsAtStart), h.Value(World.MonstersLeft), h.Value(World.ItemsLeft);
    h.Values(World.ExitPoint);
    if (mouseLook) h.Value(uint8_t(Settings.MOUSELOOK != 0));  // hashed as the one-byte flag it was
    if (Players.network) {
        h.Value(Players.mode), h.Value(Players.levelTicks);
        for (const PlayerSlot& s : Players.slots) {
            h.Value(s.present), h.Value(s.frags), h.Value(s.deaths), h.Value(s.respawnTicks);
            h.Value(s.lastAttacker), h.Value(s.viewFrame);
        }
    }
    return h.h;
}

}  // namespace

uint64_t WorldDigest() { return DigestOf(Program.GameState, Program.TickCount, true); }

uint64_t NetWorldDigest(uint64_t tick) { return DigestOf(Program.GameState, tick, false); }

// ---- recording -----------------------------------------------------------------------------------------

static void RecordRead(int joystick) {
    const JoystickRecord& j = Input.JoyState;
    // A pad plugged in or pulled out: the replay's joystick comes or goes at the same read.
    if (Demo.rec.on && Input.JoystickPresent != Demo.rec.joyPresent) {
        Demo.rec.joyPresent = Input.JoystickPresent;
        Demo.rec.joyKnown = false;
        PutLine("joystick %d", Demo.rec.joyPresent ? 1 : 0);
    }
    if (joystick < 0) DemoRecordJoystickFailed();
    DemoRecordInput(Input.KeyState, Input.MouseState, joystick > 0, j.lX, j.lY, j.lRx, j.rgbButtons);
}

bool DemoRecordStart(const char* path) {
    if (Demo.rec.on) return true;
    CopyBounded(Demo.rec.path, sizeof Demo.rec.path, path);
    Demo.rec.file = fopen(path, "wb");
    if (!Demo.rec.file) {
        char line[CONSOLE_LINE_BYTES + 64];
        snprintf(line, sizeof line, "Cannot record to %.80s (%.40s): playing unrecorded", path, strerror(errno));
        PrintNotify(NOTIFY_GAME, line);
        return false;
    }
    for (int i = 0; i < 256; ++i) Demo.rec.names[i] = DikNameOf(i);
    Demo.rec.on = true;
    InputSetTap(RecordRead);
    Demo.rec.used = 0;
    Demo.rec.started = false;
    Demo.rec.pendingEvent = false;
    memset(Demo.rec.keys, 0, sizeof Demo.rec.keys);
    memset(Demo.rec.buttons, 0, sizeof Demo.rec.buttons);
    Demo.rec.joyPresent = Input.JoystickPresent;
    Demo.rec.joyKnown = false;
    Demo.rec.lastFlush = PlatformTicksMs();
    PutLine("zarvo-demo %d", DEMO_VERSION);
    PutLine("# %s", Program.WindowTitle);
    PutLine("set SCREENX %d", int(Settings.SCREENX));
    PutLine("set SCREENY %d", int(Settings.SCREENY));
    // The rules beyond the classic game that are on, the options that change what the input does (mouse
    // speed, mouse look, joystick, bindings) and how the screen shows the game (the view's scale, the frame
    // rate in use, the near cut) where they are not the classic ones; a recording without them plays the
    // classic game.
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingDef& d = kSettings[i];
        if ((d.flags & kRecorded) && Settings.*d.field != d.byDefault)
            PutLine("set %s %d", d.name, int(Settings.*d.field));
    }
    PutLine("joystick %d", Demo.rec.joyPresent ? 1 : 0);
    PutLine("seed %" PRIu32, RandomState());
    Flush();
    return Demo.rec.on;
}

bool DemoRecording() { return Demo.rec.on; }

void DemoRecordInput(const uint8_t keys[256], const MouseRecord& mouse, bool joystickRead, int32_t joyX, int32_t joyY,
                     int32_t joyTurn, const uint8_t joyButtons[32]) {
    if (!Demo.rec.on) return;
    // Most ticks see the keyboard of the tick before: one comparison settles it.
    if (memcmp(keys, Demo.rec.keys, 256) != 0) {
        for (int k = 0; k < 256; ++k) {
            bool down = keys[k] & 0x80;
            if (down != bool(Demo.rec.keys[k] & 0x80)) PutKey(k, down);
        }
        memcpy(Demo.rec.keys, keys, 256);
    }
    if (mouse.lZ)
        PutLine("mouse %d %d %d", int(mouse.lX), int(mouse.lY), int(mouse.lZ));
    else if (mouse.lX || mouse.lY)
        PutLine("mouse %d %d", int(mouse.lX), int(mouse.lY));
    for (int b = 0; b < 4; ++b) {
        bool down = mouse.rgbButtons[b] != 0;
        if (down != (Demo.rec.buttons[b] != 0)) PutLine("button %d %s", b, down ? "down" : "up");
        Demo.rec.buttons[b] = down ? 0x80 : 0;
    }
    if (joystickRead) {
        uint32_t bits = 0;
        for (int i = 0; i < 32; ++i)
            if (joyButtons[i]) bits |= 1u << i;
        if (!Demo.rec.joyKnown || joyX != Demo.rec.joyX || joyY != Demo.rec.joyY || joyTurn != Demo.rec.joyTurn ||
            bits != Demo.rec.joyBits) {
            if (joyTurn)
                PutLine("joy %d %d 0x%08" PRIx32 " %d", int(joyX), int(joyY), bits, int(joyTurn));
            else
                PutLine("joy %d %d 0x%08" PRIx32, int(joyX), int(joyY), bits);
        }
        Demo.rec.joyKnown = true;
        Demo.rec.joyX = joyX, Demo.rec.joyY = joyY, Demo.rec.joyTurn = joyTurn, Demo.rec.joyBits = bits;
    }
}

void DemoRecordNet(const uint8_t* bytes, size_t size) {
    if (!Demo.rec.on) return;
    // Written in pieces of at most 64 bytes, one line each: "net+" for a piece another one follows.
    size_t at = 0;
    do {
        const size_t n = size - at < 64 ? size - at : 64;
        char hex[129] = "-";
        for (size_t i = 0; i < n; ++i) snprintf(hex + 2 * i, 3, "%02x", bytes[at + i]);
        at += n;
        PutLine("%s %s", at < size ? "net+" : "net", hex);
    } while (at < size);
}

void DemoRecordJoystickFailed() {
    if (Demo.rec.on) PutLine("joy none");
}

void DemoRecordSeed(uint32_t seed) {
    if (Demo.rec.on) PutLine("seed %" PRIu32, seed);
}

void DemoRecordEvent(const PlatformEvent& ev) {
    if (!Demo.rec.on) return;
    if (ev.type == PE_QUIT)
        PutLine("quit");
    else if (ev.type == PE_ACTIVATE)
        PutLine("focus %s", ev.code == 0 ? "lost" : "gained");
    else if (ev.type == PE_RESIZE)
        PutLine("resize %d %d", int(uint32_t(ev.code) >> 16), ev.code & 0xFFFF);
    else
        return;
    Demo.rec.pendingEvent = true;
}

void DemoRecordPass(uint32_t clock, bool didWork) {
    if (!Demo.rec.on) return;
    if (!didWork && Demo.rec.started && !Demo.rec.pendingEvent) return;
    PutLine("pass %" PRIu32, clock);
    Demo.rec.started = true;
    Demo.rec.pendingEvent = false;
    if (Demo.rec.used >= kFlushAt || uint32_t(PlatformTicksMs() - Demo.rec.lastFlush) >= kFlushIntervalMs) {
        Demo.rec.lastFlush = PlatformTicksMs();
        Flush();
    }
}

void DemoRecordTick() {
    if (!Demo.rec.on || Program.TickCount % DEMO_MARK_TICKS != 0) return;
    PutLine("mark %" PRIu64 " %016" PRIx64, Program.TickCount, WorldDigest());
}

void DemoRecordFinish() {
    if (!Demo.rec.on) return;
    PutLine("check %" PRIu64 " %016" PRIx64, Program.TickCount, WorldDigest());
    Flush();
    if (!Demo.rec.on) return;
    if (fclose(Demo.rec.file) != 0) {
        Demo.rec.file = nullptr;
        StopRecording(strerror(errno));
        return;
    }
    Demo.rec.file = nullptr;
    Demo.rec.on = false;
    InputSetTap(nullptr);
}

// ---- playback ------------------------------------------------------------------------------------------

bool DemoFileLooksLikeDemo(const char* path) {
    // Only a regular file is looked into: reading the start of a pipe would take it from the script.
    if (PlatformPathKind(path) != PATH_FILE) return false;
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    char head[16] = "";
    size_t n = fread(head, 1, 11, f);
    fclose(f);
    return n == 11 && memcmp(head, "zarvo-demo ", 11) == 0;
}

bool DemoPlayStart(const char* path, const DemoPlayOptions& options, char* err, size_t errSize) {
    Demo.play = Player{};
    ResetSettingsToDefaults(Demo.play.settings);
    Demo.play.options = options;
    CopyBounded(Demo.play.path, sizeof Demo.play.path, path);
    if (!ReadFileBounded(path, size_t(1) << 30, Demo.play.text)) {
        snprintf(err, errSize, "cannot read the recording %s", path);
        return false;
    }
    char storage[256];
    char* w[kMaxWords];
    int n = 0;
    int64_t version = 0;
    if (!NextLine(w, &n, storage, sizeof storage) || n != 2 || strcmp(w[0], "zarvo-demo") != 0 ||
        !ParseInt(w[1], 0, INT32_MAX, &version)) {
        snprintf(err, errSize, "%s is not a zarvo-demo recording", path);
        return false;
    }
    if (version != DEMO_VERSION) {
        snprintf(err, errSize, "%s is a zarvo-demo %d recording; this build replays version %d only", path,
                 int(version), DEMO_VERSION);
        return false;
    }
    // Header lines, up to the first line of the first pass.
    for (;;) {
        size_t lineStart = Demo.play.pos;
        int lineNo = Demo.play.line;
        if (!NextLine(w, &n, storage, sizeof storage)) break;
        if (n == 0 || w[0][0] == '#') continue;
        int64_t v = 0;
        if (!strcmp(w[0], "set") && n == 3 && ParseInt(w[2], INT32_MIN, INT32_MAX, &v)) {
            // Only the screen sizes the game has: any other would be a frame it cannot make.
            const bool width = !strcmp(w[1], "SCREENX"), height = !strcmp(w[1], "SCREENY");
            if ((width && (v < SCREEN_MIN_W || v > SCREEN_MAX_W)) ||
                (height && (v < SCREEN_MIN_H || v > SCREEN_MAX_H))) {
                snprintf(err, errSize, "%s line %d: %s %d is not a screen size of the game", path, Demo.play.line, w[1],
                         int(v));
                return false;
            }
            const SettingDef* d = FindSetting(w[1]);
            if (!d || !(width || height || (d->flags & kRecorded))) {
                snprintf(err, errSize, "%s line %d: unknown setting %s", path, Demo.play.line, w[1]);
                return false;
            }
            SetSettingNumber(Demo.play.settings, *d, int32_t(v));
            if (width || height) Demo.play.screenGiven[height ? 1 : 0] = true;
        } else if (!strcmp(w[0], "joystick") && n == 2 && ParseInt(w[1], 0, 1, &v)) {
            Demo.play.joystick = v != 0;
        } else {
            Demo.play.pos = lineStart;  // the first pass begins here
            Demo.play.line = lineNo;
            break;
        }
    }
    // Where the replay's clock is set, it stands at the recorded game's first pass from the start: start-up
    // and the log's records count from the recording's own start, so no record is stamped before it.
    if (Demo.play.options.setClock) {
        const size_t pos = Demo.play.pos;
        const int line = Demo.play.line;
        int64_t first = 0;
        while (NextLine(w, &n, storage, sizeof storage))
            if (n == 2 && !strcmp(w[0], "pass") && ParseInt(w[1], 0, UINT32_MAX, &first)) {
                Demo.play.options.setClock(uint32_t(first));
                break;
            }
        Demo.play.pos = pos;
        Demo.play.line = line;
    }
    Demo.play.on = true;
    InputSetSource(&Demo.source);
    return true;
}

bool DemoPlaying() { return Demo.play.on; }

void DemoPlayStop() {
    if (!Demo.play.on) return;
    Demo.play = Player{};
    InputSetSource(nullptr);
}

void DemoPlaybackApplySettings() {
    if (!Demo.play.on) return;
    if (Demo.play.screenGiven[0]) Settings.SCREENX = Demo.play.settings.SCREENX;
    if (Demo.play.screenGiven[1]) Settings.SCREENY = Demo.play.settings.SCREENY;
    // The recording's screen size is the one used, whatever SCREENSIZE says here (a window's resizes come
    // from the recording too).
    const bool classic = (Settings.SCREENX == 640 || Settings.SCREENX == 800 || Settings.SCREENX == 1024) &&
                         (Settings.SCREENY == 480 || Settings.SCREENY == 600 || Settings.SCREENY == 768);
    Settings.SCREENSIZE = classic ? SCREENSIZE_CLASSIC : ScreenSizeValue(Settings.SCREENX, Settings.SCREENY);
    // The rules, input options and the screen's keys are the recording's, whatever this player's config.ini
    // says.
    for (int i = 0; i < kSettingCount; ++i)
        if (kSettings[i].flags & kRecorded) Settings.*kSettings[i].field = Demo.play.settings.*kSettings[i].field;
}

static bool DemoPlaybackJoystickPresent() { return Demo.play.on && Demo.play.joystick; }

void DemoPlaybackBeginPass() {
    if (!Demo.play.on) return;
    if (Demo.play.options.realtime) WatchPlayer();
    if (Demo.play.done) return;
    if (Demo.play.atCheck) {
        // The recorded game ended after the previous pass; this one goes on.
        char report[300];
        snprintf(report, sizeof report,
                 "replay differs from the recording: the recorded game ended at line %d, the replay runs on past "
                 "tick %" PRIu64,
                 Demo.play.line, Program.TickCount);
        StopPlayback(DEMO_MISMATCH, report);
        return;
    }
    char storage[256];
    char* w[kMaxWords];
    int n = 0;
    for (;;) {
        size_t lineStart = Demo.play.pos;
        int lineNo = Demo.play.line;
        if (!NextLine(w, &n, storage, sizeof storage)) {
            char report[300];
            snprintf(report, sizeof report,
                     "recording %.120s ends at line %d without its check line; replayed to tick %" PRIu64,
                     Demo.play.path, Demo.play.line, Program.TickCount);
            StopPlayback(DEMO_INCOMPLETE, report);
            return;
        }
        if (n >= 1 && !strcmp(w[0], "check")) {
            Demo.play.pos = lineStart;
            Demo.play.line = lineNo;
            Demo.play.atCheck = true;
            return;
        }
        if (n > kMaxWords) {
            Corrupt("too many words", w[0]);
            return;
        }
        // The line as written, for a report.
        char raw[64] = "";
        for (int i = 0; i < n; ++i) {
            size_t used = strlen(raw);
            snprintf(raw + used, sizeof raw - used, "%s%s", i ? " " : "", w[i]);
        }
        if (ApplyLine(w, n, raw)) break;
        if (Demo.play.done) return;
    }
    if (Demo.play.options.realtime) {
        // Each pass runs when as much real time has gone by as had in the recording.
        if (!Demo.play.clockStarted) {
            Demo.play.clockStarted = true;
            Demo.play.firstClock = Demo.play.clock;
            Demo.play.firstReal = PlatformTicksMs();
        }
        uint32_t due = Demo.play.firstReal + (Demo.play.clock - Demo.play.firstClock);
        while (!Demo.play.done && int32_t(PlatformTicksMs() - due) < 0) {
            PlatformDelayMs(1);
            WatchPlayer();
        }
    }
}

uint32_t DemoPlaybackClock() { return Demo.play.clock; }

bool DemoPlaybackNetTake(std::vector<uint8_t>& out) {
    if (!Demo.play.on || Demo.play.net.empty()) return false;
    out = std::move(Demo.play.net.front());
    Demo.play.net.pop_front();
    return true;
}

bool DemoPlaybackPollEvent(PlatformEvent* ev) {
    if (!Demo.play.on || Demo.play.eventCount == 0) return false;
    *ev = Demo.play.events[Demo.play.eventHead];
    Demo.play.eventHead = (Demo.play.eventHead + 1) % 32;
    --Demo.play.eventCount;
    return true;
}

static void DemoPlaybackKeyboard(uint8_t keys[256]) { memcpy(keys, Demo.play.keys, 256); }

static void DemoPlaybackMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]) {
    *dx = Demo.play.mouseX;
    *dy = Demo.play.mouseY;
    *dz = Demo.play.wheel;
    Demo.play.mouseX = Demo.play.mouseY = Demo.play.wheel = 0;
    memcpy(buttons, Demo.play.buttons, 4);
}

static bool DemoPlaybackJoystick(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]) {
    if (Demo.play.joyFails) {
        Demo.play.joyFails = false;
        return false;
    }
    *x = Demo.play.joyX;
    *y = Demo.play.joyY;
    *turn = Demo.play.joyTurn;
    memcpy(buttons, Demo.play.joyButtons, 32);
    return true;
}

void DemoPlaybackFinish() {
    if (!Demo.play.on) return;
    if (Demo.play.options.atEnd) Demo.play.options.atEnd();
    if (Demo.play.result != DEMO_RESULT_NONE) return;
    char storage[256];
    char* w[kMaxWords];
    int n = 0;
    // Past any comment, the next line must be the check line.
    do {
        if (!NextLine(w, &n, storage, sizeof storage)) {
            char report[300];
            snprintf(report, sizeof report,
                     "recording %.120s ends at line %d without its check line; replayed to tick %" PRIu64,
                     Demo.play.path, Demo.play.line, Program.TickCount);
            Demo.play.result = DEMO_INCOMPLETE;
            CopyBounded(Demo.play.report, report);
            return;
        }
    } while (n == 0 || w[0][0] == '#');
    int64_t tick = 0;
    uint64_t recorded = 0;
    if (strcmp(w[0], "check") != 0 || n != 3 || !ParseInt(w[1], 0, INT64_MAX, &tick) || !ParseDigest(w[2], &recorded)) {
        char report[300];
        snprintf(report, sizeof report,
                 "replay differs from the recording: the replayed game ended at tick %" PRIu64
                 ", the recording goes on at line %d",
                 Program.TickCount, Demo.play.line);
        Demo.play.result = DEMO_MISMATCH;
        CopyBounded(Demo.play.report, report);
        return;
    }
    uint64_t digest = WorldDigest();
    char report[400];
    if (digest == recorded && uint64_t(tick) == Program.TickCount && !Demo.play.markFailed) {
        snprintf(report, sizeof report, "replay matches the recording: tick %" PRIu64 ", digest %016" PRIx64,
                 Program.TickCount, digest);
        Demo.play.result = DEMO_MATCH;
    } else {
        int len = snprintf(report, sizeof report,
                           "replay differs from the recording: digest %016" PRIx64 " at tick %" PRIu64
                           ", recorded %016" PRIx64 " at tick %" PRId64,
                           digest, Program.TickCount, recorded, tick);
        if (Demo.play.markFailed && len > 0 && size_t(len) < sizeof report)
            snprintf(report + len, sizeof report - size_t(len),
                     "; the world first differs after tick %" PRIu64 " and by tick %" PRIu64, Demo.play.lastGoodMark,
                     Demo.play.firstBadMark);
        Demo.play.result = DEMO_MISMATCH;
    }
    CopyBounded(Demo.play.report, report);
}

int DemoPlaybackResult(char* report, size_t size) {
    CopyBounded(report, size, Demo.play.report);
    return Demo.play.result;
}
