// Demo recordings: the recorder (a fixed buffer written in blocks), the player (the whole file read once,
// then replayed line by line, one recorded pass per main-loop pass) and the world digest.
#include "demo/demo.h"

#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/bounded.h"
#include "core/files.h"
#include "core/print.h"
#include "core/program.h"
#include "core/random.h"
#include "core/settings.h"
#include "game/world.h"
#include "input/input.h"
#include "platform/platform.h"

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

const char* KeyName(int code) {
    for (const DikName* d = DikNames; d->name; ++d)
        if (d->code == code) return d->name;
    return nullptr;
}

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
Recorder Rec;

void Put(const char* text, size_t n) {
    if (Rec.used + n > kBufferBytes) return;  // cannot happen: the buffer is written out before it fills
    memcpy(Rec.buffer + Rec.used, text, n);
    Rec.used += n;
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
    snprintf(line, sizeof line, "Recording stopped: cannot write %.80s (%.40s)", Rec.path, why);
    if (Rec.file) fclose(Rec.file);
    Rec.file = nullptr;
    Rec.on = false;
    InputSetTap(nullptr);
    Rec.used = 0;
    PrintNotify(NOTIFY_GAME, line);
}

void Flush() {
    if (!Rec.on) return;
    if (Rec.used > 0 && fwrite(Rec.buffer, 1, Rec.used, Rec.file) != Rec.used) {
        StopRecording(strerror(errno));
        return;
    }
    Rec.used = 0;
    if (fflush(Rec.file) != 0) StopRecording(strerror(errno));
}

void PutKey(int code, bool down) {
    if (Rec.names[code])
        PutLine("%s %s", down ? "down" : "up", Rec.names[code]);
    else
        PutLine("%s 0x%02x", down ? "down" : "up", code);
}

// ---- player --------------------------------------------------------------------------------------------

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
    // header
    struct Setting {
        const char* name;
        int32_t value;
        bool given;
    } settings[2] = {{"SCREENX", 0, false}, {"SCREENY", 0, false}};
    int32_t rules[kRuleKeyCount] = {};     // the rule keys' values, in kRuleKeys order; absent ones are 0
    int32_t inputs[kInputKeyCount] = {};   // the input options, in kInputKeys order
    bool inputGiven[kInputKeyCount] = {};  // absent ones are their classic values
    bool joystick = false;
    // the state the replayed devices report
    uint32_t clock = 0;
    bool clockStarted = false;
    uint32_t firstClock = 0, firstReal = 0;
    uint8_t keys[256] = {};
    int32_t mouseX = 0, mouseY = 0;
    uint8_t buttons[4] = {};
    int32_t joyX = 0, joyY = 0, joyTurn = 0;
    uint8_t joyButtons[32] = {};
    bool joyFails = false;
    PlatformEvent events[32];
    int eventHead = 0, eventCount = 0;
    // marks
    bool markFailed = false;
    uint64_t lastGoodMark = 0, firstBadMark = 0;
};
Player Play;

// Splits the next line into at most four words; false at the end of the text.
// The longest line has five words (the joystick line with the right stick).
constexpr int kMaxWords = 5;

bool NextLine(char* words[kMaxWords], int* count, char* storage, size_t cap) {
    if (Play.pos >= Play.text.size()) return false;
    size_t start = Play.pos, end = start;
    while (end < Play.text.size() && Play.text[end] != '\n') ++end;
    Play.pos = end < Play.text.size() ? end + 1 : end;
    ++Play.line;
    size_t n = end - start;
    if (n > 0 && Play.text[start + n - 1] == '\r') --n;
    if (n >= cap) n = cap - 1;
    memcpy(storage, Play.text.data() + start, n);
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
    Play.done = true;
    if (Play.result == DEMO_RESULT_NONE) {
        Play.result = result;
        CopyBounded(Play.report, report);
    }
    PostQuit(0);
}

