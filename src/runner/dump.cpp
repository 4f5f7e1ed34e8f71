// Builds the runner's JSON state dump from the program's globals.
#include "runner/dump.h"

#include <cstdio>

#include "app/app.h"
#include "app/settings.h"
#include "audio/sound.h"
#include "console/console.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "demo/demo.h"
#include "game/world.h"
#include "input/input.h"
#include "net/net.h"
#include "platform/platform.h"
#include "render/passes.h"
#include "runner/json.h"
#include "console/commands.h"

namespace {

void Add(std::string& out, const char* fmt, long long v) {
    char buf[64];
    snprintf(buf, sizeof buf, fmt, v);
    out += buf;
}

}  // namespace

std::string StateDumpJson() {
    std::string o = "{";
    Add(o, "\"time\":%lld", PlatformTicksMs());
    Add(o, ",\"ticks\":%lld", (long long)TickCount);
    Add(o, ",\"frames\":%lld", (long long)FrameCount);
    Add(o, ",\"GameState\":%lld", GameState);
    char digest[24];
    snprintf(digest, sizeof digest, "%016llx", (unsigned long long)WorldDigest());
    o += ",\"digest\":\"";
    o += digest;
    o += "\"";

    o += ",\"settings\":{";
    Add(o, "\"SCREENX\":%lld", SCREENX);
    Add(o, ",\"SCREENY\":%lld", SCREENY);
    Add(o, ",\"SCREENBPP\":%lld", SCREENBPP);
    Add(o, ",\"SOUNDVOL\":%lld", SOUNDVOL);
    Add(o, ",\"MUSICVOL\":%lld", MUSICVOL);
    o += ",\"StartMenuFile\":";
    JsonString(o, StartMenuFile);
    o += "}";

    o += ",\"console\":{";
    Add(o, "\"state\":%lld", ConsoleState);
    Add(o, ",\"height\":%lld", ConsoleHeight);
    o += ",\"input\":";
    JsonString(o, reinterpret_cast<const char*>(ConsoleBuffer[CONSOLE_INPUT_SLOT] + 5));
    o += ",\"lines\":[";
    bool first = true;
    for (int i = 0; i < 54; ++i) {
        const uint8_t* s = ConsoleBuffer[i];
        if (!s[0]) continue;  // empty slot
        if (!first) o += ",";
        first = false;
        Add(o, "{\"slot\":%lld", i);
        Add(o, ",\"notify\":%lld", s[0]);
        Add(o, ",\"rgb\":[%lld", s[1]);
        Add(o, ",%lld", s[2]);
        Add(o, ",%lld]", s[3]);
        o += ",\"text\":";
        JsonString(o, reinterpret_cast<const char*>(s + 4));
        o += "}";
    }
    o += "]}";

    Add(o, ",\"pointer\":[%lld", PointerX);
    Add(o, ",%lld]", PointerY);

    o += ",\"flags\":{";
    Add(o, "\"AppActive\":%lld", AppActive);
    Add(o, ",\"InputActive\":%lld", InputActive);
    Add(o, ",\"MouseLook\":%lld", MouseLook);
    Add(o, ",\"ShadingEnabled\":%lld", ShadingEnabled);
    Add(o, ",\"OcclusionEnabled\":%lld", OcclusionEnabled);
    Add(o, ",\"JoystickOn\":%lld", JoystickOn);
    o += "}";

    Add(o, ",\"net\":{\"started\":%lld}", NetStarted);

    o += ",\"menu\":{";
    Add(o, "\"visible\":%lld", Menu.Visible);
    Add(o, ",\"selected\":%lld", Menu.selected);
    Add(o, ",\"count\":%lld", Menu.itemCount);
    o += ",\"file\":";
    JsonString(o, Menu.fileName);
    o += ",\"items\":[";
    for (int i = 0; i < Menu.itemCount && i < 6; ++i) {
        const MenuItem& m = Menu.items[i];
        if (i) o += ",";
        o += "{\"text\":";
        JsonString(o, m.text);
        o += ",\"action\":";
        JsonString(o, m.action);
        o += ",\"argument\":";
        JsonString(o, m.argument);
        Add(o, ",\"x\":%lld", m.x);
        Add(o, ",\"y\":%lld", m.y);
        Add(o, ",\"width\":%lld", m.width);
        Add(o, ",\"height\":%lld}", m.height);
    }
    o += "]}";
    o += ",\"NextLevelFile\":";
    JsonString(o, NextLevelFile);
    o += ",";
    o += WorldDumpJson();
    o += ",";
    o += AudioDumpJson();
    o += "}";
    return o;
}
