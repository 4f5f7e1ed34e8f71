// Finding the game's data and where the game may write.
#include "app/datadir.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/paths.h"

#ifndef ZARVO_INSTALL_DATADIR
#define ZARVO_INSTALL_DATADIR "/usr/local/share/zarvo"
#endif

namespace {

bool HoldsConfig(const std::string& dir) { return access((dir + "/config.ini").c_str(), R_OK) == 0; }

// Whether the game may write into the folder: the system says so and, for root (whom the system lets
// write anywhere), the folder's mode has a write bit at all, so a folder made read-only stays so.
bool Writable(const std::string& dir) {
    if (access(dir.c_str(), W_OK) != 0) return false;
    struct stat st;
    if (geteuid() == 0 && stat(dir.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return false;
    return true;
}

std::string Absolute(const std::string& dir) {
    char buf[PATH_MAX];
    if (realpath(dir.c_str(), buf)) return buf;
    return dir;
}

}  // namespace

bool FindDataDirectory(const char* explicitDir, const char* exePath, DataDirectory* out, std::string* reason) {
    *out = DataDirectory{};
    if (explicitDir) {
        if (!HoldsConfig(explicitDir)) {
            *reason = std::string(explicitDir) + " holds no config.ini: it is not a Zarvo data folder";
            return false;
        }
        out->path = Absolute(explicitDir);
    } else if (HoldsConfig(".")) {
        out->path = Absolute(".");
    } else {
        std::string candidates[2];
        if (exePath && *exePath) {
            std::string exe = Absolute(exePath);
            const size_t slash = exe.find_last_of('/');
            if (slash != std::string::npos) candidates[0] = exe.substr(0, slash) + "/../share/zarvo";
        }
        candidates[1] = ZARVO_INSTALL_DATADIR;
        for (const std::string& c : candidates) {
            if (c.empty() || !HoldsConfig(c)) continue;
            out->path = Absolute(c);
            out->installed = true;
            break;
        }
        if (out->path.empty()) {
            *reason = "no game data: the working directory holds no config.ini and none is installed in " +
                      std::string(ZARVO_INSTALL_DATADIR) + " (use --data FOLDER)";
            return false;
        }
    }
    out->writable = !out->installed && Writable(out->path);
    return true;
}

bool EnterDataDirectory(const DataDirectory& dir, std::string* reason) {
    if (chdir(dir.path.c_str()) != 0) {
        *reason = "cannot enter " + dir.path;
        return false;
    }
    if (dir.writable) {
        SetWriteDirectory("");
    } else {
        const std::string user = UserDataDirectory();
        SetWriteDirectory(user.empty() ? nullptr : user.c_str());
    }
    return true;
}