void Corrupt(const char* why, const char* text) {
    char report[400];
    snprintf(report, sizeof report, "recording %.120s: line %d is not valid (%.60s: %.60s); replayed to tick %" PRIu64,
             Play.path, Play.line, why, text, Program.TickCount);
    StopPlayback(DEMO_INCOMPLETE, report);
}

void PushEvent(int type, int code) {
    if (Play.eventCount == 32) return;
    Play.events[(Play.eventHead + Play.eventCount) % 32] = {type, code};
    ++Play.eventCount;
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
        Play.clock = uint32_t(a);
        if (Play.options.setClock) Play.options.setClock(Play.clock);
        return true;
    }
    if ((!strcmp(cmd, "down") || !strcmp(cmd, "up")) && n == 2) {
        int code = KeyCode(w[1]);
        if (code < 0) return Corrupt("unknown key", raw), false;
        Play.keys[code] = cmd[0] == 'd' ? 0x80 : 0;
    } else if (!strcmp(cmd, "mouse") && n == 3 && ParseInt(w[1], INT32_MIN, INT32_MAX, &a) &&
               ParseInt(w[2], INT32_MIN, INT32_MAX, &b)) {
        Play.mouseX = int32_t(a), Play.mouseY = int32_t(b);
    } else if (!strcmp(cmd, "button") && n == 3 && ParseInt(w[1], 0, 3, &a) &&
               (!strcmp(w[2], "down") || !strcmp(w[2], "up"))) {
        Play.buttons[a] = w[2][0] == 'd' ? 0x80 : 0;
    } else if (!strcmp(cmd, "joy") && n == 2 && !strcmp(w[1], "none")) {
        Play.joyFails = true;
    } else if (!strcmp(cmd, "joy") && (n == 4 || n == 5) && ParseInt(w[1], INT32_MIN, INT32_MAX, &a) &&
               ParseInt(w[2], INT32_MIN, INT32_MAX, &b)) {
        // "joy X Y BUTTONS", with the right stick's turn as a fifth word when it is not 0.
        int64_t bits = 0, turn = 0;
        if (!ParseInt(w[3], 0, UINT32_MAX, &bits)) return Corrupt("bad joystick buttons", raw), false;
        if (n == 5 && !ParseInt(w[4], INT32_MIN, INT32_MAX, &turn)) return Corrupt("bad joystick turn", raw), false;
        Play.joyX = int32_t(a), Play.joyY = int32_t(b), Play.joyTurn = int32_t(turn);
        for (int i = 0; i < 32; ++i) Play.joyButtons[i] = (uint64_t(bits) >> i) & 1 ? 0x80 : 0;
    } else if (!strcmp(cmd, "joystick") && n == 2 && ParseInt(w[1], 0, 1, &a)) {
        // A pad plugged in or pulled out during the recording; one that went holds nothing.
        Play.joystick = a != 0;
        Play.joyX = Play.joyY = Play.joyTurn = 0;
        memset(Play.joyButtons, 0, sizeof Play.joyButtons);
        Play.joyFails = false;
    } else if (!strcmp(cmd, "focus") && n == 2 && (!strcmp(w[1], "lost") || !strcmp(w[1], "gained"))) {
        PushEvent(PE_ACTIVATE, w[1][0] == 'g' ? 1 : 0);
    } else if (!strcmp(cmd, "quit") && n == 1) {
        PushEvent(PE_QUIT, 0);
    } else if (!strcmp(cmd, "seed") && n == 2 && ParseInt(w[1], 0, UINT32_MAX, &a)) {
        SeedRandom(uint32_t(a));
    } else if (!strcmp(cmd, "mark") && n == 3 && ParseInt(w[1], 0, INT64_MAX, &a)) {
        uint64_t recorded = 0;
        if (!ParseDigest(w[2], &recorded)) return Corrupt("bad digest", raw), false;
        if (Play.markFailed) return false;
        if (uint64_t(a) == Program.TickCount && WorldDigest() == recorded) {
            Play.lastGoodMark = uint64_t(a);
        } else {
            Play.markFailed = true;
            Play.firstBadMark = uint64_t(a);
        }
    } else {
        Corrupt("not a recording line", raw);
    }
    return false;
}

}  // namespace

