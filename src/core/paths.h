// Where the game writes: the data directory itself (the working directory) when it may be written, else
// a folder of the user's own (set at start-up); and the folders the user's files live in.
#pragma once
#include <cstddef>
#include <string>

struct PathsRecord {
    std::string WriteDirectory;  // "" for the working directory, else a folder ending in '/'
    bool Nowhere = false;        // nothing is written
};
extern PathsRecord Paths;

// The folder the event log and screenshots go to: "" for the working directory (the default), a folder
// path (one that does not end in '/' gets one), or null for nowhere (nothing is written).
void SetWriteDirectory(const char* dir);
const char* WriteDirectory();
// WriteDirectory() + name into out. False (out empty) when there is nowhere to write or it does not fit
// in cap bytes.
bool WritePath(char* out, size_t cap, const char* name);
// $XDG_CONFIG_HOME/zarvo and $XDG_DATA_HOME/zarvo (each an absolute path, else ~/.config/zarvo and
// ~/.local/share/zarvo). Empty when neither the variable nor HOME gives an absolute path.
std::string UserConfigDirectory();
std::string UserDataDirectory();
