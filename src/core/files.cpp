// Whole-file reads with a size limit.
#include "core/files.h"

#include <cstdio>
#include <cstring>

FileLogRecord FileLog;

void FileLogStart() {
    FileLog.Names.clear();
    FileLog.On = true;
}

void FileLogStop() { FileLog.On = false; }

void NoteFileRead(const char* name) {
    if (!FileLog.On || !name || !name[0] || FileLog.Names.size() >= FILE_LOG_NAMES) return;
    for (const std::string& n : FileLog.Names)
        if (n == name) return;
    FileLog.Names.emplace_back(name);
}

bool ReadFileBounded(const char* path, size_t maxBytes, std::vector<uint8_t>& out) {
    out.clear();
    if (!path || !path[0]) return false;
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    uint8_t block[16384];
    bool ok = true;
    for (;;) {
        size_t n = fread(block, 1, sizeof block, f);
        if (n == 0) {
            ok = !ferror(f);
            break;
        }
        if (out.size() + n > maxBytes) {
            ok = false;
            break;
        }
        out.insert(out.end(), block, block + n);
    }
    fclose(f);
    return ok;
}