uint64_t WorldDigest() {
    Hasher h;
    h.Value(Program.GameState);
    h.Value(Program.TickCount);
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
    h.Value(World.MouseLook);
    return h.h;
}

// ---- recording -----------------------------------------------------------------------------------------

static void RecordRead(int joystick) {
    const JoystickRecord& j = Input.JoyState;
    // A pad plugged in or pulled out: the replay's joystick comes or goes at the same read.
    if (Rec.on && Input.JoystickPresent != Rec.joyPresent) {
        Rec.joyPresent = Input.JoystickPresent;
        Rec.joyKnown = false;
        PutLine("joystick %d", Rec.joyPresent ? 1 : 0);
    }
    if (joystick < 0) DemoRecordJoystickFailed();
    DemoRecordInput(Input.KeyState, Input.MouseState, joystick > 0, j.lX, j.lY, j.lRx, j.rgbButtons);
}

bool DemoRecordStart(const char* path) {
    if (Rec.on) return true;
    CopyBounded(Rec.path, sizeof Rec.path, path);
    Rec.file = fopen(path, "wb");
    if (!Rec.file) {
        char line[CONSOLE_LINE_BYTES + 64];
        snprintf(line, sizeof line, "Cannot record to %.80s (%.40s): playing unrecorded", path, strerror(errno));
        PrintNotify(NOTIFY_GAME, line);
        return false;
    }
    for (int i = 0; i < 256; ++i) Rec.names[i] = KeyName(i);
    Rec.on = true;
    InputSetTap(RecordRead);
    Rec.used = 0;
    Rec.started = false;
    Rec.pendingEvent = false;
    memset(Rec.keys, 0, sizeof Rec.keys);
    memset(Rec.buttons, 0, sizeof Rec.buttons);
    Rec.joyPresent = Input.JoystickPresent;
    Rec.joyKnown = false;
    Rec.lastFlush = PlatformTicksMs();
    PutLine("zarvo-demo %d", DEMO_VERSION);
    PutLine("# %s", Program.WindowTitle);
    PutLine("set SCREENX %d", int(Settings.SCREENX));
    PutLine("set SCREENY %d", int(Settings.SCREENY));
    // The rules beyond the classic game that are on; a recording without them plays the classic game.
    for (const RuleKey& k : kRuleKeys)
        if (Settings.*k.field != k.classic) PutLine("set %s %d", k.name, int(Settings.*k.field));
    // So are the options that change what the input does (mouse speed, mouse look, joystick, bindings).
    for (const RuleKey& k : kInputKeys)
        if (Settings.*k.field != k.classic) PutLine("set %s %d", k.name, int(Settings.*k.field));
    PutLine("joystick %d", Rec.joyPresent ? 1 : 0);
    PutLine("seed %" PRIu32, RandomState());
    Flush();
    return Rec.on;
}

bool DemoRecording() { return Rec.on; }

