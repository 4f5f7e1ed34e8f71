// The search for a General MIDI soundfont, shared by the synthesisers of every backend.
#include "platform/common/music_synth.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/bounded.h"

bool FindSoundfont(const char* preferred, bool (*load)(const char* path), char* err, size_t errSize) {
    const char* const sf2Dir = "/usr/share/sounds/sf2";
    const char* const sf3Dir = "/usr/share/sounds/sf3";
    if (preferred && preferred[0] && load(preferred)) return true;
    const char* const fixed[] = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                 "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf3/default-GM.sf3"};
    for (const char* path : fixed)
        if (load(path)) return true;
    std::vector<std::string> names;
    if (DIR* d = opendir(sf3Dir)) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".sf3") == 0) names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names)
        if (load((std::string(sf3Dir) + "/" + n).c_str())) return true;
    char line[400];
    snprintf(line, sizeof line, "No soundfont found (looked at SOUNDFONT=%.100s, %s, %s)",
             preferred && preferred[0] ? preferred : "unset", sf2Dir, sf3Dir);
    CopyBounded(err, errSize, line);
    return false;
}
