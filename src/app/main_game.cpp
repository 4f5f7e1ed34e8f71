// Entry of the game binary: the command line, the data folder, then the program over the SDL backend.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/datadir.h"
#include "app/options.h"
#include "app/settings.h"
#include "demo/demo.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    ProgramOptions options;
    int status = ParseGameOptions(argc, argv, &options);
    if (status >= 0) return status;
    // A recording named on the command line belongs where the player stands, not in the data folder.
    std::string record;
    if (options.recordPath && options.recordPath[0] != '/') {
        const std::string here = PlatformCurrentDirectory();
        if (!here.empty()) {
            record = here + "/" + options.recordPath;
            options.recordPath = record.c_str();
        }
    }
    DataDirectory data;
    std::string reason;
    if (!FindDataDirectory(options.dataDir, PlatformExecutablePath().c_str(), &data, &reason) ||
        !EnterDataDirectory(data, &reason)) {
        fprintf(stderr, "zarvo: %s\n", reason.c_str());
        return 1;
    }
    options.userSettings = DefaultUserSettingsFile();
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
