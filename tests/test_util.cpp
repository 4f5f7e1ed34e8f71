// Shared helpers of the unit suites.
#include "test_util.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/app.h"
#include "app/dispatch.h"
#include "app/settings.h"
#include "console/console.h"
#include "defs/definition.h"
#include "defs/menu.h"
#include "game/animation.h"
#include "input/input.h"
#include "platform/headless/headless.h"
#include "render/video.h"

ScratchDir::ScratchDir() {
    char cwd[4096];
    old_ = getcwd(cwd, sizeof cwd) ? cwd : ".";
    char tmpl[] = "/tmp/zarvo-test-XXXXXX";
    path_ = mkdtemp(tmpl);
    if (chdir(path_.c_str()) != 0) abort();
}

ScratchDir::~ScratchDir() {
    if (chdir(old_.c_str()) != 0) abort();
    std::string cmd = "rm -rf '" + path_ + "'";
    if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", path_.c_str());
}

void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream f(name, std::ios::binary);
    f << bytes;
}

std::string ReadFile(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool FileExists(const std::string& name) { return access(name.c_str(), F_OK) == 0; }

void ResetProgram() {
    Settings.SCREENX = 640;
    Settings.SCREENY = 480;
    Settings.SCREENBPP = 8;
    Settings.SOUNDVOL = Settings.MUSICVOL = 80;
    Program.GameState = GS_MENU;
    Program.AppActive = 1;
    ConsoleInit();
    InstallConsolePrinting();
    Console.ConsoleState = CON_CLOSED;
    Console.ConsoleHeight = 0;
    memset(&Menu, 0, sizeof Menu);
    ResetAnimation();
    HeadlessReleaseAllKeys();
    InputInit();
    memset(Input.PrevKeyState, 0, sizeof Input.PrevKeyState);
    if (!VideoReady()) InitVideo();
    ChangeResolution();
    if (!GameFontPath()[0]) RegisterGameFont();
    Input.PointerX = Settings.SCREENX / 2;
    Input.PointerY = Settings.SCREENY / 2;
}

std::string ConsoleText(int slot) { return reinterpret_cast<const char*>(Console.ConsoleBuffer[slot] + 4); }

void TickWithKeys(std::initializer_list<int> down) {
    HeadlessReleaseAllKeys();
    for (int k : down) HeadlessSetKey(k, true);
    HandleInput();
}
