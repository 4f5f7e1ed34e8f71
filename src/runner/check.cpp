// zarvo-headless --check LEVEL: loads the level as the game does, gathers the loaders' own complaints,
// reads every file the level names the way the definition reader reads it, and walks the floor plan
// the way a mover's circle can.
#include "runner/check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "app/app.h"
#include "core/print.h"
#include "core/settings.h"
#include "defs/level.h"
#include "game/tick.h"
#include "game/walls.h"
#include "game/world.h"
#include "model/dxf.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "runner/script.h"

namespace {

// ---- the keys each kind of file is read for ----

// config.ini's keys: every row of the settings registry.
std::vector<const char*> SettingNames() {
    std::vector<const char*> names;
    for (int i = 0; i < kSettingCount; ++i) names.push_back(kSettings[i].name);
    return names;
}

struct Kind {
    const char* name;
    std::vector<const char*> keys;                              // keys read as they stand
    std::vector<std::pair<const char*, const char*>> numbered;  // KEYn read up to the count key
};
const Kind kKinds[] = {
    {"level",
     {"NAME", "MAP", "OBJECTS", "ARSENAL", "EXITCOORD", "RESETPLAYER", "STARTCOORD", "NEXTLEVEL", "SOUNDS", "MUSIC",
      "PAR",
      // a deathmatch's start points besides the start
      "DMSTART0", "DMSTART1", "DMSTART2", "DMSTART3", "DMSTART4", "DMSTART5", "DMSTART6", "DMSTART7"},
     {{"OBJECT", "OBJECTS"}}},
    {"object",
     {"MODELS", "DEFSTATE", "DEFHEALTH", "DEFDAMAGE", "DOCOLDET", "TYPE", "XROT", "DEFRANGE", "WEAPON"},
     {{"MODEL", "MODELS"}}},
    {"weapon",
     {"SCREEN_X_POS", "SCREEN_Y_POS", "SCREEN_Z_POS", "SCREEN_X_ROT", "SCREEN_Y_ROT", "SCREEN_Z_ROT", "RELOADTIME",
      "DAMAGE", "MODELS"},
     {{"MODEL", "MODELS"}}},
    {"arsenal", {"WEAPONS", "MISSILE"}, {{"WEAPON", "WEAPONS"}}},
    {"model", {"FRAMES", "SCALE"}, {{"FRAME", "FRAMES"}}},
    {"sounds", {"SOUNDS"}, {{"SOUND", "SOUNDS"}}},
    {"config", SettingNames(), {}},
};

const Kind* FindKind(const char* name) {
    for (const Kind& k : kKinds)
        if (strcmp(k.name, name) == 0) return &k;
    return nullptr;
}

size_t Distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// "OBJECT12" -> ("OBJECT", "12"); a key without trailing digits gives an empty number.
std::pair<std::string, std::string> SplitNumber(const std::string& key) {
    size_t end = key.size();
    while (end > 0 && key[end - 1] >= '0' && key[end - 1] <= '9') --end;
    return {key.substr(0, end), key.substr(end)};
}

// A number as the loaders write it: no leading zeros.
std::string Canonical(const std::string& digits) {
    const size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

std::string Shown(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (out.size() >= 60) return out + "...";
        out += (c >= 32 && c < 127) ? c : '?';
    }
    return out;
}

// ---- the files, read as the definition reader reads them ----

struct Line {
    int number;  // 1-based, as an editor counts lines
    std::string key, value;
};

struct Checker {
    const char* level;
    std::vector<std::string> problems;
    std::set<std::string> visited;
    std::vector<std::string> objectFiles = std::vector<std::string>(OBJECT_COUNT);  // by table entry
    std::string mapFile;                                                            // the level's MAP

    void Say(const std::string& what) { problems.push_back(what); }
    // Lines about the level file itself need not name it again.
    std::string Prefix(const std::string& file) const { return file == level ? "" : Shown(file) + ": "; }

