// The console: printing and scrolling, input editing limits, submit, fade, roll and drawing positions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/settings.h"
#include "console/console.h"
#include "core/print.h"
#include "platform/dik.h"
#include "render/video.h"
#include "test_util.h"

namespace {

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgram(); }
};

std::string TypedLine() { return reinterpret_cast<const char*>(Console.ConsoleBuffer[CONSOLE_INPUT_SLOT] + 4); }

TEST_F(ConsoleTest, InitPrintScrollAndAttributes) {
    for (int i = 0; i < 54; ++i) EXPECT_EQ(Console.ConsoleBuffer[i][0], 0);
    EXPECT_EQ(TypedLine(), ">");
    const uint8_t* in = Console.ConsoleBuffer[CONSOLE_INPUT_SLOT];
    EXPECT_EQ(in[0], 255);
    EXPECT_EQ(in[1], 200);
    EXPECT_EQ(in[3], 250);

    Print("plain");
    PrintNotify(90, "event");
    EXPECT_EQ(ConsoleText(52), "plain");
    EXPECT_EQ(Console.ConsoleBuffer[52][0], 1);
    EXPECT_EQ(ConsoleText(53), "event");
    EXPECT_EQ(Console.ConsoleBuffer[53][0], 90);
    EXPECT_EQ(Console.ConsoleBuffer[53][1], 240);
    EXPECT_EQ(Console.ConsoleBuffer[53][3], 200);

    for (int i = 0; i < 60; ++i) Print(("line " + std::to_string(i)).c_str());
    EXPECT_EQ(ConsoleText(53), "line 59");
    EXPECT_EQ(ConsoleText(0), "line 6") << "the oldest lines are dropped one by one";
    EXPECT_EQ(TypedLine(), ">") << "scrolling never touches the input line";

    Print(std::string(400, 'w').c_str());
    EXPECT_EQ(ConsoleText(53).size(), 145u) << "long text is cut to the slot";
}

TEST_F(ConsoleTest, EditingLimits) {
    ConsoleBackspace();
    EXPECT_EQ(TypedLine(), ">") << "the prompt stays";
    for (int i = 0; i < 150; ++i) ConsoleAppendChar('A' + i % 26);
    EXPECT_EQ(TypedLine().size(), 145u) << "144 typed characters and the prompt";
    EXPECT_EQ(Console.ConsoleBuffer[CONSOLE_INPUT_SLOT][149], 0);
    ConsoleBackspace();
    EXPECT_EQ(TypedLine().size(), 144u);

    ConsoleInit();
    Console.ConsoleState = CON_OPEN;
    ConsoleAppendChar('X');
    ConsoleAppendChar('Y');
    ConsoleAppendChar('Z');
    TickWithKeys({DIK_BACK, DIK_LEFT});
    EXPECT_EQ(TypedLine(), ">X") << "Backspace and Left in one tick remove two characters";
}

TEST_F(ConsoleTest, KeysAppendInTableOrderOncePerPress) {
    Console.ConsoleState = CON_OPEN;
    TickWithKeys({DIK_Z, DIK_A, DIK_0, DIK_1, DIK_SLASH, DIK_SPACE, DIK_DELETE});
    EXPECT_EQ(TypedLine(), ">10AZ/ .");
    TickWithKeys({DIK_Z, DIK_A, DIK_0, DIK_1, DIK_SLASH, DIK_SPACE, DIK_DELETE});
    EXPECT_EQ(TypedLine(), ">10AZ/ .") << "held keys do not repeat";
    TickWithKeys({});
    TickWithKeys({DIK_MINUS});
    EXPECT_EQ(TypedLine(), ">10AZ/ .") << "minus alone types nothing";
    TickWithKeys({});
    TickWithKeys({DIK_RSHIFT, DIK_MINUS});
    EXPECT_EQ(TypedLine(), ">10AZ/ ._");
}

