// The print and log sink: every message of the program goes through Print or PrintNotify. The console
// installs the sink that shows a line (and presents the frame that shows it at once); until a sink is
// installed, a printed line only reaches the event log.
#pragma once
#include <cstdint>

// Bytes of one console line: four attribute bytes, at most 145 characters of text and the NUL. A
// message longer than that is cut when it is shown.
constexpr int CONSOLE_LINE_BYTES = 150;

// Notify counters of the console: how long a line stays on screen over the game.
constexpr uint8_t NOTIFY_NONE = 1;    // shown only inside the open console
constexpr uint8_t NOTIFY_GAME = 90;   // game and command messages
constexpr uint8_t NOTIFY_HINT = 250;  // the start-up hint

using PrintSink = void (*)(uint8_t counter, const char* text);
// The millisecond clock the log reads (the platform's, set at start-up); 0 while none is set.
using ClockSource = uint32_t (*)();

// Where printed lines go and what the log's records count from.
struct LogRecord {
    PrintSink Sink = nullptr;     // null: the log only
    ClockSource Clock = nullptr;  // null: the clock reads 0
    uint32_t StartTime = 0;       // the clock at process entry: the time base of the records
};
extern LogRecord Log;

void SetPrintSink(PrintSink sink);
// The sink installed now (a tap that reads the lines passes them on to it).
PrintSink CurrentPrintSink();
// A message with notify counter 1 (progress and errors of start-up and the loaders).
void Print(const char* text);
// A message the player should see during play: counter 90 for game messages.
void PrintNotify(uint8_t counter, const char* text);

void SetClockSource(ClockSource source);
uint32_t ClockMs();

// Marks process entry: the time base of the log's records.
void LogStart();
// Appends "[text] (Nms)\r\n" to error.txt when that file already exists, N the milliseconds since
// LogStart. Returns 1.
int LogEvent(const char* text);
// The log's time base (tests set it to check the record format).
void SetLogStartTime(uint32_t ms);