    // The file's lines as the game keeps them (at most 255, each ended by a carriage return), with the
    // reasons any of its text is lost. False when the file cannot be read.
    bool Read(const std::string& file, std::vector<Line>* lines) {
        FILE* f = fopen(file.c_str(), "rb");
        if (!f) return false;
        std::string text;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20)) text.append(buf, n);
        fclose(f);
        if (text.find('\r') == std::string::npos && text.find('\n') != std::string::npos) {
            Say(Prefix(file) +
                "lines end with a line feed only; the game reads a line up to a carriage "
                "return, so it sees none of them (save with CR LF line ends)");
            return true;
        }
        size_t at = 0;
        int number = 1;
        for (int slot = 0; slot < 255 && at < text.size(); ++slot, ++number) {
            const size_t cr = text.find('\r', at);
            std::string raw = text.substr(at, cr == std::string::npos ? std::string::npos : cr - at);
            raw.erase(std::remove(raw.begin(), raw.end(), '\n'), raw.end());
            const bool comment = raw.size() > 0 && (raw[0] == '/' || (raw.size() > 1 && raw[1] == '/'));
            if (cr == std::string::npos) {
                if (!comment && raw.find('=') != std::string::npos)
                    Say(Prefix(file) + "line " + std::to_string(number) +
                        " has no carriage return at its end, so the game drops it");
                return true;
            }
            at = cr + 1;
            if (raw.size() > 254) {
                Say(Prefix(file) + "line " + std::to_string(number) +
                    " is longer than 254 characters, so the game drops it");
                continue;
            }
            const size_t eq = raw.rfind('=');
            if (comment || eq == std::string::npos) continue;
            lines->push_back({number, raw.substr(0, eq), raw.substr(eq + 1)});
        }
        if (at < text.size() && text.find_first_not_of("\r\n \t", at) != std::string::npos)
            Say(Prefix(file) + "lines past the 255th are not read");
        return true;
    }

    static std::string Field(const std::string& value, int n) {
        size_t at = 0;
        for (int i = 0; i < n; ++i) {
            at = value.find(';', at);
            if (at == std::string::npos) return "";
            ++at;
        }
        return value.substr(at, value.find(';', at) - at);
    }

    static long Count(const std::vector<Line>& lines, const char* key) {
        for (const Line& l : lines)
            if (l.key == key) return strtol(l.value.c_str(), nullptr, 10);
        return -1;
    }

    void Keys(const std::string& file, const Kind& kind, const std::vector<Line>& lines) {
        std::set<std::string> seen;
        for (const Line& l : lines) {
            const std::string where = Prefix(file) + "line " + std::to_string(l.number) + ": ";
            if (!seen.insert(l.key).second) {
                Say(where + Shown(l.key) + " is given again; the game reads only the first");
                continue;
            }
            if (std::find_if(kind.keys.begin(), kind.keys.end(), [&](const char* k) { return l.key == k; }) !=
                kind.keys.end())
                continue;
            const auto [stem, number] = SplitNumber(l.key);
            bool known = false;
            for (const auto& [family, countKey] : kind.numbered) {
                // The loaders ask for KEY0, KEY1, ...: a number written otherwise (KEY01) is never read.
                if (stem != family || number.empty() || number != Canonical(number)) continue;
                known = true;
                const long count = Count(lines, countKey);
                const long n = strtol(number.c_str(), nullptr, 10);
                if (n >= count)
                    Say(where + l.key + " is not read: " + countKey +
                        (count < 0 ? " is missing"
                                   : "=" + std::to_string(count) + " reads " + family + "0 to " + family +
                                         std::to_string(count - 1)));
            }
            if (known) continue;
            const std::string near = NearestKnownKey(kind.name, l.key);
            Say(where + "no " + kind.name + " key is named " + Shown(l.key) + (near.empty() ? "" : " (" + near + "?)"));
        }
    }

    // Checks a file of a kind and the files it names. Files that cannot be opened are the loaders' to
    // report; each file is read once.
    void Walk(const std::string& file, const char* kindName) {
        if (file.empty() || !visited.insert(file).second) return;
        std::vector<Line> lines;
        if (!Read(file, &lines)) return;
        Keys(file, *FindKind(kindName), lines);
        const std::string kind = kindName;
        for (const Line& l : lines) {
            const auto [stem, number] = SplitNumber(l.key);
            const std::string first = Field(l.value, 0);
            if (kind == "level") {
                if (stem == "OBJECT" && !number.empty()) {
                    const long n = strtol(number.c_str(), nullptr, 10);
                    if (n >= 0 && n < OBJECT_COUNT - 1 && objectFiles[size_t(n + 1)].empty())
                        objectFiles[size_t(n + 1)] = first;
                    Walk(first, "object");
                }
                if (l.key == "MAP" && mapFile.empty()) mapFile = l.value;
                if (l.key == "ARSENAL") Walk(first, "arsenal");
                if (l.key == "SOUNDS") Walk(first, "sounds");
                if (l.key == "NEXTLEVEL" && l.value != "WIN") {
                    FILE* f = fopen(l.value.c_str(), "rb");
                    if (f)
                        fclose(f);
                    else
                        Say("NEXTLEVEL " + Shown(l.value) + " cannot be opened");
                }
            } else if (kind == "arsenal") {
                if (stem == "WEAPON" && !number.empty()) Walk(first, "weapon");
                if (l.key == "MISSILE") Walk(first, "object");
            } else if ((kind == "object" || kind == "weapon") && stem == "MODEL" && !number.empty()) {
                Walk(first, "model");
            } else if (kind == "model" && l.key == "FRAMES") {
                const long frames = strtol(l.value.c_str(), nullptr, 10);
                if (frames < 1 || frames > 5)
                    Say(Prefix(file) + "FRAMES=" + Shown(l.value) + " is not 1 to 5, so the model is refused");
            }
        }
    }
};

