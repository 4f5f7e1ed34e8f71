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
#include "app/commands.h"

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
    Add(o, ",\"ticks\":%lld", (long long)Program.TickCount);
    Add(o, ",\"frames\":%lld", (long long)Program.FrameCount);
    Add(o, ",\"GameState\":%lld", Program.GameState);
    char digest[24];
    snprintf(digest, sizeof digest, "%016llx", (unsigned long long)WorldDigest());
    o += ",\"digest\":\"";
    o += digest;
    o += "\"";

    o += ",\"settings\":{";
    Add(o, "\"SCREENX\":%lld", Settings.SCREENX);
    Add(o, ",\"SCREENY\":%lld", Settings.SCREENY);
    Add(o, ",\"SCREENBPP\":%lld", Settings.SCREENBPP);
    Add(o, ",\"SOUNDVOL\":%lld", Settings.SOUNDVOL);
    Add(o, ",\"MUSICVOL\":%lld", Settings.MUSICVOL);
    o += ",\"StartMenuFile\":";
    JsonString(o, Settings.StartMenuFile);
    o += "}";

    o += ",\"console\":{";
    Add(o, "\"state\":%lld", Console.ConsoleState);
    Add(o, ",\"height\":%lld", Console.ConsoleHeight);
    o += ",\"input\":";
    JsonString(o, reinterpret_cast<const char*>(Console.ConsoleBuffer[CONSOLE_INPUT_SLOT] + 5));
    o += ",\"lines\":[";
    bool first = true;
    for (int i = 0; i < 54; ++i) {
        const uint8_t* s = Console.ConsoleBuffer[i];
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

    Add(o, ",\"pointer\":[%lld", Input.PointerX);
    Add(o, ",%lld]", Input.PointerY);

    o += ",\"flags\":{";
    Add(o, "\"AppActive\":%lld", Program.AppActive);
    Add(o, ",\"InputActive\":%lld", Input.InputActive);
    Add(o, ",\"MouseLook\":%lld", World.MouseLook);
    Add(o, ",\"ShadingEnabled\":%lld", Render.ShadingEnabled);
    Add(o, ",\"OcclusionEnabled\":%lld", Render.OcclusionEnabled);
    Add(o, ",\"JoystickOn\":%lld", Settings.JoystickOn);
    o += "}";

    Add(o, ",\"net\":{\"started\":%lld}", NetIsStarted() ? 1 : 0);

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
    JsonString(o, World.NextLevelFile);
    o += ",";
    o += WorldDumpJson();
    o += ",";
    o += AudioDumpJson();
    o += "}";
    return o;
}
