// Whole-file reads with a size limit, for the loaders that parse a file in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the file into out (replacing its contents). False when it cannot be opened or read, or when it
// holds more than maxBytes bytes (nothing larger is ever read into memory).
bool ReadFileBounded(const char* path, size_t maxBytes, std::vector<uint8_t>& out);

// The files the loaders opened while the log is on: the level loader turns it on to learn which files its
// level is made of (a saved game names them). Each name is kept once, at most FILE_LOG_NAMES of them.
constexpr size_t FILE_LOG_NAMES = 1024;
struct FileLogRecord {
    bool On = false;
    std::vector<std::string> Names;
};
extern FileLogRecord FileLog;
// Starts a fresh list (On), or stops adding to it.
void FileLogStart();
void FileLogStop();
// A loader opened the file: noted while the log is on.
void NoteFileRead(const char* name);
