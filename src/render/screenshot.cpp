// Screenshots: F12 and the console command SCREENSHOT.
#include "render/screenshot.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/paths.h"
#include "core/print.h"
#include "platform/system.h"
#include "render/png.h"
#include "render/video.h"

namespace {

constexpr const char* kFolder = "screenshots";
constexpr int kMaxShots = 10000;

void Say(const char* what, const char* detail) {
    char line[2 * CONSOLE_LINE_BYTES + 128];
    snprintf(line, sizeof line, "%s%.100s", what, detail);
    PrintNotify(NOTIFY_GAME, line);
}

}  // namespace

int SaveScreenshot() {
    int w = 0, h = 0;
    const uint32_t* image = LastPresentedImage(&w, &h);
    if (!image) {
        Say("Screenshot not saved: ", "no frame has been shown yet");
        return 0;
    }
    // The folder lies in the data directory, or in the user's own when the data may not be written.
    char folder[900];
    if (!WritePath(folder, sizeof folder, kFolder)) {
        Say("Screenshot not saved: ", "there is no folder to write to");
        return 0;
    }
    const int kind = PlatformPathKind(folder);
    if (kind == PATH_NONE) {
        if (!PlatformMakeDirectories(folder)) {
            char what[CONSOLE_LINE_BYTES];
            snprintf(what, sizeof what, "Screenshot not saved: cannot create %.60s/: ", folder);
            Say(what, strerror(errno));
            return 0;
        }
    } else if (kind != PATH_DIRECTORY) {
        Say("Screenshot not saved: ", "screenshots is not a folder");
        return 0;
    }
    char path[1024];
    int n = 0;
    for (; n < kMaxShots; ++n) {
        snprintf(path, sizeof path, "%s/zarvo-%04d.png", folder, n);
        if (PlatformPathKind(path) == PATH_NONE) break;
    }
    if (n == kMaxShots) {
        Say("Screenshot not saved: ", "screenshots/ holds 10000 already");
        return 0;
    }
    // The image is copied first: printing a line presents a new frame.
    if (!WritePng(path, image, w, h)) {
        Say("Screenshot not saved: cannot write ", path);
        return 0;
    }
    Say("Screenshot saved: ", path);
    return 1;
}
