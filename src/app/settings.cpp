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

#include "app/controls.h"
#include "audio/music.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/print.h"
#include "defs/definition.h"
#include "defs/menu.h"
#include "input/input.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "render/render.h"
#include "render/video.h"

ConfigRecord Config;

namespace {

// One key's value, field by field (fields are separated by ';'): false when the key is absent.
using Lookup = std::function<bool(const char* key, int field, std::string* value)>;

void Say(const std::string& line) { Print(line.substr(0, CONSOLE_LINE_BYTES - 1).c_str()); }

bool SameWord(const std::string& a, const char* b) {
    if (a.size() != strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// "A or B", "A, B or C": the words of a choice.
std::string ChoiceWords(const SettingDef& d) {
    const bool below = d.kind == SETTING_NUMBER || d.kind == SETTING_SIZE;
    const int32_t first = below ? 0 : d.lo, last = below ? SettingWordCount(d) - 1 : d.hi;
    std::string out;
    for (int32_t v = first; v <= last; ++v) {
        if (v > first) out += v == last && !below ? " or " : ", ";
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
        const int code = InputCodeFromName(name.c_str());
        if (code <= 0) {
            Say(std::string(key) + ": there is no key named " + name);
            continue;
        }
        if (ReservedKey(code)) {
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
        if (SameWord(v, SettingWord(d, i).c_str()) || v == std::to_string(i)) {
            s.*d.field = i;
            return;
        }
    s.*d.field = d.byDefault;
    Say(std::string(d.name) + "=" + v.substr(0, 40) + " is not " + ChoiceWords(d) + ": " + SettingWord(d, d.byDefault) +
        " is used");
}

// The word of a number's or a size's row that `v` names (any case), or -1.
int32_t WordValue(const SettingDef& d, const std::string& v) {
    for (int32_t i = 0; i < SettingWordCount(d); ++i)
        if (SameWord(v, SettingWord(d, i).c_str())) return i;
    return -1;
}

// "WxH" (x or X, spaces round the numbers allowed) into width and height; false when it is not one.
bool ParseSize(const std::string& v, int64_t* w, int64_t* h) {
    size_t at = 0;
    auto number = [&](int64_t* out) {
        while (at < v.size() && v[at] == ' ') ++at;
        const size_t start = at;
        int64_t n = 0;
        for (; at < v.size() && v[at] >= '0' && v[at] <= '9'; ++at)
            if (n < 1000000) n = n * 10 + (v[at] - '0');
        while (at < v.size() && v[at] == ' ') ++at;
        *out = n;
        return at > start;
    };
    if (!number(w) || at >= v.size() || (v[at] != 'x' && v[at] != 'X')) return false;
    ++at;
    return number(h) && at == v.size();
}

// A size by its word or as WxH; anything else, or a size outside the range, gives the default (the
// classic sizes) with a line.
void SetSize(SettingsRecord& s, const SettingDef& d, const std::string& v) {
    const int32_t word = WordValue(d, v);
    if (word >= 0) {
        s.*d.field = word;
        return;
    }
    int64_t w = 0, h = 0;
    const std::string shown = std::string(d.name) + "=" + v.substr(0, 40);
    const std::string range = ScreenSizeText(d.lo) + ".." + ScreenSizeText(d.hi);
    if (!ParseSize(v, &w, &h)) {
        s.*d.field = d.byDefault;
        Say(shown + " is not " + ChoiceWords(d) + " or a size WxH: " + SettingWord(d, d.byDefault) + " is used");
    } else if (!ScreenSizeInRange(w, h) || !SetSettingNumber(s, d, ScreenSizeValue(int32_t(w), int32_t(h)))) {
        s.*d.field = d.byDefault;
        Say(shown + " is outside " + range + ": " + SettingWord(d, d.byDefault) + " is used");
    }
}

void SetFromLookup(SettingsRecord& s, const SettingDef& d, const Lookup& get) {
    std::string v;
    if (!get(d.name, 0, &v)) return;
    switch (d.kind) {
    case SETTING_NUMBER:
        if (WordValue(d, v) >= 0) {
            s.*d.field = WordValue(d, v);
            break;
        }
        SetNumber(s, d, DefinitionInteger(d.name, v.c_str()));
        break;
    case SETTING_SWITCH: SetNumber(s, d, DefinitionInteger(d.name, v.c_str())); break;
    case SETTING_SIZE: SetSize(s, d, v); break;
    case SETTING_CHOICE: SetChoice(s, d, v); break;
    case SETTING_TEXT: CopyBounded(SettingTextBuffer(s, d), d.textSize, v.c_str()); break;
    case SETTING_KEYS: s.*d.field = ParseBinding(d.name, get); break;
    }
}

void Apply(const Lookup& get) {
    for (int i = 0; i < kSettingCount; ++i) SetFromLookup(Settings, kSettings[i], get);
}

// The display's (or the window's) size becomes the screen's; one outside the range is said in one line
// and leaves the classic sizes. False when there is no such size (the runner has no display).
bool TakeScreenSize(const char* what, bool known, int w, int h) {
    if (!known) return false;
    if (ScreenSizeInRange(w, h)) {
        Settings.SCREENX = w;
        Settings.SCREENY = h;
        return true;
    }
    char line[CONSOLE_LINE_BYTES];
    snprintf(line, sizeof line, "SCREENSIZE=%s is %dx%d, outside %dx%d..%dx%d: the classic sizes are used", what, w, h,
             SCREEN_MIN_W, SCREEN_MIN_H, SCREEN_MAX_W, SCREEN_MAX_H);
    Print(line);
    return false;
}

// FRAMERATE=DISPLAY becomes the display's refresh rate (60 where it does not say; the classic timer where
// there is no display at all), within 30..500.
void ResolveFrameRate() {
    if (Settings.FRAMERATE != FRAMERATE_DISPLAY) return;
    int w = 0, h = 0, hz = 0;
    if (!PlatformDisplayMode(&w, &h, &hz)) {
        Settings.FRAMERATE = FRAMERATE_CLASSIC;
        return;
    }
    if (hz <= 0) hz = 60;
    Settings.FRAMERATE = hz < FRAMERATE_MIN ? FRAMERATE_MIN : hz > FRAMERATE_MAX ? FRAMERATE_MAX : hz;
}

void Validate() {
    ResolveFrameRate();
    // A size of its own or the display's replaces the classic sizes; the window's is taken once the
    // window is up (ApplyStartupOptions). What is not there to take leaves the classic sizes.
    if (Settings.SCREENSIZE == SCREENSIZE_DESKTOP) {
        int w = 0, h = 0, hz = 0;
        const bool known = PlatformDisplayMode(&w, &h, &hz);
        if (!TakeScreenSize("DESKTOP", known, w, h)) Settings.SCREENSIZE = SCREENSIZE_CLASSIC;
    } else if (Settings.SCREENSIZE > SCREENSIZE_WINDOW) {
        Settings.SCREENX = ScreenSizeWidth(Settings.SCREENSIZE);
        Settings.SCREENY = ScreenSizeHeight(Settings.SCREENSIZE);
    }
    Settings.SCREENBPP = 8;
    if (Settings.SCREENSIZE != SCREENSIZE_CLASSIC && Settings.SCREENSIZE != SCREENSIZE_WINDOW) return;
    // Width and height are each checked on their own; any pairing of the three sizes is allowed.
    if (Settings.SCREENX != 640 && Settings.SCREENX != 800 && Settings.SCREENX != 1024) {
        Settings.SCREENX = 640;
        Settings.SCREENY = 480;
    }
    if (Settings.SCREENY != 480 && Settings.SCREENY != 600 && Settings.SCREENY != 768) {
        Settings.SCREENX = 640;
        Settings.SCREENY = 480;
    }
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

// Whether a key is saved from the settings in use. SCREENX and SCREENY hold the size in use, which is not
// the player's choice of them while SCREENSIZE gives the size: then his lines for them are kept as they are.
bool SavedKey(const std::string& key) {
    const SettingDef* d = FindSetting(key.c_str());
    if (!d || !(d->flags & SETTING_SAVED)) return false;
    const bool sizeInUse = d->field == &SettingsRecord::SCREENX || d->field == &SettingsRecord::SCREENY;
    return !sizeInUse || Settings.SCREENSIZE == SCREENSIZE_CLASSIC;
}

bool SameValue(const SettingsRecord& a, const SettingsRecord& b, const SettingDef& d) {
    if (d.kind == SETTING_TEXT) return strcmp(SettingTextBuffer(a, d), SettingTextBuffer(b, d)) == 0;
    return SettingNumber(a, d) == SettingNumber(b, d);
}

}  // namespace

std::string SettingValueText(const SettingsRecord& s, const SettingDef& d) {
    switch (d.kind) {
    case SETTING_TEXT: return SettingTextBuffer(s, d);
    case SETTING_KEYS: {
        std::string out;
        for (int i = 0; i < 4 && BoundKey(s.*d.field, i); ++i) {
            if (i) out += ';';
            const char* name = InputCodeName(BoundKey(s.*d.field, i));
            char code[8];
            snprintf(code, sizeof code, "0x%02X", unsigned(BoundKey(s.*d.field, i)));
            out += name ? name : code;
        }
        return out;
    }
    default: return SettingNumberText(d, s.*d.field);
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
    } kFlagWords[] = {{SETTING_CLASSIC, "classic"}, {SETTING_RULE, "rule"},        {SETTING_INPUT, "input"},
                      {SETTING_SAVED, "saved"},     {SETTING_START, "start-menu"}, {SETTING_SCREEN, "screen"}};
    SettingsRecord defaults;
    ResetSettingsToDefaults(defaults);
    std::string out;
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingDef& d = kSettings[i];
        std::string values;
        const std::string words = SettingWordCount(d) ? std::string(d.choices) + "|" : "";
        if (d.values)
            values = d.values;
        else if (d.kind == SETTING_NUMBER)
            values = words + std::to_string(d.lo) + ".." + std::to_string(d.hi);
        else if (d.kind == SETTING_SIZE)
            values = words + ScreenSizeText(d.lo) + ".." + ScreenSizeText(d.hi);
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

void ResolveScreenSettings() {
    Validate();
    int w = 0, h = 0;
    if (Settings.SCREENSIZE == SCREENSIZE_WINDOW && PlatformWindowSize(&w, &h)) TakeScreenSize("WINDOW", true, w, h);
}

void ApplyStartupOptions(bool window) {
    PlatformSetFullscreen(Settings.FULLSCREEN != 0 && !window);
    Config.StartedFullscreen = PlatformFullscreen();
    // SCREENSIZE=WINDOW: full screen, the window covers the display; a window starts at SCREENX x SCREENY
    // and the screen follows it when it is resized.
    int w = 0, h = 0;
    if (Settings.SCREENSIZE == SCREENSIZE_WINDOW && PlatformFullscreen()) {
        const bool known = PlatformWindowSize(&w, &h);
        TakeScreenSize("WINDOW", known, w, h);
    }
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
        if (SavedKey(kSettings[i].name) && !writtenAlready(kSettings[i].name)) option(kSettings[i], newEnd);
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

void ChangeScreenSize(int w, int h) {
    Settings.SCREENX = w;
    Settings.SCREENY = h;
    ChangeResolution();
    // The pointer belongs to the new screen: centred, as the menu and mouse look expect it.
    Input.PointerX = int32_t(Settings.ScreenCentreX);
    Input.PointerY = int32_t(Settings.ScreenCentreY);
    LoadMenuItems(nullptr);
}

void ApplySettingNow(const SettingDef& d) {
    using S = SettingsRecord;
    const auto f = d.field;
    if (f == &S::MUSICVOL) SetMusicVolume(Settings.MUSICVOL);
    if (f == &S::FULLSCREEN) PlatformSetFullscreen(Settings.FULLSCREEN != 0);
    if (f == &S::AUTOMAP && !Settings.AUTOMAP) Render.AutomapShown = 0;
    if (f == &S::SCREENSIZE || f == &S::SCREENX || f == &S::SCREENY || f == &S::SCALEVIEW || f == &S::SCALING ||
        f == &S::FRAMERATE) {
        ResolveScreenSettings();
        // The scale of the view and the window's scaling are taken as the video device starts.
        if (f != &S::FRAMERATE) ChangeScreenSize(Settings.SCREENX, Settings.SCREENY);
    }
}
