// The game's command line: recording and playing demos, and help.
#include "app/options.h"

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "demo/demo.h"

namespace {

const char kHelp[] =
    "usage: zarvo [OPTION]...\n"
    "Zarvo, a wireframe action game. Run it in the folder that holds config.ini.\n"
    "\n"
    "  --record FILE   play normally and write a recording of the game to FILE\n"
    "  --play FILE     replay a recording in the window (Escape or closing the window stops it)\n"
    "  --stats         print how fast the game runs, once a second: ticks, frames, frame time, CPU\n"
    "  --help          show this help and exit\n";

}  // namespace

int ParseGameOptions(int argc, char** argv, ProgramOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0) {
            fputs(kHelp, stdout);
            return 0;
        }
        if (strcmp(a, "--stats") == 0) {
            options->stats = true;
            continue;
        }
        if (strcmp(a, "--record") == 0 || strcmp(a, "--play") == 0) {
            if (i + 1 >= argc) {
                fprintf(stderr, "zarvo: %s needs a file name (see zarvo --help)\n", a);
                return 2;
            }
            (a[2] == 'r' ? options->recordPath : options->playPath) = argv[++i];
            continue;
        }
        fprintf(stderr, "zarvo: unknown option %s (see zarvo --help)\n", a);
        return 2;
    }
    if (options->recordPath && options->playPath) {
        fprintf(stderr, "zarvo: --record and --play cannot be used together\n");
        return 2;
    }
    if (options->playPath) {
        DemoPlayOptions play;
        play.realtime = true;
        char err[512];
        if (!DemoPlayStart(options->playPath, play, err, sizeof err)) {
            fprintf(stderr, "zarvo: %s\n", err);
            return 2;
        }
    }
    return -1;
}
