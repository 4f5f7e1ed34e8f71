// Settings: the data directory's config.ini, then the player's own config.ini over it key by key; the
// player's changes saved back to his own file.
#include "app/settings.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/bounded.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/print.h"
#include "defs/definition.h"
#include "game/world.h"
#include "platform/dik.h"
#include "platform/platform.h"
#include "render/render.h"

namespace {

// One key's value, field by field (fields are separated by ';'): false when the key is absent.
using Lookup = std::function<bool(const char* key, int field, std::string* value)>;

struct IntKey {
    const char* name;
    int32_t SettingsRecord::*field;
    int32_t lo, hi;  // a value outside is clamped, with a console line (the classic keys take any value)
    bool saved;      // a player changes it while playing: it goes into his own config.ini
};
const IntKey kIntKeys[] = {
    {"SCREENX", &SettingsRecord::SCREENX, INT32_MIN, INT32_MAX, true},
    {"SCREENY", &SettingsRecord::SCREENY, INT32_MIN, INT32_MAX, true},
    {"SCREENBPP", &SettingsRecord::SCREENBPP, INT32_MIN, INT32_MAX, false},
    {"SOUNDVOL", &SettingsRecord::SOUNDVOL, INT32_MIN, INT32_MAX, true},
    {"MUSICVOL", &SettingsRecord::MUSICVOL, INT32_MIN, INT32_MAX, true},
    {"MOUSESENS", &SettingsRecord::MOUSESENS, 10, 1000, false},
    {"FULLSCREEN", &SettingsRecord::FULLSCREEN, 0, 1, true},
    {"SHADING", &SettingsRecord::SHADING, 0, 1, true},
    {"ZBUFFER", &SettingsRecord::ZBUFFER, 0, 1, true},
    {"MOUSELOOK", &SettingsRecord::MOUSELOOK, 0, 1, true},
    {"JOYSTICK", &SettingsRecord::JoystickOn, 0, 1, true},
    {"CROSSHAIR", &SettingsRecord::CROSSHAIR, 0, 1, true},
    {"SCALEVIEW", &SettingsRecord::SCALEVIEW, 0, 1, false},
};
// Keys with a job of their own everywhere: the console, the menu, screenshots and the map.
const int kReservedKeys[] = {DIK_GRAVE, DIK_ESCAPE, DIK_RETURN, DIK_C, DIK_F12, DIK_TAB};

SettingsRecord FromDataDirectory;  // the settings as the data directory's config.ini gives them
bool UserFileEnabled = false;
bool UserFileSaved = false;  // false while a recording plays: what it changes is not the player's
bool StartedFullscreen = true;
std::string UserFile;
std::vector<std::string> UserLines;  // the user file's lines, as read (kept when it is saved)

void Say(const std::string& line) { Print(line.substr(0, CONSOLE_LINE_BYTES - 1).c_str()); }

int32_t ParseBinding(const char* key, const Lookup& get) {
    uint32_t packed = 0;
    int used = 0;
    for (int field = 0; field < 4; ++field) {
        std::string name;
        if (!get(key, field, &name) || name.empty()) break;
        const int code = DikFromName(name.c_str());
        if (code <= 0) {
            Say(std::string(key) + ": there is no key named " + name);
            continue;
        }
        bool reserved = false;
        for (int r : kReservedKeys) reserved = reserved || r == code;
        if (reserved) {
            Say(std::string(key) + ": " + name + " keeps its own job (console, menu, screenshot, map); not bound");
            continue;
        }
        packed |= uint32_t(code & 0xFF) << (8 * used++);
    }
    return int32_t(packed);
}

void Apply(const Lookup& get) {
    std::string v;
    for (const IntKey& k : kIntKeys) {
        if (!get(k.name, 0, &v)) continue;
        int32_t n = DefinitionInteger(k.name, v.c_str());
        if (n < k.lo || n > k.hi) {
            const int32_t used = n < k.lo ? k.lo : k.hi;
            char line[CONSOLE_LINE_BYTES];
            snprintf(line, sizeof line, "%s: %d is outside %d..%d, %d is used", k.name, n, k.lo, k.hi, used);
            Print(line);
            n = used;
        }
        Settings.*k.field = n;
    }
    for (const RuleKey& k : kRuleKeys)
        if (get(k.name, 0, &v)) Settings.*k.field = DefinitionInteger(k.name, v.c_str());
    // The key bindings are the BIND_ entries of the input keys.
    for (const RuleKey& k : kInputKeys)
        if (strncmp(k.name, "BIND_", 5) == 0 && get(k.name, 0, &v)) Settings.*k.field = ParseBinding(k.name, get);
    if (get("SOUNDRATE", 0, &v)) {
        Settings.SOUNDRATE = v == "FILE" ? 1 : 0;
        if (v != "FILE" && v != "FIXED") Say("SOUNDRATE: " + v + " is neither FILE nor FIXED; FIXED is used");
    }
    // SCALING is "fit" (the default) or "integer"; any other value is reported and fit is used.
    if (get("SCALING", 0, &v)) {
        Settings.SCALING = strcasecmp(v.c_str(), "integer") == 0 ? 1 : 0;
        if (!Settings.SCALING && strcasecmp(v.c_str(), "fit") != 0)
            Say("SCALING=" + v.substr(0, 40) + " is not fit or integer: fit is used");
    }
    if (get("START", 0, &v)) CopyBounded(Settings.StartMenuFile, v.c_str());
    if (get("SOUNDFONT", 0, &v)) CopyBounded(Settings.SoundFont, v.c_str());
}

void Validate() {
    // Width and height are each checked on their own; any pairing of the three sizes is allowed.
    if (Settings.SCREENX != 640 && Settings.SCREENX != 800 && Settings.SCREENX != 1024) {
        Settings.SCREENX = 640;
        Settings.SCREENY = 480;
    }
    if (Settings.SCREENY != 480 && Settings.SCREENY != 600 && Settings.SCREENY != 768) {
        Settings.SCREENX = 640;
        Settings.SCREENY = 480;
    }
    Settings.SCREENBPP = 8;
}

// The user file's lines, split at CR, LF or both; an empty reason when it reads as a settings file.
std::string ReadUserLines(const std::string& path, std::vector<std::string>* lines) {
    std::vector<uint8_t> bytes;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return "";  // no file: nothing to read, nothing damaged
    if (!ReadFileBounded(path.c_str(), 64 * 1024, bytes)) return "it cannot be read or is larger than 64 KB";
    std::string line;
    int number = 1;
    auto finish = [&]() -> std::string {
        const size_t start = line.find_first_not_of(" \t");
        const bool comment = start != std::string::npos && line.compare(start, 2, "//") == 0;
        if (start != std::string::npos && !comment && line.find('=') == std::string::npos)
            return "line " + std::to_string(number) + " holds no KEY=VALUE";
        if (line.size() > 250) return "line " + std::to_string(number) + " is too long";
        lines->push_back(line);
        line.clear();
        ++number;
        return "";
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t c = bytes[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            std::string why = finish();
            if (!why.empty()) return why;
            continue;
        }
        if (c < 0x20 && c != '\t') return "it holds control bytes (line " + std::to_string(number) + ")";
        line += char(c);
    }
    if (!line.empty()) return finish();
    return "";
}

// The key of a KEY=VALUE line (spaces round it dropped), empty for a comment or a blank line.
std::string KeyOf(const std::string& line) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return "";
    std::string key = line.substr(0, eq);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    const size_t start = key.find_first_not_of(" \t");
    return start == std::string::npos ? "" : key.substr(start);
}