TEST_F(ConsoleTest, SubmitEmptyAndUnknown) {
    Console.ConsoleState = CON_OPEN;
    uint8_t before[CONSOLE_SLOTS][CONSOLE_LINE_BYTES];
    memcpy(before, Console.ConsoleBuffer, sizeof before);
    ConsoleSubmit();
    EXPECT_EQ(memcmp(before, Console.ConsoleBuffer, sizeof before), 0) << "Enter on an empty line changes nothing";

    Print("older");
    for (char c : std::string("FOO")) ConsoleAppendChar(c);
    ConsoleSubmit();
    EXPECT_EQ(ConsoleText(53), " - Unknown Command: FOO");
    EXPECT_EQ(Console.ConsoleBuffer[53][0], 122);
    EXPECT_EQ(Console.ConsoleBuffer[53][1], 122);
    EXPECT_EQ(ConsoleText(52), "older") << "exactly one new history line";
    EXPECT_EQ(TypedLine(), ">");

    for (int i = 0; i < 144; ++i) ConsoleAppendChar('Q');
    ConsoleSubmit();
    EXPECT_EQ(ConsoleText(53), " - Unknown Command: " + std::string(125, 'Q')) << "result line cut to the slot";
}

TEST_F(ConsoleTest, AidsRecallCompleteTypeTheFullStopAndKeepTheTypedLine) {
    ScratchDir dir;
    WriteFile("LEVEL1.LVL", "NAME=a\r");
    WriteFile("LEVEL2.LVL", "NAME=b\r");
    WriteFile("lower.LVL", "NAME=c\r");  // the console cannot type its name
    Console.ConsoleState = CON_OPEN;
    auto type = [](const std::string& text) {
        for (char c : text) ConsoleAppendChar(c);
    };
    // Without the key the classic console: Up, Down, Tab and the full stop type nothing and recall nothing.
    type("FPS");
    ConsoleSubmit();
    EXPECT_EQ(ConsoleText(53), " - Command Accepted") << "the echo is overwritten by the reply";
    TickWithKeys({DIK_UP});
    TickWithKeys({DIK_TAB, DIK_PERIOD});
    EXPECT_EQ(TypedLine(), ">");

    Settings.CONSOLEAIDS = 1;
    type("FPS");
    ConsoleSubmit();
    EXPECT_EQ(ConsoleText(52), ">FPS") << "the typed line stays above its reply";
    EXPECT_EQ(Console.ConsoleBuffer[52][0], NOTIFY_NONE) << "as a plain line, not a notify line that never fades";
    EXPECT_EQ(ConsoleText(53), " - Command Accepted");
    type("MENU");
    ConsoleSubmit();
    type("MENU");
    ConsoleSubmit();  // typed twice in a row: recalled once
    type("HALF");
    TickWithKeys({DIK_UP});
    EXPECT_EQ(TypedLine(), ">MENU");
    TickWithKeys({});
    TickWithKeys({DIK_UP});
    EXPECT_EQ(TypedLine(), ">FPS");
    TickWithKeys({});
    TickWithKeys({DIK_UP});
    EXPECT_EQ(TypedLine(), ">FPS") << "the oldest stays";
    TickWithKeys({});
    TickWithKeys({DIK_DOWN});
    TickWithKeys({});
    TickWithKeys({DIK_DOWN});
    EXPECT_EQ(TypedLine(), ">") << "past the newest: an empty line";
    for (int i = 0; i < 40; ++i) ConsoleRemember(("SAY " + std::to_string(i)).c_str());
    EXPECT_EQ(Console.RecalledCount, CONSOLE_RECALLED);
    EXPECT_STREQ(Console.Recalled[0], "SAY 8") << "the last 32 are kept";

    // Tab: as far as every candidate agrees, then the candidates; level files after LOAD.
    type("TOGG");
    TickWithKeys({DIK_TAB});
    EXPECT_EQ(TypedLine(), ">TOGGLE");
    TickWithKeys({});
    TickWithKeys({DIK_TAB});
    EXPECT_EQ(ConsoleText(53), "TOGGLESHADING TOGGLEZBUFF TOGGLEMOUSELOOK TOGGLECROSSHAIR");
    ConsoleInit();
    Console.ConsoleState = CON_OPEN;
    TickWithKeys({});
    type("LO");
    TickWithKeys({DIK_TAB});
    EXPECT_EQ(TypedLine(), ">LOAD") << "LOAD and LOADGAME agree that far";
    TickWithKeys({});
    TickWithKeys({DIK_SPACE});
    TickWithKeys({});
    TickWithKeys({DIK_TAB});
    EXPECT_EQ(TypedLine(), ">LOAD LEVEL");
    TickWithKeys({});
    TickWithKeys({DIK_2, DIK_TAB});
    EXPECT_EQ(TypedLine(), ">LOAD LEVEL2.LVL") << "the digit first, then Tab finishes the name";
    TickWithKeys({});
    TickWithKeys({DIK_BACK});
    TickWithKeys({});
    TickWithKeys({DIK_PERIOD});
    TickWithKeys({});
    TickWithKeys({DIK_DECIMAL});
    EXPECT_EQ(TypedLine(), ">LOAD LEVEL2.LV..") << "both full-stop keys type one";
}