// The loaders' lines that tell of a fault, as the author should read them.
std::vector<std::string> LoaderProblems(const std::vector<std::string>& lines) {
    static const char* const kPatterns[] = {
        "Cannot open ",        " refused: ", " has no MAP", " holds no 3DLINE or 3DFACE", "beyond the 32-bit range",
        "the rest are ignored"};
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const std::string before = i > 0 ? lines[i - 1] : "?";
        if (l == "Failed to loead file") {
            // A loader line that named the file already says why.
            const std::string shown = Shown(before);
            if (std::none_of(out.begin(), out.end(),
                             [&](const std::string& o) { return o.find(shown) != std::string::npos; }))
                out.push_back(shown + ": failed to load");
        } else if (l == "Warning: initial model frame was not loaded correctly") {
            out.push_back(Shown(before) + ": its first model frame did not load, the object is drawn as nothing");
        } else {
            for (const char* p : kPatterns)
                if (l.find(p) != std::string::npos) {
                    out.push_back(l);
                    break;
                }
        }
    }
    // A failed model prints its name before and after: one line each is enough.
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// ---- the floor plan as a mover's circle meets it ----

struct Grid {
    float x0 = 0, z0 = 0, cell = 0.25f;
    int w = 0, h = 0;
    std::vector<uint8_t> open;
    int Index(int i, int j) const { return j * w + i; }
    // Clamped while still a float: a position far off the map must not overflow the conversion.
    void CellOf(float x, float z, int* i, int* j) const {
        *i = int(std::clamp(std::floor((x - x0) / cell), 0.0f, float(w - 1)));
        *j = int(std::clamp(std::floor((z - z0) / cell), 0.0f, float(h - 1)));
    }
    float X(int i) const { return x0 + (float(i) + 0.5f) * cell; }
    float Z(int j) const { return z0 + (float(j) + 0.5f) * cell; }
};

std::string At(float x, float z) {
    char s[64];
    snprintf(s, sizeof s, "(%g, %g)", double(x), double(z));
    return s;
}