void DemoRecordInput(const uint8_t keys[256], const MouseRecord& mouse, bool joystickRead, int32_t joyX, int32_t joyY,
                     int32_t joyTurn, const uint8_t joyButtons[32]) {
    if (!Rec.on) return;
    // Most ticks see the keyboard of the tick before: one comparison settles it.
    if (memcmp(keys, Rec.keys, 256) != 0) {
        for (int k = 0; k < 256; ++k) {
            bool down = keys[k] & 0x80;
            if (down != bool(Rec.keys[k] & 0x80)) PutKey(k, down);
        }
        memcpy(Rec.keys, keys, 256);
    }
    if (mouse.lX || mouse.lY) PutLine("mouse %d %d", int(mouse.lX), int(mouse.lY));
    for (int b = 0; b < 4; ++b) {
        bool down = mouse.rgbButtons[b] != 0;
        if (down != (Rec.buttons[b] != 0)) PutLine("button %d %s", b, down ? "down" : "up");
        Rec.buttons[b] = down ? 0x80 : 0;
    }
    if (joystickRead) {
        uint32_t bits = 0;
        for (int i = 0; i < 32; ++i)
            if (joyButtons[i]) bits |= 1u << i;
        if (!Rec.joyKnown || joyX != Rec.joyX || joyY != Rec.joyY || joyTurn != Rec.joyTurn || bits != Rec.joyBits) {
            if (joyTurn)
                PutLine("joy %d %d 0x%08" PRIx32 " %d", int(joyX), int(joyY), bits, int(joyTurn));
            else
                PutLine("joy %d %d 0x%08" PRIx32, int(joyX), int(joyY), bits);
        }
        Rec.joyKnown = true;
        Rec.joyX = joyX, Rec.joyY = joyY, Rec.joyTurn = joyTurn, Rec.joyBits = bits;
    }
}

void DemoRecordJoystickFailed() {
    if (Rec.on) PutLine("joy none");
}

void DemoRecordSeed(uint32_t seed) {
    if (Rec.on) PutLine("seed %" PRIu32, seed);
}

void DemoRecordEvent(const PlatformEvent& ev) {
    if (!Rec.on) return;
    if (ev.type == PE_QUIT)
        PutLine("quit");
    else if (ev.type == PE_ACTIVATE)
        PutLine("focus %s", ev.code == 0 ? "lost" : "gained");
    else
        return;
    Rec.pendingEvent = true;
}

void DemoRecordPass(uint32_t clock, bool didWork) {
    if (!Rec.on) return;
    if (!didWork && Rec.started && !Rec.pendingEvent) return;
    PutLine("pass %" PRIu32, clock);
    Rec.started = true;
    Rec.pendingEvent = false;
    if (Rec.used >= kFlushAt || uint32_t(PlatformTicksMs() - Rec.lastFlush) >= kFlushIntervalMs) {
        Rec.lastFlush = PlatformTicksMs();
        Flush();
    }
}

void DemoRecordTick() {
    if (!Rec.on || Program.TickCount % DEMO_MARK_TICKS != 0) return;
    PutLine("mark %" PRIu64 " %016" PRIx64, Program.TickCount, WorldDigest());
}

void DemoRecordFinish() {
    if (!Rec.on) return;
    PutLine("check %" PRIu64 " %016" PRIx64, Program.TickCount, WorldDigest());
    Flush();
    if (!Rec.on) return;
    if (fclose(Rec.file) != 0) {
        Rec.file = nullptr;
        StopRecording(strerror(errno));
        return;
    }
    Rec.file = nullptr;
    Rec.on = false;
    InputSetTap(nullptr);
}

// ---- playback ------------------------------------------------------------------------------------------

bool DemoFileLooksLikeDemo(const char* path) {
    // Only a regular file is looked into: reading the start of a pipe would take it from the script.
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    char head[16] = "";
    size_t n = fread(head, 1, 11, f);
    fclose(f);
    return n == 11 && memcmp(head, "zarvo-demo ", 11) == 0;
}

static bool DemoPlaybackJoystickPresent();
static void DemoPlaybackKeyboard(uint8_t keys[256]);
static void DemoPlaybackMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]);
static bool DemoPlaybackJoystick(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]);
static const InputSource kRecordingSource = {DemoPlaybackJoystickPresent, DemoPlaybackKeyboard, DemoPlaybackMouse,
                                             DemoPlaybackJoystick};

