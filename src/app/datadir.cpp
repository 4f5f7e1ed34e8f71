// Finding the game's data and where the game may write.
#include "app/datadir.h"

#include "core/paths.h"
#include "platform/system.h"

#ifndef ZARVO_INSTALL_DATADIR
#define ZARVO_INSTALL_DATADIR "/usr/local/share/zarvo"
#endif

namespace {

bool HoldsConfig(const std::string& dir) { return PlatformCanRead((dir + "/config.ini").c_str()); }

std::string Absolute(const std::string& dir) { return PlatformAbsolutePath(dir.c_str()); }

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
    out->writable = !out->installed && PlatformFolderWritable(out->path.c_str());
    return true;
}

bool EnterDataDirectory(const DataDirectory& dir, std::string* reason) {
    if (!PlatformChangeDirectory(dir.path.c_str())) {
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
