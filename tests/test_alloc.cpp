// Nothing allocates per tick or per frame once the program runs: counted through operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/app.h"
#include "app/dispatch.h"
#include "console/console.h"
#include "defs/menu.h"
#include "platform/headless/headless.h"
#include "render/frame.h"
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
    for (int i = 0; i < 30; ++i) ConsolePrint("warming the text cache");
    ConsoleState = CON_OPEN;
    ConsoleHeight = 240;
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

}  // namespace