bool DemoPlayStart(const char* path, const DemoPlayOptions& options, char* err, size_t errSize) {
    Play = Player{};
    Play.options = options;
    CopyBounded(Play.path, sizeof Play.path, path);
    if (!ReadFileBounded(path, size_t(1) << 30, Play.text)) {
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
        size_t lineStart = Play.pos;
        int lineNo = Play.line;
        if (!NextLine(w, &n, storage, sizeof storage)) break;
        if (n == 0 || w[0][0] == '#') continue;
        int64_t v = 0;
        if (!strcmp(w[0], "set") && n == 3 && ParseInt(w[2], INT32_MIN, INT32_MAX, &v)) {
            bool known = false;
            for (auto& s : Play.settings)
                if (!strcmp(s.name, w[1])) s.value = int32_t(v), s.given = known = true;
            // Only the screen sizes the game has: any other would be a frame it cannot make.
            const bool width = !strcmp(w[1], "SCREENX"), height = !strcmp(w[1], "SCREENY");
            if ((width && v != 640 && v != 800 && v != 1024) || (height && v != 480 && v != 600 && v != 768)) {
                snprintf(err, errSize, "%s line %d: %s %d is not a screen size of the game", path, Play.line, w[1],
                         int(v));
                return false;
            }
            for (int i = 0; i < kRuleKeyCount; ++i)
                if (!strcmp(kRuleKeys[i].name, w[1])) Play.rules[i] = int32_t(v), known = true;
            for (int i = 0; i < kInputKeyCount; ++i)
                if (!strcmp(kInputKeys[i].name, w[1])) Play.inputs[i] = int32_t(v), Play.inputGiven[i] = known = true;
            if (!known) {
                snprintf(err, errSize, "%s line %d: unknown setting %s", path, Play.line, w[1]);
                return false;
            }
        } else if (!strcmp(w[0], "joystick") && n == 2 && ParseInt(w[1], 0, 1, &v)) {
            Play.joystick = v != 0;
        } else {
            Play.pos = lineStart;  // the first pass begins here
            Play.line = lineNo;
            break;
        }
    }
    Play.on = true;
    InputSetSource(&kRecordingSource);
    return true;
}

bool DemoPlaying() { return Play.on; }

void DemoPlayStop() {
    if (!Play.on) return;
    Play = Player{};
    InputSetSource(nullptr);
}

void DemoPlaybackApplySettings() {
    if (!Play.on) return;
    for (const auto& s : Play.settings) {
        if (!s.given) continue;
        if (!strcmp(s.name, "SCREENX")) Settings.SCREENX = s.value;
        if (!strcmp(s.name, "SCREENY")) Settings.SCREENY = s.value;
    }
    // The rules are the recording's, whatever this player's config.ini says.
    for (int i = 0; i < kRuleKeyCount; ++i) Settings.*kRuleKeys[i].field = Play.rules[i];
    for (int i = 0; i < kInputKeyCount; ++i)
        Settings.*kInputKeys[i].field = Play.inputGiven[i] ? Play.inputs[i] : kInputKeys[i].classic;
}

static bool DemoPlaybackJoystickPresent() { return Play.on && Play.joystick; }

