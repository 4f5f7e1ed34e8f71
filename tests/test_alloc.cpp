// Nothing allocates per tick or per frame once the program runs: counted through operator new.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/app.h"
#include "app/dispatch.h"
#include "app/frame.h"
#include "console/console.h"
#include "core/print.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "demo/demo.h"
#include "platform/dik.h"
#include "platform/headless/headless.h"
#include "test_util.h"

static std::atomic<long> Allocations;

void* operator new(size_t n) {
    ++Allocations;
    if (void* p = malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

namespace {

TEST(Allocation, NoneInSteadyTicksAndFrames) {
    ResetProgram();
    ScratchDir dir;
    WriteFile("items.itm", "MENUITEMS=2\r0=PLAY;NADDA;x\r1=QUIT;NADDA;y\r");
    LoadMenuItems("items.itm");
    for (int i = 0; i < 30; ++i) Print("warming the text cache");
    Console.ConsoleState = CON_OPEN;
    Console.ConsoleHeight = 240;
    // Warm-up: the first frames render and cache their texts.
    for (int i = 0; i < 3; ++i) {
        HandleInput();
        TickGameState();
        RenderFrame();
    }
    long before = Allocations.load();
    for (int i = 0; i < 200; ++i) {
        HeadlessAdvanceClock(1);
        RunTimers();
        HandleInput();
        TickGameState();
        RenderFrame();
    }
    EXPECT_EQ(Allocations.load() - before, 0);
}

TEST(Allocation, NoneInSteadyTicksAndFramesOfALevel) {
    ResetProgram();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(ZARVO_SOURCE_DIR "/data"), 0);
    ASSERT_EQ(LoadLevel("LEVEL1.LVL"), 1);
    Console.ConsoleState = CON_CLOSED;
    Menu.Visible = 0;
    for (int i = 0; i < 30; ++i) {
        HeadlessAdvanceClock(6);
        HandleInput();
        TickGameState();
        RenderFrame();
    }
    long before = Allocations.load();
    for (int i = 0; i < 200; ++i) {
        HeadlessAdvanceClock(6);
        HandleInput();
        TickGameState();
        RenderFrame();
    }
    EXPECT_EQ(Allocations.load() - before, 0);
    EXPECT_EQ(Program.GameState, GS_PLAYING);

    // Recording a demo adds none either: keys going down and up, mouse motion, every pass recorded.
    {
        ScratchDir dir;
        ASSERT_TRUE(DemoRecordStart("play.zdemo"));
        before = Allocations.load();
        for (int i = 0; i < 400; ++i) {
            HeadlessSetKey(DIK_UP, (i / 20) % 2 == 0);
            if (i % 7 == 0) HeadlessMouseMove(3, -1);
            HeadlessAdvanceClock(3);
            RunTimers();
        }
        EXPECT_EQ(Allocations.load() - before, 0);
        DemoRecordFinish();
        std::string demo = ReadFile("play.zdemo");
        EXPECT_EQ(demo.rfind("zarvo-demo 1\n", 0), 0u);
        EXPECT_NE(demo.find("down UP\n"), std::string::npos);
        EXPECT_NE(demo.find("mouse 3 -1\n"), std::string::npos);
        EXPECT_NE(demo.find("\ncheck "), std::string::npos);
    }
    ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
