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
#include "core/paths.h"
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

// A command typed into the console: run, and kept among the ones the console recalls.
static int RunTypedCommand(const char* text) {
    const int result = ExecuteCommand(text);
    if (Settings.CONSOLEAIDS) SaveCommandHistory();
    return result;
}

void InstallConsolePrinting() {
    SetClockSource(PlatformTicksMs);
    ConsoleSetPresenter(PresentPrintedLine);
    ConsoleSetCommandHandler(RunTypedCommand);
    Console.Complete = CompleteCommand;
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

bool FollowWindow(int code) {
    if (Settings.SCREENSIZE != SCREENSIZE_WINDOW && !DemoPlaying()) return false;
    // A window smaller or larger than the sizes the game draws shows the nearest one, scaled to fit.
    auto within = [](int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; };
    const int w = within(int(uint32_t(code) >> 16), SCREEN_MIN_W, SCREEN_MAX_W);
    const int h = within(code & 0xFFFF, SCREEN_MIN_H, SCREEN_MAX_H);
    if (w == Settings.SCREENX && h == Settings.SCREENY) return false;
    const int32_t oldHeight = Settings.SCREENY;
    ChangeScreenSize(w, h);
    // An open console keeps its share of the screen.
    if (Console.ConsoleState == CON_OPEN && oldHeight > 0)
        Console.ConsoleHeight = int32_t(int64_t(Console.ConsoleHeight) * h / oldHeight);
    return true;
}

namespace {

// The millisecond at which the next frame is due on the FRAMERATE schedule (the first whole one at or
// after its exact time).
uint32_t ScheduledFrameTime() { return Program.NextFrameTime + (Program.NextFrameRemainder ? 1 : 0); }

// FRAMERATE: the next frame's place on the schedule, one period on from the last (or from `now`, when
// the schedule has fallen behind by a whole period: late frames are not caught up).
void ScheduleNextFrame(uint32_t now, bool restart) {
    const uint32_t rate = uint32_t(Settings.FRAMERATE);
    if (restart) Program.NextFrameTime = now, Program.NextFrameRemainder = 0;
    Program.NextFrameRemainder += 1000;
    Program.NextFrameTime += Program.NextFrameRemainder / rate;
    Program.NextFrameRemainder %= rate;
    if (!restart && int32_t(now - ScheduledFrameTime()) >= 0) ScheduleNextFrame(now, true);
}

bool FramePaced() { return Settings.FRAMERATE >= FRAMERATE_MIN && Settings.FRAMERATE <= FRAMERATE_MAX; }

bool FrameDue(uint32_t now) {
    // The classic timer: at least 26 ms after the last frame.
    if (!FramePaced()) return int32_t(now - Program.LastFrameTime) > 25;
    return Program.TickSinceFrame && int32_t(now - ScheduledFrameTime()) >= 0;
}

}  // namespace

int RunTimers() {
    // A recording that plays back gives the clock of every pass.
    const uint32_t now = DemoPlaying() ? DemoPlaybackClock() : PlatformTicksMs();
    bool first = !Program.TimersStarted;
    if (first) {
        Program.TimersStarted = true;
        Program.LastTickTime = Program.LastFrameTime = now;
        Program.TickSinceFrame = false;
        if (FramePaced()) ScheduleNextFrame(now, true);
    }
    bool worked = false;
    Program.PassWorked = true;
    // In a network game a tick also waits for the host's record of it.
    const bool timerDue = int32_t(now - Program.LastTickTime) > 5;
    if (NetPlayTickDue(now, timerDue)) {
        // The classic timer takes the tick's time as it comes, so a late tick puts every later one off.
        // With FRAMERATE, frames fall due between ticks and may hold one up: the ticks keep their 6 ms
        // grid instead (one late by a whole period or more is not caught up: the grid starts again).
        const bool onGrid = timerDue && FramePaced() && int32_t(now - Program.LastTickTime) < 12;
        Program.LastTickTime = onGrid ? Program.LastTickTime + 6 : now;
        RunLogicTick(now);
        ++Program.TickCount;
        Program.TickSinceFrame = true;
        StatsTick();
        DemoRecordPass(now, true);
        DemoRecordTick();
        return 1;
    } else if (FrameDue(now)) {
        Program.LastFrameTime = now;
        Program.TickSinceFrame = false;
        if (FramePaced()) ScheduleNextFrame(now, false);
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
    const uint32_t tick = Program.LastTickTime + 6;
    // A paced frame waits for a tick first: until one has run, the tick is what is due next.
    if (FramePaced() && !Program.TickSinceFrame) return tick;
    const uint32_t frame = FramePaced() ? ScheduledFrameTime() : Program.LastFrameTime + 26;
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
    // The commands typed in earlier games, where the player's own files are kept (not while replaying).
    const std::string data = UserDataDirectory();
    ReadCommandHistory(
        options.userSettings.empty() || options.playPath || data.empty() ? "" : data + "/console_history.txt");
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
        // A resize is recorded only when the screen followed it; a recording's resize is followed always.
        if (ev.type != PE_RESIZE) DemoRecordEvent(ev);
        if (ev.type == PE_QUIT) PostQuit(0);
        if (ev.type == PE_ACTIVATE) HandleActivation(ev.code);
        if (ev.type == PE_RESIZE && FollowWindow(ev.code))
            DemoRecordEvent(
                PlatformEvent{PE_RESIZE, int((uint32_t(Settings.SCREENX) << 16) | uint32_t(Settings.SCREENY))});
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