void DemoPlaybackBeginPass() {
    if (!Play.on) return;
    if (Play.options.realtime) WatchPlayer();
    if (Play.done) return;
    if (Play.atCheck) {
        // The recorded game ended after the previous pass; this one goes on.
        char report[300];
        snprintf(report, sizeof report,
                 "replay differs from the recording: the recorded game ended at line %d, the replay runs on past "
                 "tick %" PRIu64,
                 Play.line, Program.TickCount);
        StopPlayback(DEMO_MISMATCH, report);
        return;
    }
    char storage[256];
    char* w[kMaxWords];
    int n = 0;
    for (;;) {
        size_t lineStart = Play.pos;
        int lineNo = Play.line;
        if (!NextLine(w, &n, storage, sizeof storage)) {
            char report[300];
            snprintf(report, sizeof report,
                     "recording %.120s ends at line %d without its check line; replayed to tick %" PRIu64, Play.path,
                     Play.line, Program.TickCount);
            StopPlayback(DEMO_INCOMPLETE, report);
            return;
        }
        if (n >= 1 && !strcmp(w[0], "check")) {
            Play.pos = lineStart;
            Play.line = lineNo;
            Play.atCheck = true;
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
        if (Play.done) return;
    }
    if (Play.options.realtime) {
        // Each pass runs when as much real time has gone by as had in the recording.
        if (!Play.clockStarted) {
            Play.clockStarted = true;
            Play.firstClock = Play.clock;
            Play.firstReal = PlatformTicksMs();
        }
        uint32_t due = Play.firstReal + (Play.clock - Play.firstClock);
        while (!Play.done && int32_t(PlatformTicksMs() - due) < 0) {
            PlatformDelayMs(1);
            WatchPlayer();
        }
    }
}

uint32_t DemoPlaybackClock() { return Play.clock; }

bool DemoPlaybackPollEvent(PlatformEvent* ev) {
    if (!Play.on || Play.eventCount == 0) return false;
    *ev = Play.events[Play.eventHead];
    Play.eventHead = (Play.eventHead + 1) % 32;
    --Play.eventCount;
    return true;
}

static void DemoPlaybackKeyboard(uint8_t keys[256]) { memcpy(keys, Play.keys, 256); }

static void DemoPlaybackMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]) {
    *dx = Play.mouseX;
    *dy = Play.mouseY;
    *dz = 0;
    Play.mouseX = Play.mouseY = 0;
    memcpy(buttons, Play.buttons, 4);
}

static bool DemoPlaybackJoystick(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]) {
    if (Play.joyFails) {
        Play.joyFails = false;
        return false;
    }
    *x = Play.joyX;
    *y = Play.joyY;
    *turn = Play.joyTurn;
    memcpy(buttons, Play.joyButtons, 32);
    return true;
}

void DemoPlaybackFinish() {
    if (!Play.on) return;
    if (Play.options.atEnd) Play.options.atEnd();
    if (Play.result != DEMO_RESULT_NONE) return;
    char storage[256];
    char* w[kMaxWords];
    int n = 0;
    // Past any comment, the next line must be the check line.
    do {
        if (!NextLine(w, &n, storage, sizeof storage)) {
            char report[300];
            snprintf(report, sizeof report,
                     "recording %.120s ends at line %d without its check line; replayed to tick %" PRIu64, Play.path,
                     Play.line, Program.TickCount);
            Play.result = DEMO_INCOMPLETE;
            CopyBounded(Play.report, report);
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
                 Program.TickCount, Play.line);
        Play.result = DEMO_MISMATCH;
        CopyBounded(Play.report, report);
        return;
    }
    uint64_t digest = WorldDigest();
    char report[400];
    if (digest == recorded && uint64_t(tick) == Program.TickCount && !Play.markFailed) {
        snprintf(report, sizeof report, "replay matches the recording: tick %" PRIu64 ", digest %016" PRIx64,
                 Program.TickCount, digest);
        Play.result = DEMO_MATCH;
    } else {
        int len = snprintf(report, sizeof report,
                           "replay differs from the recording: digest %016" PRIx64 " at tick %" PRIu64
                           ", recorded %016" PRIx64 " at tick %" PRId64,
                           digest, Program.TickCount, recorded, tick);
        if (Play.markFailed && len > 0 && size_t(len) < sizeof report)
            snprintf(report + len, sizeof report - size_t(len),
                     "; the world first differs after tick %" PRIu64 " and by tick %" PRIu64, Play.lastGoodMark,
                     Play.firstBadMark);
        Play.result = DEMO_MISMATCH;
    }
    CopyBounded(Play.report, report);
}

int DemoPlaybackResult(char* report, size_t size) {
    CopyBounded(report, size, Play.report);
    return Play.result;
}
