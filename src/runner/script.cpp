// The runner's script language: clock, keys, mouse, pad, focus, resize, close, seed, dump, screenshot.
// Before each main-loop pass the runner runs script lines until one of them asks for passes.
#include "runner/script.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "app/app.h"
#include "app/commands.h"
#include "core/random.h"
#include "demo/demo.h"
#include "net/netplay.h"
#include "platform/dik.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "render/png.h"
#include "render/video.h"
#include "runner/dump.h"

namespace {

enum ActionKind {
    A_DOWN,
    A_UP,
    A_TICKS,
    A_WAIT,
    A_MOUSE,
    A_WHEEL,
    A_BUTTON,
    A_PAD_PLUG,
    A_PAD_STICK,
    A_PAD_BUTTON,
    A_FOCUS,
    A_RESIZE,
    A_CLOSE,
    A_SEED,
    A_DUMP,
    A_SHOT,
    A_COMMAND
};
struct Action {
    ActionKind kind;
    long a = 0, b = 0, c = 0;
    std::string text;
};

FILE* Script;
std::deque<Action> Pending;
long WaitMs;
bool CountingTicks;
uint64_t TickTarget;
// In a network game `ticks` counts the network's ticks, at the host's pace, until a deadline.
bool CountingNet;
uint32_t NetTarget;
uint32_t NetDeadline;
// A runner that hosts keeps its scripted clock with the real one, so that its players can follow it.
uint32_t NetAnchorGame, NetAnchorReal;
bool Finished;
int LineNo;

void Fail(const char* what, const char* line) {
    fprintf(stderr, "zarvo-headless: script line %d: %s: %s\n", LineNo, what, line);
}

void PushPress(int code) {
    Pending.push_back({A_DOWN, code});
    Pending.push_back({A_TICKS, 1});
    Pending.push_back({A_UP, code});
    Pending.push_back({A_TICKS, 1});
}

int CharKey(char c) {
    if (c >= 'A' && c <= 'Z') return DikFromName(std::string(1, c).c_str());
    if (c >= 'a' && c <= 'z') return DikFromName(std::string(1, char(c - 32)).c_str());
    if (c >= '0' && c <= '9') return DikFromName(std::string(1, c).c_str());
    if (c == ' ') return DIK_SPACE;
    if (c == '/') return DIK_SLASH;
    if (c == '.') return DIK_DELETE;
    return -1;
}

// Parses one script line into actions; false at the end of the script.
bool ReadLine() {
    char buf[4096];
    if (!fgets(buf, sizeof buf, Script)) return false;
    ++LineNo;
    std::string line(buf);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') return true;
    line = line.substr(start);
    size_t sp = line.find(' ');
    std::string cmd = line.substr(0, sp);
    std::string rest = sp == std::string::npos ? "" : line.substr(sp + 1);
    if (cmd == "wait") {
        Pending.push_back({A_WAIT, atol(rest.c_str())});
    } else if (cmd == "ticks") {
        Pending.push_back({A_TICKS, atol(rest.c_str())});
    } else if (cmd == "down" || cmd == "up" || cmd == "press") {
        int code = DikFromName(rest.c_str());
        if (code < 0) {
            Fail("unknown key", line.c_str());
        } else if (cmd == "press") {
            PushPress(code);
        } else {
            Pending.push_back({cmd == "down" ? A_DOWN : A_UP, code});
        }
    } else if (cmd == "type") {
        for (char c : rest) {
            if (c == '_') {
                Pending.push_back({A_DOWN, DIK_LSHIFT});
                PushPress(DIK_MINUS);
                Pending.push_back({A_UP, DIK_LSHIFT});
                continue;
            }
            int code = CharKey(c);
            if (code < 0)
                Fail("cannot type character", line.c_str());
            else
                PushPress(code);
        }
    } else if (cmd == "mouse") {
        long dx = 0, dy = 0;
        sscanf(rest.c_str(), "%ld %ld", &dx, &dy);
        Pending.push_back({A_MOUSE, dx, dy});
    } else if (cmd == "wheel") {
        // wheel N: the mouse wheel turned N notches (positive away from the player, as to scroll up)
        char* end = nullptr;
        const long n = strtol(rest.c_str(), &end, 10);
        if (end == rest.c_str() || *end || n < -100 || n > 100)
            Fail("bad wheel line", line.c_str());
        else
            Pending.push_back({A_WHEEL, n * 120});
    } else if (cmd == "button") {
        long b = 0;
        char state[16] = {0};
        sscanf(rest.c_str(), "%ld %15s", &b, state);
        Pending.push_back({A_BUTTON, b, strcmp(state, "down") == 0 ? 1 : 0});
    } else if (cmd == "pad") {
        // pad in | pad out | pad stick X Y [TURN] | pad fire|next|prev|start|N down|up
        char what[16] = {0}, state[16] = {0};
        long x = 0, y = 0, turn = 0;
        sscanf(rest.c_str(), "%15s", what);
        static const struct {
            const char* name;
            int button;
        } kButtons[] = {{"fire", JOY_FIRE}, {"next", JOY_NEXT_WEAPON}, {"prev", JOY_PREV_WEAPON}, {"start", JOY_MENU}};
        int button = -1;
        for (const auto& b : kButtons)
            if (!strcmp(what, b.name)) button = b.button;
        if (button < 0 && isdigit(static_cast<unsigned char>(what[0]))) button = atoi(what);
        if (!strcmp(what, "in") || !strcmp(what, "out")) {
            Pending.push_back({A_PAD_PLUG, what[0] == 'i' ? 1 : 0});
        } else if (!strcmp(what, "stick") && sscanf(rest.c_str(), "%*s %ld %ld %ld", &x, &y, &turn) >= 2) {
            Pending.push_back({A_PAD_STICK, x, y, turn});
        } else if (button >= 0 && button < 32 && sscanf(rest.c_str(), "%*s %15s", state) == 1 &&
                   (!strcmp(state, "down") || !strcmp(state, "up"))) {
            Pending.push_back({A_PAD_BUTTON, button, state[0] == 'd' ? 1 : 0});
        } else {
            Fail("bad pad line", line.c_str());
        }
    } else if (cmd == "focus") {
        Pending.push_back({A_FOCUS, rest == "gained" ? 1 : 0});
    } else if (cmd == "resize") {
        // resize W H: the window's drawing area becomes W x H (followed with SCREENSIZE=WINDOW)
        long w = 0, h = 0;
        if (sscanf(rest.c_str(), "%ld %ld", &w, &h) == 2 && w > 0 && h > 0 && w <= 0x7FFF && h <= 0xFFFF)
            Pending.push_back({A_RESIZE, w, h});
        else
            Fail("bad resize line", line.c_str());
    } else if (cmd == "close") {
        Pending.push_back({A_CLOSE});
    } else if (cmd == "seed") {
        Pending.push_back({A_SEED, long(strtoul(rest.c_str(), nullptr, 0))});
    } else if (cmd == "dump") {
        Pending.push_back({A_DUMP});
    } else if (cmd == "join" || cmd == "host") {
        // The console commands JOIN ADDRESS [PORT] and HOST [PORT], run at once.
        Action a{A_COMMAND};
        a.text = (cmd == "join" ? "JOIN " : "HOST ") + rest;
        if (a.text.back() == ' ') a.text.pop_back();
        Pending.push_back(a);
    } else if (cmd == "screenshot") {
        Action a{A_SHOT};
        a.text = rest;
        Pending.push_back(a);
    } else {
        Fail("unknown command", line.c_str());
    }
    return true;
}

// Runs one action; true when it asks for main-loop passes (the hook then returns).
bool RunAction(const Action& a) {
    switch (a.kind) {
    case A_DOWN: HeadlessSetKey(int(a.a), true); return false;
    case A_UP: HeadlessSetKey(int(a.a), false); return false;
    case A_TICKS:
        if (a.a <= 0) return false;
        if (NetPlayFollowsHost()) {
            CountingNet = true;
            NetTarget = NetPlayTicksRun() + uint32_t(a.a);
            NetDeadline = PlatformRealMs() + uint32_t(a.a) * 18u + 20000u;
            NetAnchorGame = PlatformTicksMs();
            NetAnchorReal = PlatformRealMs();
            return true;
        }
        CountingTicks = true;
        TickTarget = Program.TickCount + uint64_t(a.a);
        return true;
    case A_WAIT: WaitMs = a.a; return a.a > 0;
    case A_MOUSE: HeadlessMouseMove(int32_t(a.a), int32_t(a.b)); return false;
    case A_WHEEL: HeadlessMouseWheel(int32_t(a.a)); return false;
    case A_BUTTON: HeadlessMouseButton(int(a.a), a.b != 0); return false;
    case A_PAD_PLUG: HeadlessSetPad(a.a != 0); return false;
    case A_PAD_STICK: HeadlessPadStick(int32_t(a.a), int32_t(a.b), int32_t(a.c)); return false;
    case A_PAD_BUTTON: HeadlessPadButton(int(a.a), a.b != 0); return false;
    case A_FOCUS: HeadlessPushEvent(PE_ACTIVATE, int(a.a)); return false;
    case A_RESIZE: HeadlessPushEvent(PE_RESIZE, int((a.a << 16) | a.b)); return false;
    case A_CLOSE:
        HeadlessPushEvent(PE_QUIT, 0);
        Finished = true;
        return true;
    case A_SEED:
        SeedRandom(uint32_t(a.a));
        DemoRecordSeed(uint32_t(a.a));
        return false;
    case A_DUMP: {
        std::string s = StateDumpJson();
        fputs(s.c_str(), stdout);
        fputc('\n', stdout);
        fflush(stdout);
        return false;
    }
    case A_COMMAND: ExecuteCommand(a.text.c_str()); return false;
    case A_SHOT: {
        int w = 0, h = 0;
        const uint32_t* img = LastPresentedImage(&w, &h);
        if (!img || !WritePng(a.text.c_str(), img, w, h))
            fprintf(stderr, "zarvo-headless: cannot write screenshot %s\n", a.text.c_str());
        return false;
    }
    }
    return false;
}

void ScriptPass() {
    if (Finished) return;
    for (;;) {
        if (WaitMs > 0) {
            --WaitMs;
            HeadlessAdvanceClock(1);
            return;
        }
        if (CountingNet) {
            if (NetPlayFollowsHost() && NetPlayTicksRun() < NetTarget) {
                if (int32_t(PlatformRealMs() - NetDeadline) > 0) {
                    Fail("the network game did not run its ticks in time", "ticks");
                    CountingNet = false;
                    continue;
                }
                if (NetPlayPacesGame()) {
                    const int32_t ahead =
                        int32_t((PlatformTicksMs() - NetAnchorGame) - (PlatformRealMs() - NetAnchorReal));
                    if (ahead > 0) NetPlayService(uint32_t(ahead < 5 ? ahead : 5));
                    if (ahead > 0) return;
                }
                HeadlessAdvanceClock(1);
                return;
            }
            CountingNet = false;
        }
        if (CountingTicks) {
            if (Program.TickCount < TickTarget) {
                HeadlessAdvanceClock(1);
                return;
            }
            CountingTicks = false;
        }
        if (Pending.empty() && !ReadLine()) {
            // End of script: the program takes its quit path.
            HeadlessPushEvent(PE_QUIT, 0);
            Finished = true;
            return;
        }
        if (Pending.empty()) continue;
        Action a = Pending.front();
        Pending.pop_front();
        if (RunAction(a)) {
            if (Finished) return;
            continue;  // the loop above now spends the passes
        }
    }
}

}  // namespace

void StartScript(FILE* script) {
    Script = script;
    HeadlessSetClock(10000);
}

int RunScript(const ProgramOptions& options) { return RunProgramStepped(options, ScriptPass); }

namespace {
void (*Step)() = nullptr;

// The runner drives the passes itself: its step (script lines, the author's check) before each one.
int SteppedLoop(const PlatformLoop& loop) {
    for (;;) {
        if (Step) Step();
        if (loop.pass() == PASS_ENDED) break;
    }
    return loop.finish();
}
}  // namespace

int RunProgramStepped(const ProgramOptions& options, void (*step)()) {
    Step = step;
    return ProgramMain(options, SteppedLoop);
}
