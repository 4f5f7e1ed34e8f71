// zarvo-headless: the game's start-up, main loop and shutdown over the headless backend, driven by a
// script (a file, or - for standard input), or replaying a demo recording, run in the directory that
// holds the game data.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/options.h"
#include "demo/demo.h"
#include "platform/headless/headless.h"
#include "runner/check.h"
#include "runner/dump.h"
#include "runner/script.h"

namespace {

const char kUsage[] =
    "usage: zarvo-headless [--record FILE] SCRIPT   run a script (a file, or - for standard input)\n"
    "       zarvo-headless [--dump] DEMO            replay a recording made with --record (--dump: print\n"
    "                                               the state dump of the world as the replay ended)\n"
    "       zarvo-headless --check LEVEL            load a level and list what a player would meet\n"
    "                                               (status 0 clean, 1 problems found)\n"
    "       zarvo-headless --help | --version\n";

int Usage() {
    fputs(kUsage, stderr);
    return 2;
}

void DumpWorld() {
    std::string s = StateDumpJson();
    puts(s.c_str());
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
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
