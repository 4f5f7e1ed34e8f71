// Crash reports: a fatal signal is reported on standard error and in the event log before the process ends.
#pragma once

// Installs handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT: each prints "zarvo: crashed (signal
// NAME)" and a backtrace to standard error, appends the same line to error.txt when that file exists, and
// ends the process with status 128 + the signal number.
void InstallCrashHandlers();
