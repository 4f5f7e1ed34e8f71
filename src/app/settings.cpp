// Settings: the data directory's config.ini, then the player's own config.ini over it key by key; the
// player's changes saved back to his own file. Every key is a row of the registry (core/settings.h).
#include "app/settings.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "console/console.h"
#include "core/bounded.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/print.h"
#include "defs/definition.h"
#include "platform/dik.h"
#include "platform/platform.h"
#include "platform/system.h"

ConfigRecord Config;

namespace {

// One key's value, field by field (fields are separated by ';'): false when the key is absent.
using Lookup = std::function<bool(const char* key, int field, std::string* value)>;

// Keys with a job of their own everywhere: the console, the menu, screenshots and the map.
constexpr int kReservedKeys[] = {DIK_GRAVE, DIK_ESCAPE, DIK_RETURN, DIK_C, DIK_F12, DIK_TAB};

void Say(const std::string& line) { Print(line.substr(0, CONSOLE_LINE_BYTES - 1).c_str()); }

bool SameWord(const std::string& a, const char* b) {
    if (a.size() != strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// "A or B", "A, B or C": the words of a choice.
std::string ChoiceWords(const SettingDef& d) {
    std::string out;
    for (int32_t v = d.lo; v <= d.hi; ++v) {
        if (v > d.lo) out += v == d.hi ? " or " : ", ";
        out += SettingWord(d, v);
    }
    return out;
}

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

// A number, clamped into the row's range with a line that says so.
void SetNumber(SettingsRecord& s, const SettingDef& d, int32_t n) {
    if (SetSettingNumber(s, d, n)) return;
    char line[CONSOLE_LINE_BYTES];
    snprintf(line, sizeof line, "%s: %d is outside %d..%d, %d is used", d.name, n, d.lo, d.hi, s.*d.field);
    Print(line);
}

// A choice by its word (any case) or its number; anything else gives the default, with a line.
void SetChoice(SettingsRecord& s, const SettingDef& d, const std::string& v) {
    for (int32_t i = d.lo; i <= d.hi; ++i)
        if (SameWord(v, SettingWord(d, i).c_str())) {
            s.*d.field = i;
            return;
        }
    s.*d.field = d.byDefault;
    Say(std::string(d.name) + "=" + v.substr(0, 40) + " is not " + ChoiceWords(d) + ": " + SettingWord(d, d.byDefault) +
        " is used");
}

void SetFromLookup(SettingsRecord& s, const SettingDef& d, const Lookup& get) {
    std::string v;
    if (!get(d.name, 0, &v)) return;
    switch (d.kind) {
    case SETTING_NUMBER:
    case SETTING_SWITCH: SetNumber(s, d, DefinitionInteger(d.name, v.c_str())); break;
    case SETTING_CHOICE: SetChoice(s, d, v); break;
    case SETTING_TEXT: CopyBounded(SettingTextBuffer(s, d), d.textSize, v.c_str()); break;
    case SETTING_KEYS: s.*d.field = ParseBinding(d.name, get); break;
    }
}

void Apply(const Lookup& get) {
    for (int i = 0; i < kSettingCount; ++i) SetFromLookup(Settings, kSettings[i], get);
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

// The user file's lines, split at CR, LF or both, each with its end; an empty reason when it reads as a
// settings file.
std::string ReadUserLines(const std::string& path, std::vector<std::string>* lines, std::vector<std::string>* ends) {
    std::vector<uint8_t> bytes;
    if (PlatformPathKind(path.c_str()) == PATH_NONE) return "";  // no file: nothing to read, nothing damaged
    if (!ReadFileBounded(path.c_str(), 64 * 1024, bytes)) return "it cannot be read or is larger than 64 KB";
    std::string line;
    int number = 1;
    auto finish = [&](const char* end) -> std::string {
        const size_t start = line.find_first_not_of(" \t");
        const bool comment = start != std::string::npos && line.compare(start, 2, "//") == 0;
        if (start != std::string::npos && !comment && line.find('=') == std::string::npos)
            return "line " + std::to_string(number) + " holds no KEY=VALUE";
        if (line.size() > 250) return "line " + std::to_string(number) + " is too long";
        lines->push_back(line);
        ends->push_back(end);
        line.clear();
        ++number;
        return "";
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t c = bytes[i];
        if (c == '\r' || c == '\n') {
            const bool pair = c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
            if (pair) ++i;
            std::string why = finish(pair ? "\r\n" : c == '\r' ? "\r" : "\n");
            if (!why.empty()) return why;
            continue;
        }
        if (c < 0x20 && c != '\t') return "it holds control bytes (line " + std::to_string(number) + ")";
        line += char(c);
    }
    if (!line.empty()) return finish("");
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
    const SettingDef* d = FindSetting(key.c_str());
    return d && (d->flags & SETTING_SAVED);
}

bool SameValue(const SettingsRecord& a, const SettingsRecord& b, const SettingDef& d) {
    if (d.kind == SETTING_TEXT) return strcmp(SettingTextBuffer(a, d), SettingTextBuffer(b, d)) == 0;
    return SettingNumber(a, d) == SettingNumber(b, d);
}

}  // namespace

std::string SettingValueText(const SettingsRecord& s, const SettingDef& d) {
    switch (d.kind) {
    case SETTING_TEXT: return SettingTextBuffer(s, d);
    case SETTING_CHOICE: {
        const int32_t v = s.*d.field;
        return v >= d.lo && v <= d.hi ? SettingWord(d, v) : std::to_string(v);
    }
    case SETTING_KEYS: {
        std::string out;
        for (int i = 0; i < 4 && BoundKey(s.*d.field, i); ++i) {
            if (i) out += ';';
            const char* name = DikNameOf(BoundKey(s.*d.field, i));
            char code[8];
            snprintf(code, sizeof code, "0x%02X", unsigned(BoundKey(s.*d.field, i)));
            out += name ? name : code;
        }
        return out;
    }
    default: return std::to_string(s.*d.field);
    }
}

void SetSettingFromText(SettingsRecord& s, const SettingDef& d, const std::string& text) {
    SetFromLookup(s, d, [&text](const char*, int field, std::string* value) {
        std::string v = text;
        for (int f = 0; f < field; ++f) {
            const size_t semi = v.find(';');
            if (semi == std::string::npos) return false;
            v = v.substr(semi + 1);
        }
        *value = v.substr(0, v.find(';'));
        return true;
    });
}

bool SavedSettingsDiffer(const SettingsRecord& a, const SettingsRecord& b) {
    for (int i = 0; i < kSettingCount; ++i)
        if ((kSettings[i].flags & SETTING_SAVED) && !SameValue(a, b, kSettings[i])) return true;
    return false;
}

std::string ListSettings() {
    const struct {
        uint8_t flag;
        const char* word;
    } kFlagWords[] = {{SETTING_CLASSIC, "classic"},
                      {SETTING_RULE, "rule"},
                      {SETTING_INPUT, "input"},
                      {SETTING_SAVED, "saved"},
                      {SETTING_START, "start-menu"}};
    SettingsRecord defaults;
    ResetSettingsToDefaults(defaults);
    std::string out;
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingDef& d = kSettings[i];
        std::string values;
        if (d.values)
            values = d.values;
        else if (d.kind == SETTING_NUMBER)
            values = std::to_string(d.lo) + ".." + std::to_string(d.hi);
        else if (d.kind == SETTING_SWITCH || d.kind == SETTING_CHOICE)
            values = d.choices;
        else if (d.kind == SETTING_TEXT)
            values = "text of at most " + std::to_string(d.textSize - 1) + " characters";
        else
            values = "up to 4 key names, separated by ;";
        std::string flags;
        for (const auto& f : kFlagWords)
            if (d.flags & f.flag) flags += (flags.empty() ? "" : ",") + std::string(f.word);
        if (flags.empty()) flags = "-";
        out += std::string(d.name) + "=" + SettingValueText(defaults, d) + "\t" + values + "\t" + flags + "\t" +
               d.help + "\n";
    }
    return out;
}

void ReadSettings() {
    LoadDefinitionFile("config.ini");
    ResetSettingsToDefaults(Settings);
    Apply([](const char* key, int field, std::string* value) {
        if (!GetDefinitionValue(key, field)) return false;
        *value = DefinitionValue;
        return true;
    });
    Validate();
    Config.FromDataDirectory = Settings;
}

std::string DefaultUserSettingsFile() {
    const std::string dir = UserConfigDirectory();
    return dir.empty() ? "" : dir + "/config.ini";
}

void ReadUserSettings(const std::string& path, bool saving) {
    Config.UserFileEnabled = !path.empty();
    Config.UserFileSaved = saving;
    Config.UserFile = path;
    Config.UserLines.clear();
    Config.UserLineEnds.clear();
    if (!Config.UserFileEnabled) return;
    std::vector<std::string> lines, ends;
    const std::string why = ReadUserLines(path, &lines, &ends);
    if (!why.empty()) {
        // Nothing is saved over it either: what the player wrote there is his to mend.
        Config.UserFileSaved = false;
        Say("Ignoring your settings in " + path + ": " + why + "; the file is left as it is");
        return;
    }
    Config.UserLines = lines;
    Config.UserLineEnds = ends;
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

void ReadCommandHistory(const std::string& path) {
    Config.HistoryFile = path;
    std::vector<uint8_t> bytes;
    if (path.empty() || !ReadFileBounded(path.c_str(), 64 * 1024, bytes)) return;
    std::string line;
    for (uint8_t c : bytes) {
        if (c == '\n') {
            // Only what the console could have typed is taken back.
            if (line.size() < CONSOLE_LINE_BYTES - 5 &&
                line.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 /._") == std::string::npos)
                ConsoleRemember(line.c_str());
            line.clear();
        } else if (line.size() < 1024) {
            line += char(c);
        }
    }
}

void SaveCommandHistory() {
    if (Config.HistoryFile.empty()) return;
    std::string text;
    for (int i = 0; i < Console.RecalledCount; ++i) text += std::string(Console.Recalled[i]) + "\n";
    const size_t slash = Config.HistoryFile.find_last_of('/');
    if (slash != std::string::npos) PlatformMakeDirectories(Config.HistoryFile.substr(0, slash));
    PlatformWriteFileWhole(Config.HistoryFile.c_str(), text.data(), text.size());
}

void ApplyStartupOptions(bool window) {
    PlatformSetFullscreen(Settings.FULLSCREEN != 0 && !window);
    Config.StartedFullscreen = PlatformFullscreen();
}

bool SaveUserSettings() {
    if (!Config.UserFileEnabled || !Config.UserFileSaved || Config.UserFile.empty()) return false;
    // Only a switch while playing changes the saved choice (a start with --window does not).
    if (PlatformFullscreen() != Config.StartedFullscreen) Settings.FULLSCREEN = PlatformFullscreen() ? 1 : 0;
    // The player's other lines stay as he wrote them, each with its own end; the saved keys are written
    // when they differ from what the data directory gives: where his file has the key, else at its end,
    // with the end his file uses last (a line feed in a new file).
    std::string text;
    std::string newEnd = "\n";
    for (const std::string& e : Config.UserLineEnds)
        if (!e.empty()) newEnd = e;
    // A last line without an end gets one only when something follows it.
    bool endOwed = false;
    auto put = [&](const std::string& line, const std::string& end) {
        if (endOwed) text += newEnd;
        text += line + end;
        endOwed = end.empty();
    };
    std::vector<std::string> written;
    auto option = [&](const SettingDef& d, const std::string& end) {
        written.push_back(d.name);
        if (!SameValue(Settings, Config.FromDataDirectory, d))
            put(std::string(d.name) + "=" + SettingValueText(Settings, d), end);
    };
    auto writtenAlready = [&](const std::string& key) {
        for (const std::string& w : written)
            if (w == key) return true;
        return false;
    };
    for (size_t i = 0; i < Config.UserLines.size(); ++i) {
        const std::string& l = Config.UserLines[i];
        const std::string key = KeyOf(l);
        if (!SavedKey(key))
            put(l, Config.UserLineEnds[i]);
        else if (!writtenAlready(key))
            option(*FindSetting(key.c_str()), Config.UserLineEnds[i]);
    }
    for (int i = 0; i < kSettingCount; ++i)
        if ((kSettings[i].flags & SETTING_SAVED) && !writtenAlready(kSettings[i].name)) option(kSettings[i], newEnd);
    std::vector<uint8_t> old;
    const std::string& file = Config.UserFile;
    if (ReadFileBounded(file.c_str(), 64 * 1024, old) && std::string(old.begin(), old.end()) == text) return true;
    if (text.empty() && PlatformPathKind(file.c_str()) == PATH_NONE) return true;
    const size_t slash = file.find_last_of('/');
    if (slash != std::string::npos && !PlatformMakeDirectories(file.substr(0, slash))) {
        Say("Cannot save your settings: cannot create " + file.substr(0, slash));
        return false;
    }
    if (!PlatformWriteFileWhole(file.c_str(), text.data(), text.size())) {
        Say("Cannot save your settings in " + file);
        return false;
    }
    // What is on disk now is what the next save keeps.
    std::vector<std::string> lines, ends;
    ReadUserLines(file, &lines, &ends);
    Config.UserLines = lines;
    Config.UserLineEnds = ends;
    return true;
}
