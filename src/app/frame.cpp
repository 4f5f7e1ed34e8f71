// Frame composition: clears, draws the passes of the current game state, the menu and the console,
// and presents.
#include "app/frame.h"

#include "app/stats.h"
#include "console/console.h"
#include "core/program.h"
#include "defs/menu.h"
#include "input/input.h"
#include "net/netplay.h"
#include "render/aids.h"
#include "render/passes.h"
#include "render/video.h"

void DrawMenuItems() {
    if (!Menu.Visible) return;
    RefreshMenuTexts();
    for (int i = 0; i < Menu.itemCount && i < MENU_ITEMS; ++i) {
        const MenuItem& m = Menu.items[i];
        DrawScreenText(m.shown, m.x, m.y, i == Menu.selected ? Rgb(255, 0, 0) : Rgb(255, 255, 0), LargeFont);
    }
}

void DrawMenuPointer() {
    if (!Menu.Visible) return;
    // The glyph's size changes with the fonts only when the view scales with the screen.
    if (Menu.pointerScale != Video.ViewScale) {
        Menu.pointerScale = Video.ViewScale;
        Menu.pointerHalfW = Menu.pointerHalfH = 0;
    }
    if (Menu.pointerHalfW == 0) {
        int32_t w = 0, h = 0;
        if (MeasureScreenText("X", &w, &h, SmallFont)) {
            Menu.pointerHalfW = w >> 1;
            Menu.pointerHalfH = h >> 1;
        }
    }
    DrawScreenText("X", Input.PointerX - Menu.pointerHalfW, Input.PointerY - Menu.pointerHalfH, Rgb(0, 0, 255),
                   SmallFont);
}

int RenderFrame() {
    // A network level goes on while the window has no focus, and so does its picture.
    if (!Program.AppActive && !NetPlayRunning()) return 0;
    ClearBackBuffer(0);
    if (!LockBackBuffer()) return 0;
    switch (Program.GameState) {
    case GS_MENU:
        UnlockBackBuffer();
        DrawMenuItems();
        DrawMenuPointer();
        ConsoleDraw();
        break;
    case GS_PLAYING:
    case GS_PAUSED:
    case GS_LEVEL_DONE:
    case 5:
    case GS_WON:
        DrawLevelPass();
        DrawObjectPass();
        DrawViewPass();
        DrawHud();
        DrawCrosshair();
        DrawHitFeedback();
        DrawAutomap();
        UnlockBackBuffer();
        if (Program.GameState == GS_LEVEL_DONE)
            DrawLevelComplete();
        else if (Program.GameState == GS_WON)
            DrawWon();
        DrawMenuItems();
        DrawMenuPointer();
        ConsoleDraw();
        break;
    default:
        UnlockBackBuffer();
        DrawMenuPointer();
        ConsoleDraw();
        break;
    }
    StatsDrawCounter();
    PresentFrame();
    return 1;
}