bool ZeroLength(const Segment& g) { return g.x1 == g.x2 && g.y1 == g.y2 && g.z1 == g.z2; }

// What the map holds beside its walls: zero-length segments (a 3DFACE with a corner given twice, as
// triangle meshes are written), which draw and stop nothing, and segments the drawing gives more than once,
// which the loader keeps once. False when no floor plan is left to walk: no segment with its ends apart
// lies at y = 0, so nothing stops the player.
bool FloorPlanHeld(Checker& c) {
    const Mesh& map = World.LevelModel.frames[0];
    const Mesh* plan = World.OcclusionModel.frames;
    int32_t zero = 0, zeroFloor = 0, walls = 0;
    for (int32_t s = 0; s < map.count; ++s) zero += ZeroLength(map.segments[s]);
    for (int32_t s = 0; plan && s < plan->count; ++s) {
        const bool z = ZeroLength(plan->segments[s]);
        zeroFloor += z;
        walls += !z;
    }
    const int64_t given = CountMeshSegments(c.mapFile.c_str());
    const int64_t twice = given > map.count ? given - map.count : 0;
    const char* const why =
        "(a 3DFACE with a corner given twice, as triangle meshes are written, or a 3DLINE to its own start)";
    if (walls == 0) {
        std::string line = std::string("the map has no floor plan (no segment lies at y = 0") +
                           (zeroFloor ? " with its ends apart" : "") + "): there are no walls";
        if (zero || twice) {
            line += "; its drawing gives " + std::to_string(given) + " segments:";
            if (zero) line += " " + std::to_string(zero) + " zero-length " + why + (twice ? "," : "");
            if (twice) line += " " + std::to_string(twice) + " a second time (kept once)";
        }
        c.Say(line);
        return false;
    }
    if (zeroFloor)
        c.Say(std::to_string(zeroFloor) + " zero-length segment" + (zeroFloor == 1 ? " lies" : "s lie") + " at y = 0 " +
              why + (zeroFloor == 1 ? ": it stops nothing" : ": they stop nothing"));
    return true;
}

