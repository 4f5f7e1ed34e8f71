// Where the game writes, and the user's folders.
#include "core/paths.h"

#include <cstdlib>
#include <cstring>

PathsRecord Paths;

namespace {

// The XDG variable when it holds an absolute path, else HOME + fallback; "" when neither does.
std::string UserFolder(const char* variable, const char* fallback) {
    const char* v = getenv(variable);
    if (v && v[0] == '/') return std::string(v) + "/zarvo";
    const char* home = getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + fallback + "/zarvo";
    return "";
}

}  // namespace

void SetWriteDirectory(const char* dir) {
    Paths.Nowhere = dir == nullptr;
    Paths.WriteDirectory = dir ? dir : "";
    if (!Paths.WriteDirectory.empty() && Paths.WriteDirectory.back() != '/') Paths.WriteDirectory += '/';
}

const char* WriteDirectory() { return Paths.WriteDirectory.c_str(); }

bool WritePath(char* out, size_t cap, const char* name) {
    if (cap == 0) return false;
    out[0] = 0;
    if (Paths.Nowhere) return false;
    const std::string& dir = Paths.WriteDirectory;
    const size_t need = dir.size() + strlen(name) + 1;
    if (need > cap) return false;
    memcpy(out, dir.data(), dir.size());
    memcpy(out + dir.size(), name, strlen(name) + 1);
    return true;
}

std::string UserConfigDirectory() { return UserFolder("XDG_CONFIG_HOME", "/.config"); }
std::string UserDataDirectory() { return UserFolder("XDG_DATA_HOME", "/.local/share"); }
