// Menu items that change a setting: the stops of each kind of setting, the step, and the change applied.
#include "app/menu_settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/settings.h"
#include "console/console.h"
#include "core/program.h"
#include "net/netplay.h"
#include "platform/platform.h"

namespace {

// The screen sizes a menu offers (the display's own size joins them).
constexpr int32_t kUsualSizes[] = {
    ScreenSizeValue(640, 480),   ScreenSizeValue(800, 600),   ScreenSizeValue(1024, 768),  ScreenSizeValue(1280, 720),
    ScreenSizeValue(1280, 800),  ScreenSizeValue(1280, 1024), ScreenSizeValue(1366, 768),  ScreenSizeValue(1600, 900),
    ScreenSizeValue(1920, 1080), ScreenSizeValue(1920, 1200), ScreenSizeValue(2560, 1440), ScreenSizeValue(3840, 2160),
};
// A number's range longer than this many steps is offered only as its row lists it.
constexpr int64_t kMostStops = 5000;

// The numbers a row lists in its values ("640|800|1024").
void ListedNumbers(const SettingDef& d, std::vector<int32_t>& out) {
    for (const char* p = d.values; p && *p;) {
        char* end = nullptr;
        const long v = strtol(p, &end, 10);
        if (end != p && (*end == '|' || !*end) && SettingValueValid(d, int32_t(v))) out.push_back(int32_t(v));
        const char* bar = strchr(p, '|');
        p = bar ? bar + 1 : nullptr;
    }
}

}  // namespace

std::vector<int32_t> SettingStops(const SettingDef& d) {
    std::vector<int32_t> stops;
    if (!d.field) return stops;
    switch (d.kind) {
    case SETTING_SWITCH:
    case SETTING_CHOICE:
        for (int32_t v = d.lo; v <= d.hi; ++v) stops.push_back(v);
        return stops;
    case SETTING_NUMBER: {
        for (int32_t v = 0; v < SettingWordCount(d); ++v) stops.push_back(v);
        const int64_t step = d.step > 0 ? d.step : 1;
        if (d.values) {
            ListedNumbers(d, stops);
        } else if ((int64_t(d.hi) - d.lo) / step <= kMostStops) {
            // The low end, the multiples of the step above it, the high end.
            stops.push_back(d.lo);
            for (int64_t v = (int64_t(d.lo) / step + 1) * step; v < d.hi; v += step) stops.push_back(int32_t(v));
            stops.push_back(d.hi);
        }
        int w = 0, h = 0, hz = 0;
        if (d.field == &SettingsRecord::FRAMERATE && PlatformDisplayMode(&w, &h, &hz) && SettingValueValid(d, hz))
            stops.push_back(hz);
        break;
    }
    case SETTING_SIZE: {
        for (int32_t v = 0; v < SettingWordCount(d); ++v) stops.push_back(v);
        for (int32_t v : kUsualSizes)
            if (SettingValueValid(d, v)) stops.push_back(v);
        int w = 0, h = 0, hz = 0;
        if (PlatformDisplayMode(&w, &h, &hz) && ScreenSizeInRange(w, h)) stops.push_back(ScreenSizeValue(w, h));
        break;
    }
    default: return stops;
    }
    std::sort(stops.begin(), stops.end());
    stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
    return stops;
}

int32_t SteppedValue(const SettingDef& d, int32_t value, int dir, bool wrap) {
    const std::vector<int32_t> stops = SettingStops(d);
    if (stops.empty()) return value;
    if (dir > 0) {
        const auto next = std::upper_bound(stops.begin(), stops.end(), value);
        return next != stops.end() ? *next : wrap ? stops.front() : value;
    }
    const auto at = std::lower_bound(stops.begin(), stops.end(), value);
    return at != stops.begin() ? *(at - 1) : wrap ? stops.back() : value;
}

bool StepSetting(const char* key, const char* label, int dir, bool wrap) {
    const SettingDef* d = FindSetting(key);
    if (!d || SettingStops(*d).empty()) return false;  // names nothing a menu can step
    char line[CONSOLE_LINE_BYTES];
    if ((d->flags & SETTING_START) && Program.GameState != GS_MENU) {
        snprintf(line, sizeof line, "%.60s changes on the start menu only", label);
        PrintNotify(NOTIFY_GAME, line);
        return false;
    }
    // A network game is played by the host's rules on every machine.
    if ((d->flags & SETTING_RULE) && !(d->flags & SETTING_SAVED) && NetPlayActive()) {
        snprintf(line, sizeof line, "%.60s is the host's in a network game", label);
        PrintNotify(NOTIFY_GAME, line);
        return false;
    }
    const SettingsRecord before = Settings;
    const int32_t was = Settings.*d->field;
    // A stop the game turns into another value at once (the display's size or rate where the game cannot
    // take it) is passed over: the step goes on to the next one.
    int32_t value = was;
    for (;;) {
        const int32_t next = SteppedValue(*d, value, dir, wrap);
        if (next == value || next == was) {
            Settings = before;
            return false;
        }
        value = next;
        Settings.*d->field = value;
        ResolveScreenSettings();
        const bool kept = Settings.*d->field == value;
        Settings = before;
        if (kept) break;
    }
    Settings.*d->field = value;
    ApplySettingNow(*d);
    if (SavedSettingsDiffer(before, Settings)) SaveUserSettings();
    return true;
}