void FloorPlan(Checker& c) {
    if (!FloorPlanHeld(c)) return;
    const Mesh* plan = World.OcclusionModel.frames;
    float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
    for (int s = 0; s < plan->count; ++s) {
        const Segment& g = plan->segments[s];
        lo[0] = std::min({lo[0], g.x1, g.x2});
        hi[0] = std::max({hi[0], g.x1, g.x2});
        lo[1] = std::min({lo[1], g.z1, g.z2});
        hi[1] = std::max({hi[1], g.z1, g.z2});
    }
    const ObjectRecord& player = World.ObjectTable[0];
    // The walk covers the start and the exit as well when they lie near the walls, so that neither is
    // judged from the grid's edge; one far away is outside them whatever the grid says.
    for (const auto& [x, z] : {std::pair{player.pos[0], player.pos[2]}, {World.ExitPoint[0], World.ExitPoint[1]}}) {
        const bool near = x > lo[0] - 1000 && x < hi[0] + 1000 && z > lo[1] - 1000 && z < hi[1] + 1000;
        if (!near) continue;
        lo[0] = std::min(lo[0], x);
        hi[0] = std::max(hi[0], x);
        lo[1] = std::min(lo[1], z);
        hi[1] = std::max(hi[1], z);
    }
    float start[3] = {player.pos[0], 0, player.pos[2]};
    if (PushFromWalls(start))
        c.Say("the start " + At(player.pos[0], player.pos[2]) +
              " is within 1.4 of a wall: the player is pushed out at his first step");
    {
        float exitAt[3] = {World.ExitPoint[0], 0, World.ExitPoint[1]};
        if (FirstWallAlong(exitAt[0] - 0.4f, exitAt[2], exitAt[0] + 0.4f, exitAt[2]) < 1 ||
            FirstWallAlong(exitAt[0], exitAt[2] - 0.4f, exitAt[0], exitAt[2] + 0.4f) < 1)
            c.Say("the exit " + At(World.ExitPoint[0], World.ExitPoint[1]) + " lies on a wall");
    }

    // Cells where a mover's centre may stand, joined to their eight neighbours when both are open; the
    // cell grows on large maps so that the walk stays about a million cells.
    Grid g;
    const float margin = 4.0f;
    const float spanX = hi[0] - lo[0] + 2 * margin, spanZ = hi[1] - lo[1] + 2 * margin;
    if (!std::isfinite(spanX * spanZ) || spanX * spanZ > 1e12f) {
        c.Say(
            "the floor plan spans more than a million units or holds coordinates that are no numbers: its "
            "paths are not walked");
        return;
    }
    g.cell = std::max(0.25f, std::sqrt(spanX * spanZ / 1.0e6f));
    g.x0 = lo[0] - margin;
    g.z0 = lo[1] - margin;
    g.w = std::max(1, int(spanX / g.cell) + 1);
    g.h = std::max(1, int(spanZ / g.cell) + 1);
    g.open.assign(size_t(g.w) * size_t(g.h), 0);
    for (int j = 0; j < g.h; ++j)
        for (int i = 0; i < g.w; ++i) {
            float p[3] = {g.X(i), 0, g.Z(j)};
            g.open[size_t(g.Index(i, j))] = PushFromWalls(p) == 0;
        }
    auto flood = [&g](int si, int sj, std::vector<uint8_t>& reached, bool throughOpen) {
        std::deque<std::pair<int, int>> queue;
        reached.assign(g.open.size(), 0);
        reached[size_t(g.Index(si, sj))] = 1;
        queue.push_back({si, sj});
        while (!queue.empty()) {
            auto [i, j] = queue.front();
            queue.pop_front();
            for (int dj = -1; dj <= 1; ++dj)
                for (int di = -1; di <= 1; ++di) {
                    const int ni = i + di, nj = j + dj;
                    if ((!di && !dj) || ni < 0 || nj < 0 || ni >= g.w || nj >= g.h) continue;
                    const size_t n = size_t(g.Index(ni, nj));
                    if (reached[n]) continue;
                    if (throughOpen) {
                        if (!g.open[n]) continue;
                    } else if (FirstWallAlong(g.X(i), g.Z(j), g.X(ni), g.Z(nj)) < 1) {
                        continue;
                    }
                    reached[n] = 1;
                    queue.push_back({ni, nj});
                }
        }
    };

    // The player's reach, from the open cell nearest the start.
    int si, sj;
    g.CellOf(start[0], start[2], &si, &sj);
    std::vector<uint8_t> reach;
    flood(si, sj, reach, true);
    const auto reachedNear = [&](float x, float z, float within) {
        int i0, j0, i1, j1;
        g.CellOf(x - within, z - within, &i0, &j0);
        g.CellOf(x + within, z + within, &i1, &j1);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
                if (reach[size_t(g.Index(i, j))] && std::hypot(g.X(i) - x, g.Z(j) - z) <= within) return true;
        return false;
    };
    if (!reachedNear(World.ExitPoint[0], World.ExitPoint[1], EXIT_RADIUS + g.cell))
        c.Say("the exit " + At(World.ExitPoint[0], World.ExitPoint[1]) + " cannot be reached from the start");

    // The outside: cells reached from the grid's border without crossing a wall.
    std::vector<uint8_t> outside;
    flood(0, 0, outside, false);
    int ci, cj;
    g.CellOf(start[0], start[2], &ci, &cj);
    const bool openPlan = outside[size_t(g.Index(ci, cj))] != 0;
    if (openPlan) c.Say("the walls do not close around the start: the player can walk out of the level");

    for (int n = 1; n < OBJECT_COUNT; ++n) {
        const ObjectRecord& o = World.ObjectTable[n];
        if (o.state == OBJ_FREE) continue;
        const std::string name = "OBJECT" + std::to_string(n - 1) + " (" + Shown(c.objectFiles[size_t(n)]) + ") at " +
                                 At(o.pos[0], o.pos[2]);
        int oi, oj;
        g.CellOf(o.pos[0], o.pos[2], &oi, &oj);
        if (!openPlan && outside[size_t(g.Index(oi, oj))]) {
            c.Say(name + " lies outside the walls");
            continue;
        }
        if (!IsMonsterType(o.type)) continue;
        // A monster that can walk to the player's ground, or see into it from within its sight, is fine.
        bool meets = reachedNear(o.pos[0], o.pos[2], WALL_RADIUS + g.cell);
        int i0, j0, i1, j1;
        g.CellOf(o.pos[0] - 20, o.pos[2] - 20, &i0, &j0);
        g.CellOf(o.pos[0] + 20, o.pos[2] + 20, &i1, &j1);
        for (int j = j0; j <= j1 && !meets; ++j)
            for (int i = i0; i <= i1 && !meets; ++i) {
                if (!reach[size_t(g.Index(i, j))]) continue;
                const float d = std::hypot(g.X(i) - o.pos[0], g.Z(j) - o.pos[2]);
                if (d <= 20 && FirstWallAlong(o.pos[0], o.pos[2], g.X(i), g.Z(j)) >= 1) meets = true;
            }
        if (!meets) c.Say(name + " is a monster that can never reach the player nor see him");
    }
}

