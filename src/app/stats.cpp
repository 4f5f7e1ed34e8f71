// Counting ticks, frames, frame time and CPU time per second.
#include "app/stats.h"

#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "platform/system.h"
#include "render/video.h"

StatsRecord Stats;

void StatsEnablePrinting() {
    Stats.printing = true;
    PlatformMsSinceProcessStart();  // the fallback's time base, as early as can be
}

void StatsToggleCounter() { Stats.counterShown = !Stats.counterShown; }

void StatsTick() { ++Stats.ticks; }

void StatsFrame(double ms) {
    ++Stats.frames;
    Stats.lastFrameMs = ms;
    Stats.frameMsSum += ms;
    if (Stats.printing && !Stats.firstFrameSaid) {
        Stats.firstFrameSaid = true;
        printf("first_frame_ms=%.0f\n", PlatformMsSinceProcessStart());
        fflush(stdout);
    }
}

void StatsPass(uint32_t nowMs) {
    if (!Stats.started) {
        Stats.started = true;
        Stats.secondStart = nowMs;
        Stats.cpuAtSecondStart = PlatformCpuSeconds();
        return;
    }
    uint32_t elapsed = nowMs - Stats.secondStart;
    if (elapsed < 1000) return;
    Stats.ticksPerSecond = Stats.ticks;
    Stats.framesPerSecond = Stats.frames;
    if (Stats.printing) {
        double cpu = PlatformCpuSeconds();
        printf("ticks=%d frames=%d frame_ms=%.2f cpu=%.1f\n", Stats.ticks, Stats.frames,
               Stats.frames ? Stats.frameMsSum / Stats.frames : 0.0,
               (cpu - Stats.cpuAtSecondStart) * 100000.0 / elapsed);
        fflush(stdout);
        Stats.cpuAtSecondStart = cpu;
    }
    Stats.ticks = Stats.frames = 0;
    Stats.frameMsSum = 0;
    Stats.secondStart = nowMs;
}

void StatsDrawCounter() {
    if (!Stats.counterShown) return;
    char text[64];
    snprintf(text, sizeof text, "%d tps  %d fps  %.1f ms", Stats.ticksPerSecond, Stats.framesPerSecond,
             Stats.lastFrameMs);
    int32_t w = 0, h = 0;
    MeasureScreenText(text, &w, &h, SmallFont);
    DrawScreenText(text, Settings.SCREENX - w - 10, 10, Rgb(255, 255, 255), SmallFont);
}
