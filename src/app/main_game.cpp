// Entry of the game binary: the program over the SDL backend.
#include <cstdio>

#include "app/app.h"
#include "app/options.h"
#include "demo/demo.h"

int main(int argc, char** argv) {
    ProgramOptions options;
    int status = ParseGameOptions(argc, argv, &options);
    if (status >= 0) return status;
    int code = ProgramMain(options);
    if (options.playPath) {
        char report[512];
        int result = DemoPlaybackResult(report, sizeof report);
        if (result != DEMO_RESULT_NONE) printf("zarvo: %s\n", report);
        if (result == DEMO_MISMATCH) return 3;
        if (result == DEMO_INCOMPLETE) return 4;
    }
    return code;
}
