// Finding the game's data: the folder given with --data, the working directory when it holds
// config.ini, or the installed share/zarvo; and where the game may write.
#pragma once
#include <string>

struct DataDirectory {
    std::string path;        // absolute
    bool installed = false;  // the installed copy: never written to
    bool writable = false;   // the game writes its log and screenshots here
};

// The data directory for an explicit --data folder (null when none), the working directory and the
// installed folders (the one beside the program, exe/../share/zarvo, then the configured install
// prefix's). False with a one-line reason when none holds config.ini.
bool FindDataDirectory(const char* explicitDir, const char* exePath, DataDirectory* out, std::string* reason);

// Makes the data directory the working directory and sets where the game writes: the data directory
// when it may be written, else the user's data folder. False with a reason when chdir fails.
bool EnterDataDirectory(const DataDirectory& dir, std::string* reason);