// ---- the run ----

std::vector<std::string>* Tap = nullptr;
PrintSink Passed = nullptr;
void TapSink(uint8_t counter, const char* text) {
    if (Tap) Tap->push_back(text);
    if (Passed) Passed(counter, text);
}

const char* CheckedLevel = nullptr;
int CheckResult = 2;

void CheckPass() {
    static bool done = false;
    if (done) return;
    done = true;
    std::vector<std::string> lines;
    Passed = CurrentPrintSink();
    Tap = &lines;
    SetPrintSink(TapSink);
    const int loaded = LoadLevel(CheckedLevel);
    SetPrintSink(Passed);
    Tap = nullptr;
    std::vector<std::string> problems = CheckLoadedLevel(CheckedLevel, lines);
    if (!loaded && problems.empty()) problems.push_back("the level does not load");
    for (const std::string& p : problems) printf("%s: %s\n", CheckedLevel, p.c_str());
    if (problems.empty()) printf("%s: clean\n", CheckedLevel);
    fflush(stdout);
    CheckResult = problems.empty() ? 0 : 1;
    HeadlessPushEvent(PE_QUIT, 0);
}

}  // namespace

std::string NearestKnownKey(const char* kindName, const std::string& key) {
    const Kind* kind = FindKind(kindName);
    if (!kind || key.empty()) return "";
    std::string best;
    size_t bestDistance = std::max<size_t>(2, key.size() / 3) + 1;
    auto consider = [&](const std::string& candidate, const std::string& compared) {
        const size_t d = Distance(compared, candidate);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    };
    for (const char* k : kind->keys) consider(k, key);
    const auto [stem, number] = SplitNumber(key);
    if (!number.empty())
        for (const auto& family : kind->numbered) {
            const size_t d = Distance(stem, family.first);
            if (d < bestDistance) {
                bestDistance = d;
                best = std::string(family.first) + Canonical(number);
            }
        }
    return best;
}

std::vector<std::string> CheckLoadedLevel(const char* level, const std::vector<std::string>& loadLines) {
    Checker c{level};
    for (const std::string& p : LoaderProblems(loadLines)) c.Say(p);
    c.Walk(level, "level");
    c.Walk("config.ini", "config");
    if (World.LevelModel.frames && World.LevelModel.frames[0].count > 0) FloorPlan(c);
    return c.problems;
}

int RunLevelCheck(const char* level) {
    CheckedLevel = level;
    HeadlessSetClock(10000);
    ProgramOptions options;
    RunProgramStepped(options, CheckPass);
    return CheckResult;
}
