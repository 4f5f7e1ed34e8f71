// Where the game writes, and the user's folders.
#include "core/paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string Directory;
bool Nowhere = false;

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
    Nowhere = dir == nullptr;
    Directory = dir ? dir : "";
    if (!Directory.empty() && Directory.back() != '/') Directory += '/';
}

const char* WriteDirectory() { return Directory.c_str(); }

bool WritePath(char* out, size_t cap, const char* name) {
    if (cap == 0) return false;
    out[0] = 0;
    if (Nowhere) return false;
    const size_t need = Directory.size() + strlen(name) + 1;
    if (need > cap) return false;
    memcpy(out, Directory.data(), Directory.size());
    memcpy(out + Directory.size(), name, strlen(name) + 1);
    return true;
}

bool MakeDirectories(const std::string& path) {
    if (path.empty()) return false;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) return false;
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

std::string UserConfigDirectory() { return UserFolder("XDG_CONFIG_HOME", "/.config"); }
std::string UserDataDirectory() { return UserFolder("XDG_DATA_HOME", "/.local/share"); }