TEST_F(ConsoleTest, FadeCounters) {
    Print("one");
    PrintNotify(90, "ninety");
    PrintNotify(255, "forever");
    PrintNotify(2, "two");
    ConsoleFadeStep();
    EXPECT_EQ(Console.ConsoleBuffer[50][0], 1);
    EXPECT_EQ(Console.ConsoleBuffer[51][0], 89);
    EXPECT_EQ(Console.ConsoleBuffer[52][0], 255);
    EXPECT_EQ(Console.ConsoleBuffer[53][0], 1);
    for (int i = 0; i < 100; ++i) ConsoleFadeStep();
    EXPECT_EQ(Console.ConsoleBuffer[51][0], 1) << "a notify line ends as a console-only line";
    EXPECT_EQ(Console.ConsoleBuffer[CONSOLE_INPUT_SLOT][0], 255);
}

TEST_F(ConsoleTest, RollHeightsAndToggles) {
    for (int screenY : {480, 600}) {
        Settings.SCREENY = screenY;
        Console.ConsoleState = CON_CLOSED;
        Console.ConsoleHeight = 0;
        ConsoleToggle();
        int steps = 0;
        while (Console.ConsoleState != CON_OPEN && steps < 1000) {
            ConsoleRollStep();
            ++steps;
        }
        EXPECT_EQ(Console.ConsoleHeight, screenY / 2) << "stops at half the screen";
        ConsoleToggle();
        while (Console.ConsoleState != CON_CLOSED && steps < 2000) {
            ConsoleRollStep();
            ++steps;
        }
        EXPECT_EQ(Console.ConsoleHeight, 0);
    }
    Settings.SCREENY = 480;
    ConsoleOpenFull();
    EXPECT_EQ(Console.ConsoleHeight, 480);
    ConsoleToggle();
    ConsoleRollStep();
    EXPECT_EQ(Console.ConsoleHeight, 468);
    EXPECT_EQ(ConsoleToggle(), CON_ROLLING_DOWN);
    ConsoleRollStep();
    EXPECT_EQ(Console.ConsoleState, CON_OPEN) << "above half height the reversed roll opens at once";
    EXPECT_EQ(Console.ConsoleHeight, 468);
    Console.ConsoleState = 7;
    EXPECT_EQ(ConsoleToggle(), 0);
}

// Pixels of the presented frame that differ from black: where text or a panel appeared.
int LitPixels(int x0, int y0, int x1, int y1) {
    int w = 0, h = 0;
    const uint32_t* img = LastPresentedImage(&w, &h);
    int n = 0;
    for (int y = y0; y < y1 && y < h; ++y)
        for (int x = x0; x < x1 && x < w; ++x) n += img[y * w + x] != 0;
    return n;
}

TEST_F(ConsoleTest, NotifyLinesAndPanelOnScreen) {
    Print("console only");
    PrintNotify(90, "NOTIFY");
    // Closed: the notify line at (10, 10), the plain line nowhere.
    EXPECT_GT(LitPixels(10, 10, 200, 25), 20);
    EXPECT_EQ(LitPixels(0, 30, 640, 480), 0);
    PrintNotify(90, "SECOND");
    EXPECT_GT(LitPixels(10, 25, 200, 40), 20) << "the second notify line is 15 pixels lower";

    // Open at 240: the panel fills the top half in palette index 210 and covers the notify lines.
    Console.ConsoleState = CON_OPEN;
    Console.ConsoleHeight = 240;
    Print("x");
    int w = 0, h = 0;
    const uint32_t* img = LastPresentedImage(&w, &h);
    EXPECT_EQ(img[5 * w + 630], 0x000078u) << "index 210 is (0, 0, 120)";
    EXPECT_EQ(img[300 * w + 320], 0u);
    EXPECT_GT(LitPixels(10, 240 - 30, 30, 240 - 15), 5) << "the prompt at ConsoleHeight - 30";
}

}  // namespace
