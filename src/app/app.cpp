// Process entry: start-up in a fixed order, one pass of the main loop, shutdown; the backend drives the passes.
#include "app/app.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "app/commands.h"
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
#include "net/netplay.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "render/raster.h"
#include "render/video.h"

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
        // In a network game the controls read here are the ones sent ahead; the world's are the host's.
        if (ControlFlags* local = NetPlayLocalControls())
            *local = ControlFlags{};
        else
            World.ObjectTable[0].controls = ControlFlags{};
    }
}

void ResetTimers() { Program.TimersStarted = false; }

int RunTimers() {
    // A recording that plays back gives the clock of every pass.
    const uint32_t now = DemoPlaying() ? DemoPlaybackClock() : PlatformTicksMs();
    bool first = !Program.TimersStarted;
    if (first) {
        Program.TimersStarted = true;
        Program.LastTickTime = Program.LastFrameTime = now;
    }
    bool worked = false;
    Program.PassWorked = true;
    // In a network game a tick also waits for the host's record of it.
    if (NetPlayTickDue(now, int32_t(now - Program.LastTickTime) > 5)) {
        Program.LastTickTime = now;
        RunLogicTick(now);
        ++Program.TickCount;
        StatsTick();
        DemoRecordPass(now, true);
        DemoRecordTick();
        return 1;
    } else if (int32_t(now - Program.LastFrameTime) > 25) {
        Program.LastFrameTime = now;
        auto composed = std::chrono::steady_clock::now();
        RenderFrame();
        StatsFrame(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - composed).count());
        MusicService();
        worked = true;
    }
    Program.PassWorked = worked;
    DemoRecordPass(now, worked || first);
    return 1;
}

uint32_t ProgramNextDue() {
    uint32_t tick = Program.LastTickTime + 6, frame = Program.LastFrameTime + 26;
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

bool ProgramStart(const ProgramOptions& options) {
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
        Program.QuitCode = 1;
        return false;
    }
    ReadSettings();
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
    Program.LoopEnded = false;
    if (options.hostPort > 0) NetPlayHost(uint16_t(options.hostPort), false);
    if (options.joinAddress) NetPlayJoin(options.joinAddress, uint16_t(options.joinPort));
    return true;
}

int ProgramPass() {
    if (Program.LoopEnded) return PASS_ENDED;
    DemoPlaybackBeginPass();
    PlatformEvent ev;
    bool tookEvent = false;
    const bool ending = Program.QuitRequested;  // the quit request ends the loop after this pass
    if (!ending && (DemoPlaying() ? DemoPlaybackPollEvent(&ev) : PlatformPollEvent(&ev))) {
        tookEvent = true;
        DemoRecordEvent(ev);
        if (ev.type == PE_QUIT) PostQuit(0);
        if (ev.type == PE_ACTIVATE) HandleActivation(ev.code);
    }
    RunTimers();
    StatsPass(PlatformTicksMs());
    if (ending) {
        Program.LoopEnded = true;
        return PASS_ENDED;
    }
    // Nothing was due: the backend may wait until something is, instead of spinning (a recording that
    // plays back keeps its own time).
    const bool idle = !Program.PassWorked && !tookEvent && !Program.QuitRequested && !DemoPlaying();
    return idle ? PASS_IDLE : PASS_WORKED;
}

int ProgramStop() {
    NetPlayShutdown();
    DemoRecordFinish();
    SaveUserSettings();
    DemoPlaybackFinish();

    LoadMenu(Settings.StartMenuFile, false);
    Program.Ending = true;
    StopSubsystems();
    PlatformCloseWindow();
    return Program.QuitCode;
}

int ProgramMain(const ProgramOptions& options, int (*drive)(const PlatformLoop& loop)) {
    PlatformInstallCrashHandler();
    if (options.stats) StatsEnablePrinting();
    try {
        if (!ProgramStart(options)) return Program.QuitCode;
        return (drive ? drive : PlatformRunLoop)(PlatformLoop{ProgramPass, ProgramNextDue, ProgramStop});
    } catch (...) {
        Print("Crashed :( But properly");
        PostQuit(0);
        PlatformCloseWindow();
        return 1;  // a crash is not a clean exit
    }
}
