// Process entry: start-up in a fixed order, the never-sleeping main loop, shutdown, the event log.
#include "app/app.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "app/commands.h"
#include "app/crash.h"
#include "app/dispatch.h"
#include "app/frame.h"
#include "app/settings.h"
#include "app/stats.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/print.h"
#include "core/random.h"
#include "defs/definition.h"
#include "defs/menu.h"
#include "demo/demo.h"
#include "game/world.h"
#include "input/input.h"
#include "net/net.h"
#include "platform/platform.h"
#include "render/raster.h"
#include "render/video.h"

static uint32_t LastTickTime, LastFrameTime;  // the timers' last tick and frame
static bool TimersStarted;
static bool PassWorked;  // the last RunTimers ran a tick or a frame
static MainLoopHook PassHook;

void SetPassHook(MainLoopHook hook) { PassHook = hook; }

// Every printed line presents a whole frame at once, so that messages printed in the middle of a long
// load appear immediately.
static void PresentPrintedLine() { RenderFrame(); }

void InstallConsolePrinting() {
    SetClockSource(PlatformTicksMs);
    ConsoleSetPresenter(PresentPrintedLine);
    ConsoleSetCommandHandler(ExecuteCommand);
}

void HandleActivation(int code) {
    bool active = code == 1 || code == 2;
    uint8_t previous = Program.AppActive;
    Program.AppActive = active ? 1 : 0;
    if (active && !previous) RestoreSurfaces();
    if (active) InputReacquire();
    if (code == 0) {
        // Whatever was held when the focus went is let go: the snapshots are emptied and the player's
        // controls, which the input step no longer rewrites, stop at once.
        Input.InputActive = false;
        InputReleaseAll();
        World.ObjectTable[0].controls = ControlFlags{};
    }
}

void ResetTimers() { TimersStarted = false; }

int RunTimers() {
    // A recording that plays back gives the clock of every pass.
    const uint32_t now = DemoPlaying() ? DemoPlaybackClock() : PlatformTicksMs();
    bool first = !TimersStarted;
    if (first) {
        TimersStarted = true;
        LastTickTime = LastFrameTime = now;
    }
    bool worked = false;
    PassWorked = true;
    if (int32_t(now - LastTickTime) > 5) {
        LastTickTime = now;
        RunLogicTick(now);
        ++Program.TickCount;
        StatsTick();
        DemoRecordPass(now, true);
        DemoRecordTick();
        return 1;
    } else if (int32_t(now - LastFrameTime) > 25) {
        LastFrameTime = now;
        auto composed = std::chrono::steady_clock::now();
        RenderFrame();
        StatsFrame(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - composed).count());
        MusicService();
        worked = true;
    }
    PassWorked = worked;
    DemoRecordPass(now, worked || first);
    return 1;
}

// When the next tick or frame is due on the timers' clock: the earlier of the two.
static uint32_t NextDue() {
    uint32_t tick = LastTickTime + 6, frame = LastFrameTime + 26;
    return int32_t(frame - tick) < 0 ? frame : tick;
}

static void Report(int ok, const char* success, const char* failure) { Print(ok ? success : failure); }

int StartSubsystems() {
    Print("Welcome!");
    Print("");
    Print(Program.WindowTitle);
    Print("");
    PlatformShowCursor(false);
    SeedRandom(uint32_t(time(nullptr)));
    Report(BuildTrigTables(), "Maths System Initialised...", "Maths System Initialisation Failed!");
    Report(InputInit(), "Input System Initialised...", "Input System Initialisation Failed!");
    Report(InitVideo(), "Video System Initialised...", "Video System Initialisation Failed!");
    RegisterGameFont();
    Report(SoundInit(), "Sound System Initialised...", "Sound System Initialisation Failed!");
    Report(MusicInit(), "Music System Initialised...", "Music System Initialisation Failed!");
    Report(NetInit(), "Network System Initialised...", "Network System Initialisation Failed!");
    Print("");
    Print("There are 2 console commands: QUIT and EXIT");
    PrintNotify(250, "=== Press ` (\xAC) to access the console ===");
    Print("");
    return 1;
}

int StopSubsystems() {
    NetShutdown();
    SoundShutdown();
    MusicShutdown();
    ShutdownVideo();
    RemoveGameFont();
    InputShutdown();
    PlatformShowCursor(true);
    return 1;
}

static int RunProgram(const ProgramOptions& options) {
    ConsoleInit();
    InstallConsolePrinting();
    SeedRandom(uint32_t(time(nullptr)));
    LogStart();
    LogEvent("||| Starting Zarvo.exe |||||||||||||||||||||||||||||||||||||||||||||||||||");
    LogEvent("Information gets newer as you scroll down (appended at the bottom)");
    snprintf(Program.WindowTitle, sizeof Program.WindowTitle, "Harrowfen Brimstalk [%d.%d%d], Codebase Zarvo 0.07", 1,
             0, 8);
    char reason[512];
    if (!PlatformOpenWindow(Program.WindowTitle, reason, sizeof reason)) {
        fprintf(stderr, "zarvo: cannot open a window: %s\n", reason);
        return 1;
    }
    ReadSettings();
    ReadSoundFontName();
    ReadStartMenuName();
    ReadUserSettings(options.userSettings, options.playPath == nullptr);
    DemoPlaybackApplySettings();
    ApplyStartupOptions(options.window);
    StartSubsystems();
    SetMusicVolume(Settings.MUSICVOL);
    if (options.recordPath) DemoRecordStart(options.recordPath);
    Input.PointerX = Settings.SCREENX / 2;
    Input.PointerY = Settings.SCREENY / 2;
    // Before any level has run the player is a fresh one, so a level loaded without RESETPLAYER (LOAD
    // from the console in a fresh game) starts playable rather than on the death screen.
    ResetPlayer();
    LoadMenu(Settings.StartMenuFile, false);
    ConsoleOpenFull();
    ConsoleToggle();

    bool running = true;
    while (running) {
        if (PassHook) PassHook();
        DemoPlaybackBeginPass();
        PlatformEvent ev;
        bool tookEvent = false;
        if (Program.QuitRequested) {
            running = false;  // the quit message ends the loop after this pass
        } else if (DemoPlaying() ? DemoPlaybackPollEvent(&ev) : PlatformPollEvent(&ev)) {
            tookEvent = true;
            DemoRecordEvent(ev);
            if (ev.type == PE_QUIT) PostQuit(0);
            if (ev.type == PE_ACTIVATE) HandleActivation(ev.code);
        }
        RunTimers();
        StatsPass(PlatformTicksMs());
        // Nothing was due: wait until something is, instead of spinning (a recording that plays back
        // keeps its own time, and the headless backend never waits).
        if (running && !PassWorked && !tookEvent && !Program.QuitRequested && !DemoPlaying())
            PlatformWaitUntil(NextDue());
    }
    DemoRecordFinish();
    SaveUserSettings();
    DemoPlaybackFinish();

    LoadMenu(Settings.StartMenuFile, false);
    StopSubsystems();
    PlatformCloseWindow();
    return Program.QuitCode;
}

int ProgramMain(const ProgramOptions& options) {
    InstallCrashHandlers();
    if (options.stats) StatsEnablePrinting();
    try {
        return RunProgram(options);
    } catch (...) {
        Print("Crashed :( But properly");
        PostQuit(0);
        PlatformCloseWindow();
        return 1;  // a crash is not a clean exit
    }
}
