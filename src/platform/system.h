// Operating-system services behind the boundary: files and folders, the process (its clock since start,
// CPU time, crash report, file size limit) and the network start-up's socket. Nothing outside
// src/platform includes the system's own headers for these.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---- files and folders -------------------------------------------------------------------------------
enum PlatformPath { PATH_NONE = 0, PATH_FILE = 1, PATH_DIRECTORY = 2, PATH_OTHER = 3 };
// What `path` names: nothing, a regular file, a folder or something else (a device, a pipe).
int PlatformPathKind(const char* path);
// The size of a regular file; false when `path` is not one.
bool PlatformFileSize(const char* path, uint64_t* size);
// Whether the process may read the file.
bool PlatformCanRead(const char* path);
// Whether the game may write into the folder: the system says so and, for root (whom the system lets
// write anywhere), the folder's mode has a write bit at all, so that a folder made read-only stays so.
bool PlatformFolderWritable(const char* path);
// Makes the folder and any missing parents (0755). True when it is a folder afterwards.
bool PlatformMakeDirectories(const std::string& path);
// The names of the entries of a folder (not "." and ".."), sorted; empty when it cannot be read.
std::vector<std::string> PlatformListDirectory(const char* path);
// The absolute path with every link resolved; the path as given when it cannot be resolved.
std::string PlatformAbsolutePath(const char* path);
bool PlatformChangeDirectory(const char* path);
// The working directory ("" when it cannot be told).
std::string PlatformCurrentDirectory();
// The running program's own file ("" when it cannot be told).
std::string PlatformExecutablePath();
// Writes `size` bytes into a new file beside `path` and renames it over `path`, so that `path` holds
// either its old content or the whole new one, whatever happens (a full disk, a file size limit, a crash).
// False, with the system's reason in *why when given, when any step failed; the old file is untouched.
bool PlatformWriteFileWhole(const char* path, const void* bytes, size_t size, std::string* why = nullptr);

// ---- the process -------------------------------------------------------------------------------------
// Reports a fatal signal (its name and a backtrace on standard error, a record in error.txt when that file
// exists) and ends the process with status 128 + the signal.
void PlatformInstallCrashHandler();
// CPU time the process has used, in seconds.
double PlatformCpuSeconds();
// A millisecond clock that follows real time whatever the game's clock does (cheap to read; wraps).
uint32_t PlatformRealMs();
// Milliseconds since the process started (since the first call where the system cannot tell).
double PlatformMsSinceProcessStart();
// Limits the size of any file the process writes from now on (tests of a full disk); false when refused.
bool PlatformLimitFileSize(uint64_t bytes);
// From now on SIGTERM and SIGINT only note the request (a dedicated host ends its game cleanly on them).
void PlatformWatchTerminate();
// Whether SIGTERM or SIGINT arrived since PlatformWatchTerminate.
bool PlatformTerminateRequested();

// ---- the network start-up's socket -------------------------------------------------------------------
// Opens one unbound UDP socket; false when the system refuses.
bool PlatformNetOpenSocket();
void PlatformNetCloseSocket();
// Bytes waiting on the socket; -1 when none is open, 0 when the system cannot tell.
int PlatformNetPending();
