// The print and log sink, and the clock the log reads.
#include "core/print.h"

#include <cstdio>

#include "core/paths.h"

LogRecord Log;

static void LogOnly(uint8_t, const char* text) { LogEvent(text); }

void SetPrintSink(PrintSink sink) { Log.Sink = sink; }
PrintSink CurrentPrintSink() { return Log.Sink ? Log.Sink : LogOnly; }
void Print(const char* text) { CurrentPrintSink()(NOTIFY_NONE, text ? text : ""); }
void PrintNotify(uint8_t counter, const char* text) { CurrentPrintSink()(counter, text ? text : ""); }

void SetClockSource(ClockSource source) { Log.Clock = source; }
uint32_t ClockMs() { return Log.Clock ? Log.Clock() : 0; }

void LogStart() { Log.StartTime = ClockMs(); }
void SetLogStartTime(uint32_t ms) { Log.StartTime = ms; }

int LogEvent(const char* text) {
    // The log is written only when error.txt already exists; it is opened and closed per record so
    // that it is complete up to the last line even after a crash.
    char path[1024];
    if (!WritePath(path, sizeof path, "error.txt")) return 1;
    FILE* f = fopen(path, "r+b");
    if (!f) return 1;
    fseek(f, 0, SEEK_END);
    fprintf(f, "[%s] (%dms)\r\n", text, int32_t(ClockMs() - Log.StartTime));
    fclose(f);
    return 1;
}