bool SavedKey(const std::string& key) {
    for (const IntKey& k : kIntKeys)
        if (k.saved && key == k.name) return true;
    return false;
}

}  // namespace

void ReadSettings() {
    LoadDefinitionFile("config.ini");
    Apply([](const char* key, int field, std::string* value) {
        if (!GetDefinitionValue(key, field)) return false;
        *value = DefinitionValue;
        return true;
    });
    Validate();
    FromDataDirectory = Settings;
}

void ReadSoundFontName() {
    if (GetDefinitionValue("SOUNDFONT", 0))
        CopyBounded(Settings.SoundFont, DefinitionValue);
    else
        Settings.SoundFont[0] = 0;
}

void ReadStartMenuName() {
    // Without a START key the name is empty, which behaves like a missing menu file.
    if (GetDefinitionValue("START", 0))
        CopyBounded(Settings.StartMenuFile, DefinitionValue);
    else
        Settings.StartMenuFile[0] = 0;
}

std::string DefaultUserSettingsFile() {
    const std::string dir = UserConfigDirectory();
    return dir.empty() ? "" : dir + "/config.ini";
}

void ReadUserSettings(const std::string& path, bool saving) {
    UserFileEnabled = !path.empty();
    UserFileSaved = saving;
    UserFile = path;
    UserLines.clear();
    if (!UserFileEnabled) return;
    std::vector<std::string> lines;
    const std::string why = ReadUserLines(path, &lines);
    if (!why.empty()) {
        // Nothing is saved over it either: what the player wrote there is his to mend.
        UserFileSaved = false;
        Say("Ignoring your settings in " + path + ": " + why + "; the file is left as it is");
        return;
    }
    UserLines = lines;
    Apply([&lines](const char* key, int field, std::string* value) {
        for (const std::string& l : lines) {
            if (KeyOf(l) != key) continue;
            std::string v = l.substr(l.find('=') + 1);
            for (int f = 0; f < field; ++f) {
                const size_t semi = v.find(';');
                if (semi == std::string::npos) return false;
                v = v.substr(semi + 1);
            }
            *value = v.substr(0, v.find(';'));
            return true;
        }
        return false;
    });
    Validate();
}

