// The print and log sink, and the clock the log reads.
#include "core/print.h"

#include <cstdio>

#include "core/paths.h"

namespace {

void LogOnly(uint8_t, const char* text) { LogEvent(text); }

PrintSink Sink = LogOnly;
ClockSource Clock = nullptr;
uint32_t LogStartTime = 0;

}  // namespace

void SetPrintSink(PrintSink sink) { Sink = sink ? sink : LogOnly; }
PrintSink CurrentPrintSink() { return Sink; }
void Print(const char* text) { Sink(NOTIFY_NONE, text ? text : ""); }
void PrintNotify(uint8_t counter, const char* text) { Sink(counter, text ? text : ""); }

void SetClockSource(ClockSource source) { Clock = source; }
uint32_t ClockMs() { return Clock ? Clock() : 0; }

void LogStart() { LogStartTime = ClockMs(); }
void SetLogStartTime(uint32_t ms) { LogStartTime = ms; }

int LogEvent(const char* text) {
    // The log is written only when error.txt already exists; it is opened and closed per record so
    // that it is complete up to the last line even after a crash.
    char path[1024];
    if (!WritePath(path, sizeof path, "error.txt")) return 1;
    FILE* f = fopen(path, "r+b");
    if (!f) return 1;
    fseek(f, 0, SEEK_END);
    fprintf(f, "[%s] (%dms)\r\n", text, int32_t(ClockMs() - LogStartTime));
    fclose(f);
    return 1;
}
