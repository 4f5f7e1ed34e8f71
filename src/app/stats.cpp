// Counting ticks, frames, frame time and CPU time per second.
#include "app/stats.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "render/video.h"

namespace {

struct Counters {
    bool printing = false;
    bool counterShown = false;
    bool firstFrameSaid = false;
    uint32_t secondStart = 0;
    bool started = false;
    int ticks = 0, frames = 0;                    // in the second being counted
    int ticksPerSecond = 0, framesPerSecond = 0;  // of the last whole second
    double lastFrameMs = 0;
    double frameMsSum = 0;  // this second's frames
    double cpuAtSecondStart = 0;
};
Counters C;

double CpuSeconds() {
    rusage u;
    if (getrusage(RUSAGE_SELF, &u) != 0) return 0;
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Milliseconds since the process started: its start time from /proc (in clock ticks since boot) against
// the boot-time clock; the first call's time when /proc cannot tell.
double MsSinceProcessStart() {
    static const auto fallback = std::chrono::steady_clock::now();
    FILE* f = fopen("/proc/self/stat", "r");
    if (f) {
        char buf[1024];
        size_t n = fread(buf, 1, sizeof buf - 1, f);
        fclose(f);
        buf[n] = 0;
        // Field 22 (starttime) counts from the closing parenthesis of the command name, field 2.
        const char* p = strrchr(buf, ')');
        unsigned long long start = 0;
        int field = 2;
        for (; p && *p; ++p) {
            if (*p != ' ') continue;
            if (++field == 22) {
                start = strtoull(p + 1, nullptr, 10);
                break;
            }
        }
        timespec now;
        long hz = sysconf(_SC_CLK_TCK);
        if (start > 0 && hz > 0 && clock_gettime(CLOCK_BOOTTIME, &now) == 0)
            return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - double(start) / double(hz)) * 1000.0;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - fallback).count();
}

}  // namespace

void StatsEnablePrinting() {
    C.printing = true;
    MsSinceProcessStart();  // the fallback's time base, as early as can be
}

void StatsToggleCounter() { C.counterShown = !C.counterShown; }

void StatsTick() { ++C.ticks; }

void StatsFrame(double ms) {
    ++C.frames;
    C.lastFrameMs = ms;
    C.frameMsSum += ms;
    if (C.printing && !C.firstFrameSaid) {
        C.firstFrameSaid = true;
        printf("first_frame_ms=%.0f\n", MsSinceProcessStart());
        fflush(stdout);
    }
}

void StatsPass(uint32_t nowMs) {
    if (!C.started) {
        C.started = true;
        C.secondStart = nowMs;
        C.cpuAtSecondStart = CpuSeconds();
        return;
    }
    uint32_t elapsed = nowMs - C.secondStart;
    if (elapsed < 1000) return;
    C.ticksPerSecond = C.ticks;
    C.framesPerSecond = C.frames;
    if (C.printing) {
        double cpu = CpuSeconds();
        printf("ticks=%d frames=%d frame_ms=%.2f cpu=%.1f\n", C.ticks, C.frames,
               C.frames ? C.frameMsSum / C.frames : 0.0, (cpu - C.cpuAtSecondStart) * 100000.0 / elapsed);
        fflush(stdout);
        C.cpuAtSecondStart = cpu;
    }
    C.ticks = C.frames = 0;
    C.frameMsSum = 0;
    C.secondStart = nowMs;
}

void StatsDrawCounter() {
    if (!C.counterShown) return;
    char text[64];
    snprintf(text, sizeof text, "%d tps  %d fps  %.1f ms", C.ticksPerSecond, C.framesPerSecond, C.lastFrameMs);
    int32_t w = 0, h = 0;
    MeasureScreenText(text, &w, &h, SmallFont);
    DrawScreenText(text, Settings.SCREENX - w - 10, 10, Rgb(255, 255, 255), SmallFont);
}
