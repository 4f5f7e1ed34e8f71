// The game's command line: the data folder, window or full screen, recording and playing demos, help.
#include "app/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/settings.h"
#include "core/bounded.h"
#include "demo/demo.h"
#include "net/protocol.h"

// ZARVO_VERSION comes from the build (CMakeLists.txt), the one place that names the version.
#ifndef ZARVO_VERSION
#error "ZARVO_VERSION is defined by the build"
#endif

namespace {

const char kHelp[] =
    "usage: zarvo [OPTION]...\n"
    "Zarvo, a wireframe action game.\n"
    "\n"
    "  --data FOLDER   play the game in FOLDER (the folder that holds its config.ini)\n"
    "  --window        start in a window instead of full screen (Alt+Enter switches)\n"
    "  --record FILE   play normally and write a recording of the game to FILE\n"
    "  --play FILE     replay a recording in the window (Escape or closing the window stops it)\n"
    "  --host [PORT]   host a network game (port 27960 unless given)\n"
    "  --join ADDRESS[:PORT]  join a network game\n"
    "  --stats         print how fast the game runs, once a second: ticks, frames, frame time, CPU\n"
    "  --list-settings list every key of config.ini: KEY=DEFAULT, its values, flags and help\n"
    "  --version       show the version and exit\n"
    "  --help          show this help and exit\n"
    "\n"
    "Without --data the game is the working directory when it holds config.ini, else the installed one.\n"
    "Your own settings live in $XDG_CONFIG_HOME/zarvo/config.ini (~/.config/zarvo/config.ini).\n";

}  // namespace

const char* ProgramVersion() { return ZARVO_VERSION; }

int ParseGameOptions(int argc, char** argv, ProgramOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0) {
            fputs(kHelp, stdout);
            return 0;
        }
        if (strcmp(a, "--version") == 0) {
            printf("zarvo %s\n", ProgramVersion());
            return 0;
        }
        if (strcmp(a, "--list-settings") == 0) {
            fputs(ListSettings().c_str(), stdout);
            return 0;
        }
        if (strcmp(a, "--stats") == 0) {
            options->stats = true;
            continue;
        }
        if (strcmp(a, "--host") == 0) {
            options->hostPort = NET_DEFAULT_PORT;
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                char* end = nullptr;
                const long port = strtol(argv[++i], &end, 10);
                if (*end || port < 1 || port > 65535) {
                    fprintf(stderr, "zarvo: --host takes a port 1 to 65535\n");
                    return 2;
                }
                options->hostPort = int(port);
            }
            continue;
        }
        if (strcmp(a, "--join") == 0) {
            if (i + 1 >= argc) {
                fprintf(stderr, "zarvo: --join needs an address (see zarvo --help)\n");
                return 2;
            }
            // ADDRESS or ADDRESS:PORT, kept in the options' own buffer.
            CopyBounded(options->joinBuffer, argv[++i]);
            options->joinPort = NET_DEFAULT_PORT;
            if (char* colon = strrchr(options->joinBuffer, ':')) {
                char* end = nullptr;
                const long port = strtol(colon + 1, &end, 10);
                if (*end || port < 1 || port > 65535) {
                    fprintf(stderr, "zarvo: --join takes ADDRESS or ADDRESS:PORT\n");
                    return 2;
                }
                *colon = 0;
                options->joinPort = int(port);
            }
            options->joinAddress = options->joinBuffer;
            continue;
        }
        if (strcmp(a, "--window") == 0) {
            options->window = true;
            continue;
        }
        if (strcmp(a, "--data") == 0) {
            if (i + 1 >= argc) {
                fprintf(stderr, "zarvo: --data needs a folder (see zarvo --help)\n");
                return 2;
            }
            options->dataDir = argv[++i];
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