void ApplyStartupOptions(bool window) {
    Render.ShadingEnabled = Settings.SHADING ? 1 : 0;
    Render.OcclusionEnabled = Settings.ZBUFFER ? 1 : 0;
    World.MouseLook = Settings.MOUSELOOK ? 1 : 0;
    PlatformSetFullscreen(Settings.FULLSCREEN != 0 && !window);
    StartedFullscreen = PlatformFullscreen();
}

bool SaveUserSettings() {
    if (!UserFileEnabled || !UserFileSaved || UserFile.empty()) return false;
    Settings.SHADING = Render.ShadingEnabled;
    Settings.ZBUFFER = Render.OcclusionEnabled;
    Settings.MOUSELOOK = World.MouseLook;
    // Only a switch while playing changes the saved choice (a start with --window does not).
    if (PlatformFullscreen() != StartedFullscreen) Settings.FULLSCREEN = PlatformFullscreen() ? 1 : 0;
    // The player's other lines stay as he wrote them; the options he changes while playing are written
    // when they differ from what the data directory gives: where his file has the key, else at its end.
    std::string text;
    std::vector<std::string> written;
    auto option = [&](const IntKey& k) {
        written.push_back(k.name);
        if (Settings.*k.field != FromDataDirectory.*k.field)
            text += std::string(k.name) + "=" + std::to_string(Settings.*k.field) + "\r\n";
    };
    auto writtenAlready = [&](const std::string& key) {
        for (const std::string& w : written)
            if (w == key) return true;
        return false;
    };
    for (const std::string& l : UserLines) {
        const std::string key = KeyOf(l);
        if (!SavedKey(key)) {
            text += l + "\r\n";
            continue;
        }
        if (writtenAlready(key)) continue;
        for (const IntKey& k : kIntKeys)
            if (key == k.name) option(k);
    }
    for (const IntKey& k : kIntKeys)
        if (k.saved && !writtenAlready(k.name)) option(k);
    std::vector<uint8_t> old;
    if (ReadFileBounded(UserFile.c_str(), 64 * 1024, old) && std::string(old.begin(), old.end()) == text) return true;
    if (text.empty() && access(UserFile.c_str(), F_OK) != 0) return true;
    const size_t slash = UserFile.find_last_of('/');
    if (slash != std::string::npos && !MakeDirectories(UserFile.substr(0, slash))) {
        Say("Cannot save your settings: cannot create " + UserFile.substr(0, slash));
        return false;
    }
    // Written whole beside it and then put in its place, so that a crash never leaves half a file.
    const std::string temporary = UserFile + ".new";
    FILE* f = fopen(temporary.c_str(), "wb");
    bool ok = f && fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && fclose(f) != 0) ok = false;
    if (!ok || rename(temporary.c_str(), UserFile.c_str()) != 0) {
        Say("Cannot save your settings in " + UserFile);
        remove(temporary.c_str());
        return false;
    }
    UserLines.clear();
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        UserLines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return true;
}
