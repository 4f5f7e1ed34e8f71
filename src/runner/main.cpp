// zarvo-headless: the game's start-up, main loop and shutdown over the headless backend, driven by a
// script (a file, or - for standard input), or replaying a demo recording, run in the directory that
// holds the game data.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/app.h"
#include "app/options.h"
#include "core/program.h"
#include "demo/demo.h"
#include "net/netplay.h"
#include "platform/headless/headless.h"
#include "platform/system.h"
#include "runner/check.h"
#include "runner/dump.h"
#include "runner/script.h"

namespace {

const char kUsage[] =
    "usage: zarvo-headless [--record FILE] SCRIPT   run a script (a file, or - for standard input)\n"
    "       zarvo-headless [--dump] DEMO            replay a recording made with --record (--dump: print\n"
    "                                               the state dump of the world as the replay ended)\n"
    "       zarvo-headless --host PORT [--players N] LEVEL\n"
    "                                               a dedicated host: waits for N players (1), then plays\n"
    "                                               the campaign from LEVEL; one line per event; ends on\n"
    "                                               SIGTERM\n"
    "       zarvo-headless --check LEVEL            load a level and list what a player would meet\n"
    "                                               (status 0 clean, 1 problems found)\n"
    "       zarvo-headless --help | --version\n";

int Usage() {
    fputs(kUsage, stderr);
    return 2;
}

// The dedicated host: its game's clock is the real one, and it sleeps until something is due or a
// message comes.
struct DedicatedHost {
    int port = 0;
    int players = 1;
    const char* level = nullptr;
};
DedicatedHost Dedicated;

int DedicatedLoop(const PlatformLoop& loop) {
    PlatformWatchTerminate();
    const uint32_t start = PlatformRealMs();
    auto now = [start] { return 10000u + (PlatformRealMs() - start); };
    HeadlessSetClock(now());
    if (NetPlayHost(uint16_t(Dedicated.port), true))
        NetPlayDedicated(Dedicated.players, Dedicated.level);
    else
        PostQuit(1);
    for (;;) {
        HeadlessSetClock(now());
        // Nobody looks at a dedicated host: its frame timer never comes due (printed lines still present one).
        Program.LastFrameTime = now();
        if (PlatformTerminateRequested()) PostQuit(0);
        const int pass = loop.pass();
        if (pass == PASS_ENDED) break;
        if (pass == PASS_IDLE) {
            // Messages are taken while waiting; the last millisecond is slept in small steps, so that the
            // ticks come every 6 ms on the dot rather than late by a timer's rounding.
            const int32_t wait = int32_t(loop.nextDue() - now());
            if (wait > 1) NetPlayService(uint32_t(wait - 1 < 20 ? wait - 1 : 20));
            while (int32_t(loop.nextDue() - now()) > 0 && int32_t(loop.nextDue() - now()) <= 1)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    return loop.finish();
}

int RunDedicated(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--players") == 0 && i + 1 < argc) {
            Dedicated.players = atoi(argv[++i]);
        } else if (!Dedicated.level && argv[i][0] != '-') {
            Dedicated.level = argv[i];
        } else {
            return Usage();
        }
    }
    Dedicated.port = argc > 2 ? atoi(argv[1]) : 0;
    if (Dedicated.port < 1 || Dedicated.port > 65535 || !Dedicated.level || Dedicated.players < 1 ||
        Dedicated.players > 4) {
        fprintf(stderr, "zarvo-headless: --host takes a port, [--players 1..4] and a level file\n");
        return 2;
    }
    if (PlatformPathKind(Dedicated.level) != PATH_FILE) {
        fprintf(stderr, "zarvo-headless: no level file %s\n", Dedicated.level);
        return 2;
    }
    ProgramOptions options;
    return ProgramMain(options, DedicatedLoop);
}

void DumpWorld() {
    std::string s = StateDumpJson();
    puts(s.c_str());
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "--host") == 0) return RunDedicated(argc - 1, argv + 1);
    ProgramOptions options;
    const char* input = nullptr;
    bool dumpAtEnd = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            printf("zarvo-headless %s\n", ProgramVersion());
            return 0;
        }
        if (strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
            options.recordPath = argv[++i];
        } else if (strcmp(argv[i], "--check") == 0) {
            if (argc != 3) {
                fprintf(stderr, "zarvo-headless: --check takes one level file and nothing else\n");
                return Usage();
            }
            return RunLevelCheck(argv[i + 1]);
        } else if (strcmp(argv[i], "--dump") == 0) {
            dumpAtEnd = true;
        } else if (argv[i][0] == '-' && argv[i][1] != 0) {
            fprintf(stderr, "zarvo-headless: unknown option %s\n", argv[i]);
            return Usage();
        } else if (!input) {
            input = argv[i];
        } else {
            return Usage();
        }
    }
    if (!input) return Usage();

    if (strcmp(input, "-") != 0 && DemoFileLooksLikeDemo(input)) {
        // A recording: its own clock, input and events drive the passes; the verdict decides the status.
        DemoPlayOptions play;
        play.setClock = HeadlessSetClock;
        if (dumpAtEnd) play.atEnd = DumpWorld;
        char err[512];
        if (!DemoPlayStart(input, play, err, sizeof err)) {
            fprintf(stderr, "zarvo-headless: %s\n", err);
            return 2;
        }
        options.playPath = input;
        int code = ProgramMain(options);
        char report[512];
        int result = DemoPlaybackResult(report, sizeof report);
        if (result == DEMO_RESULT_NONE) {
            // The game ended before the replay reached its check line (its start-up failed).
            fprintf(stderr, "zarvo-headless: the replay of %s did not run to its end (status %d)\n", input, code);
            return code ? code : 4;
        }
        fprintf(stderr, "zarvo-headless: %s\n", report);
        if (result == DEMO_MISMATCH) return 3;
        if (result == DEMO_INCOMPLETE) return 4;
        return code;
    }

    FILE* script = strcmp(input, "-") == 0 ? stdin : fopen(input, "r");
    if (!script) {
        fprintf(stderr, "zarvo-headless: cannot open script %s\n", input);
        return 2;
    }
    StartScript(script);
    int code = RunScript(options);
    if (script != stdin) fclose(script);
    return code;
}
