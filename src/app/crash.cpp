// Crash reports. The handler uses only what is safe in a signal handler: write, open, close, _exit and
// the backtrace calls (loaded once beforehand so that they need not allocate).
#include "app/crash.h"

#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <initializer_list>

namespace {

timespec Started;
// Its own stack, so that a stack overflow can still be reported.
alignas(16) char AltStack[64 * 1024];

const char* SignalName(int sig) {
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "unknown";
    }
}

// Appends text to buf at *n, never past cap.
void Append(char* buf, size_t cap, size_t* n, const char* text) {
    while (*text && *n + 1 < cap) buf[(*n)++] = *text++;
    buf[*n] = 0;
}

void AppendNumber(char* buf, size_t cap, size_t* n, long v) {
    char digits[24];
    int k = 0;
    if (v < 0) v = 0;
    do digits[k++] = char('0' + v % 10), v /= 10;
    while (v && k < 23);
    while (k > 0 && *n + 1 < cap) buf[(*n)++] = digits[--k];
    buf[*n] = 0;
}

void OnFatal(int sig) {
    char line[96];
    size_t n = 0;
    Append(line, sizeof line, &n, "zarvo: crashed (signal ");
    Append(line, sizeof line, &n, SignalName(sig));
    Append(line, sizeof line, &n, ")");
    ssize_t ignored = write(STDERR_FILENO, line, n);
    ignored = write(STDERR_FILENO, "\n", 1);
    void* frames[64];
    int depth = backtrace(frames, 64);
    backtrace_symbols_fd(frames, depth, STDERR_FILENO);
    // The event log's record form, "[text] (Nms)", when error.txt exists (it is never created here).
    int fd = open("error.txt", O_WRONLY | O_APPEND);
    if (fd >= 0) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        long ms = (now.tv_sec - Started.tv_sec) * 1000 + (now.tv_nsec - Started.tv_nsec) / 1000000;
        char record[160];
        size_t r = 0;
        Append(record, sizeof record, &r, "[");
        Append(record, sizeof record, &r, line);
        Append(record, sizeof record, &r, "] (");
        AppendNumber(record, sizeof record, &r, ms);
        Append(record, sizeof record, &r, "ms)\r\n");
        ignored = write(fd, record, r);
        close(fd);
    }
    (void)ignored;
    _exit(128 + sig);
}

}  // namespace

void InstallCrashHandlers() {
    clock_gettime(CLOCK_MONOTONIC, &Started);
    void* warm[2];
    backtrace(warm, 2);  // loads the unwinder now, not inside the handler
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnFatal;
    sigemptyset(&sa.sa_mask);
    stack_t ss;
    memset(&ss, 0, sizeof ss);
    ss.ss_sp = AltStack;
    ss.ss_size = sizeof AltStack;
    sigaltstack(&ss, nullptr);
    sa.sa_flags = SA_RESETHAND | SA_ONSTACK;
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(sig, &sa, nullptr);
}
