// Helpers shared by the fuzz targets: a scratch working directory and small file writes.
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

// Makes /tmp/zarvo_fuzz_NAME_PID the working directory; false when that fails.
inline bool EnterFuzzDirectory(const char* name) {
    std::string dir = std::string("/tmp/zarvo_fuzz_") + name + "_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    return chdir(dir.c_str()) == 0;
}

inline void WriteFuzzFile(const std::string& name, const std::string& bytes) {
    if (FILE* f = std::fopen(name.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}
