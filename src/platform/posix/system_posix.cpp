// Operating-system services on POSIX and Linux (see platform/system.h). The crash handler uses only what
// is safe in a signal handler: write, open, close, _exit and the backtrace calls (loaded once beforehand
// so that they need not allocate; a C library without them, such as musl, reports no backtrace).
#include <dirent.h>
#if __has_include(<execinfo.h>)
#include <execinfo.h>
#define ZARVO_BACKTRACE 1
#endif
#include <fcntl.h>
#include <limits.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "platform/system.h"

namespace {

// The process's own state at this level, which a signal handler must reach without locks.
struct SystemState {
    timespec started = {};                             // when the crash handler was installed
    alignas(16) char altStack[64 * 1024] = {};         // its own stack, so that a stack overflow can be reported
    int netSocket = -1;                                // the network start-up's socket
    std::chrono::steady_clock::time_point firstAsked;  // the time base where /proc cannot tell
    bool firstAskedSet = false;
    volatile sig_atomic_t terminate = 0;  // SIGTERM or SIGINT arrived (PlatformWatchTerminate)
};
SystemState System;

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
#ifdef ZARVO_BACKTRACE
    void* frames[64];
    int depth = backtrace(frames, 64);
    backtrace_symbols_fd(frames, depth, STDERR_FILENO);
#endif
    // The event log's record form, "[text] (Nms)", when error.txt exists (it is never created here).
    int fd = open("error.txt", O_WRONLY | O_APPEND);
    if (fd >= 0) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        long ms = (now.tv_sec - System.started.tv_sec) * 1000 + (now.tv_nsec - System.started.tv_nsec) / 1000000;
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

int PlatformPathKind(const char* path) {
    struct stat st;
    if (!path || !path[0] || stat(path, &st) != 0) return PATH_NONE;
    return S_ISREG(st.st_mode) ? PATH_FILE : S_ISDIR(st.st_mode) ? PATH_DIRECTORY : PATH_OTHER;
}

bool PlatformFileSize(const char* path, uint64_t* size) {
    struct stat st;
    if (!path || !path[0] || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *size = uint64_t(st.st_size);
    return true;
}

bool PlatformCanRead(const char* path) { return path && access(path, R_OK) == 0; }

bool PlatformFolderWritable(const char* path) {
    if (access(path, W_OK) != 0) return false;
    struct stat st;
    if (geteuid() == 0 && stat(path, &st) == 0 && (st.st_mode & 0222) == 0) return false;
    return true;
}

bool PlatformMakeDirectories(const std::string& path) {
    if (path.empty()) return false;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0 && !PlatformMakeDirectories(path.substr(0, slash))) return false;
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

std::vector<std::string> PlatformListDirectory(const char* path) {
    std::vector<std::string> names;
    if (DIR* d = opendir(path)) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string PlatformAbsolutePath(const char* path) {
    char buf[PATH_MAX];
    if (realpath(path, buf)) return buf;
    return path;
}

bool PlatformChangeDirectory(const char* path) { return chdir(path) == 0; }

std::string PlatformCurrentDirectory() {
    char here[PATH_MAX];
    return getcwd(here, sizeof here) ? here : "";
}

std::string PlatformExecutablePath() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    buf[n] = 0;
    return buf;
}

bool PlatformWriteFileWhole(const char* path, const void* bytes, size_t size, std::string* why) {
    const std::string temporary = std::string(path) + ".new";
    errno = 0;
    FILE* f = fopen(temporary.c_str(), "wb");
    bool ok = f && fwrite(bytes, 1, size, f) == size;
    if (f && fflush(f) != 0) ok = false;
    if (f && fclose(f) != 0) ok = false;
    if (ok && rename(temporary.c_str(), path) != 0) ok = false;
    if (!ok) {
        if (why) *why = errno ? strerror(errno) : "it could not be written whole";
        remove(temporary.c_str());
    }
    return ok;
}

void PlatformInstallCrashHandler() {
    clock_gettime(CLOCK_MONOTONIC, &System.started);
#ifdef ZARVO_BACKTRACE
    void* warm[2];
    backtrace(warm, 2);  // loads the unwinder now, not inside the handler
#endif
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnFatal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
#ifndef __EMSCRIPTEN__
    // (WebAssembly has no alternate stacks, nor faults that arrive as signals: in a browser a fault stops
    // the module with the error in the page's console.)
    stack_t ss;
    memset(&ss, 0, sizeof ss);
    ss.ss_sp = System.altStack;
    ss.ss_size = sizeof System.altStack;
    sigaltstack(&ss, nullptr);
    sa.sa_flags |= SA_ONSTACK;
#endif
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(sig, &sa, nullptr);
}

double PlatformCpuSeconds() {
    rusage u;
    if (getrusage(RUSAGE_SELF, &u) != 0) return 0;
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The process's start time from /proc (in clock ticks since boot) against the boot-time clock.
uint32_t PlatformRealMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

double PlatformMsSinceProcessStart() {
    if (!System.firstAskedSet) {
        System.firstAsked = std::chrono::steady_clock::now();
        System.firstAskedSet = true;
    }
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
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - System.firstAsked).count();
}

bool PlatformLimitFileSize(uint64_t bytes) {
    // A write past the limit then fails with EFBIG instead of killing the process.
    signal(SIGXFSZ, SIG_IGN);
    rlimit r;
    if (getrlimit(RLIMIT_FSIZE, &r) != 0) return false;
    r.rlim_cur = rlim_t(bytes);
    return setrlimit(RLIMIT_FSIZE, &r) == 0;
}

namespace {
void NoteTerminate(int) { System.terminate = 1; }
}  // namespace

void PlatformWatchTerminate() {
    struct sigaction sa = {};
    sa.sa_handler = NoteTerminate;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

bool PlatformTerminateRequested() { return System.terminate != 0; }

bool PlatformNetOpenSocket() {
    PlatformNetCloseSocket();
    System.netSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return System.netSocket >= 0;
}

void PlatformNetCloseSocket() {
    if (System.netSocket >= 0) close(System.netSocket);
    System.netSocket = -1;
}

int PlatformNetPending() {
    if (System.netSocket < 0) return -1;
    int count = 0;
    if (ioctl(System.netSocket, FIONREAD, &count) != 0) return 0;
    return count;
}
