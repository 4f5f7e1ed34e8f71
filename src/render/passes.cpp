// The drawing passes of a frame: level with occlusion, world objects and rockets, weapon view, HUD, end texts.
#include "render/passes.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/settings.h"
#include "game/players.h"
#include "game/skill.h"
#include "game/tick.h"
#include "game/world.h"
#include "render/raster.h"
#include "render/video.h"

namespace {

// The column buffer when it fits the current screen width, else null (depth test and spans off).
float* ColumnForScreen() {
    return (Render.ColumnBuffer && Render.ColumnBufferSize == Settings.SCREENX + 1) ? Render.ColumnBuffer : nullptr;
}

// Palette index of a shaded colour: the value truncated toward zero, low 8 bits. A value outside the
// integer range (a segment clipped against a far-away end) gives 0, as the hardware truncation's
// "integer indefinite" result would.
uint8_t LowByte(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return 0;
    return static_cast<uint8_t>(static_cast<uint32_t>(static_cast<int32_t>(v)) & 0xFFu);
}
uint8_t RedShade(float z) { return LowByte(81 - 3.5 * z); }
uint8_t BlueShade(float z) { return LowByte(250 - 3.5 * z); }
uint8_t GreenShade(float z) { return LowByte(static_cast<double>(160 - 20 * z)); }

// Whether a clipped coordinate truncates to a pixel index in 0..size-1 (false for NaN and infinities).
inline bool Truncates(float v, int32_t size) { return v > -1.0f && v < static_cast<float>(size); }

enum ShadeRule { SHADE_NONE, SHADE_BLUE_BEFORE, SHADE_RED_BEFORE, SHADE_RED_AFTER, SHADE_GREEN_BEFORE };

// Draws entries 0..drawnCount-1 of a transformed model: clip in place, then the rasteriser with the
// negated depths. Shaded colours are taken from z1 before or after clipping as the rule says.
void DrawModelLines(Model& m, ShadeRule rule, uint8_t flat, int depthTest) {
    if (!m.projected || !m.visible || !Video.FramePixels) return;
    float* column = ColumnForScreen();
    const int32_t n = m.drawnCount < m.maxSegments ? m.drawnCount : m.maxSegments;
    const bool shade = Settings.SHADING != 0 && rule != SHADE_NONE;
    for (int32_t i = 0; i < n; ++i) {
        if (!m.visible[i]) continue;
        ProjectedSegment& p = m.projected[i];
        uint8_t colour = flat;
        if (shade) {
            if (rule == SHADE_BLUE_BEFORE)
                colour = BlueShade(p.z1);
            else if (rule == SHADE_RED_BEFORE)
                colour = RedShade(p.z1);
            else if (rule == SHADE_GREEN_BEFORE)
                colour = GreenShade(p.z1);
        }
        if (!ClipSegmentX(p.x1, p.x2, p.y1, p.y2, p.z1, p.z2)) continue;
        if (!ClipSegmentY(p.x1, p.x2, p.y1, p.y2, p.z1, p.z2)) continue;
        if (shade && rule == SHADE_RED_AFTER) colour = RedShade(p.z1);
        // Clipping leaves every finite end on screen; an end made of NaN or infinity (a drawing with
        // absurd coordinates) is skipped rather than converted to an undefined integer.
        if (!Truncates(p.x1, Settings.SCREENX) || !Truncates(p.x2, Settings.SCREENX) ||
            !Truncates(p.y1, Settings.SCREENY) || !Truncates(p.y2, Settings.SCREENY))
            continue;
        DrawLine(static_cast<int>(p.x1), static_cast<int>(p.y1), -p.z1, static_cast<int>(p.x2), static_cast<int>(p.y2),
                 -p.z2, colour, Video.FramePixels, Video.FramePitch, column, depthTest);
    }
}

void AddModelSpans(const Model& m, float* column) {
    if (!m.projected || !m.visible || !column) return;
    const int32_t n = m.drawnCount < m.maxSegments ? m.drawnCount : m.maxSegments;
    for (int32_t i = 0; i < n; ++i)
        if (m.visible[i]) {
            const ProjectedSegment& p = m.projected[i];
            AddOccluderSpan(p.x1, p.x2, p.z1, p.z2, column);
        }
}

// The model slot a record shows, or null for an animation state outside the slots.
Model* ShownModel(ObjectRecord& r) {
    return (r.animState >= 0 && r.animState < MODEL_SLOTS) ? &r.models[r.animState] : nullptr;
}

void Text(const char* s, int x, int y, uint32_t colour, int font) { DrawScreenText(s, x, y, colour, font); }

int CX() { return static_cast<int>(Settings.ScreenCentreX); }
int CY() { return static_cast<int>(Settings.ScreenCentreY); }

}  // namespace

int AllocateColumnBuffer() {
    const int32_t want = Settings.SCREENX > 0 ? Settings.SCREENX + 1 : 1;
    if (Render.ColumnBufferSize != want || !Render.ColumnBuffer) {
        Render.ColumnStore.assign(size_t(want), -20.0f);
        Render.ColumnBuffer = Render.ColumnStore.data();
        Render.ColumnBufferSize = want;
    } else {
        for (float& v : Render.ColumnStore) v = -20.0f;
    }
    return 1;
}

void FreeColumnBuffer() {
    std::vector<float>().swap(Render.ColumnStore);
    Render.ColumnBuffer = nullptr;
    Render.ColumnBufferSize = 0;
}

void DrawLevelPass() {
    if (Render.ColumnBufferSize != Settings.SCREENX + 1 || !Render.ColumnBuffer) AllocateColumnBuffer();
    for (int32_t c = 0; c < Settings.SCREENX; ++c) Render.ColumnBuffer[c] = -20.0f;
    const ObjectRecord& player = World.ObjectTable[ViewRecord()];
    if (Settings.ZBUFFER) {
        TransformModel(World.OcclusionModel, 0, player.pos, player.angles, World.LevelPlacement.pos,
                       World.LevelPlacement.angles);
        AddModelSpans(World.OcclusionModel, Render.ColumnBuffer);
    }
    TransformModel(World.LevelModel, 0, player.pos, player.angles, World.LevelPlacement.pos,
                   World.LevelPlacement.angles);
    DrawModelLines(World.LevelModel, SHADE_BLUE_BEFORE, 230, 1);
}

// The colours other players are drawn in, by player number.
constexpr uint8_t kPlayerColours[MAX_PLAYERS] = {254, 140, 200, 40};

void DrawObjectPass() {
    const int view = ViewRecord();
    const ObjectRecord& player = World.ObjectTable[view];
    const float eyePos[3] = {player.pos[0], player.pos[1], player.pos[2]};
    const int32_t eyeAngles[3] = {player.angles[0], player.angles[1], player.angles[2]};
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        ObjectRecord& r = World.ObjectTable[i];
        if (r.state == 0) continue;
        // A network game's other players: the player model in each one's colour, facing his way.
        const int slot = Players.network ? PlayerSlotOf(i) : -1;
        if (slot >= 0) {
            if (i == view || Players.model.frameCount <= 0) continue;
            const int32_t facing[3] = {r.angles[0], NormaliseAngle(360 - r.angles[1]), r.angles[2]};
            TransformModel(Players.model, 0, eyePos, eyeAngles, r.pos, facing);
            DrawModelLines(Players.model, SHADE_NONE, kPlayerColours[slot], 1);
            continue;
        }
        Model* m = ShownModel(r);
        if (!m) continue;
        TransformModel(*m, r.frame, eyePos, eyeAngles, r.pos, r.angles);
        if (r.drawFlag) AddModelSpans(*m, ColumnForScreen());
        if (static_cast<int8_t>(r.type) > 8)
            DrawModelLines(*m, SHADE_RED_AFTER, 61, 1);
        else
            DrawModelLines(*m, SHADE_NONE, 254, 1);
    }
    for (int i = 1; i <= 9; ++i) {
        ObjectRecord& r = World.MissileTable[i];
        if (r.state == 0) continue;
        Model* m = ShownModel(r);
        if (!m) continue;
        TransformModel(*m, r.frame, eyePos, eyeAngles, r.pos, r.angles);
        DrawModelLines(*m, SHADE_RED_BEFORE, 71, 1);
    }
}

void DrawViewPass() {
    const ObjectRecord& player = World.ObjectTable[ViewRecord()];
    if (player.state != 0) {
        const int w = player.weapon;
        if (w < 0 || w >= WEAPON_TABLE_SIZE) return;  // no such weapon: nothing in view
        WeaponRecord& weapon = World.WeaponTable[w];
        // A network game's players each have their own firing frame.
        const int32_t frame =
            Players.network && Players.view >= 0 ? Players.slots[Players.view].viewFrame : weapon.frame;
        const bool hasAmmo = ValidWeapon(w) && player.ammo[w] != 0;
        Model* m = &weapon.models[0];
        if ((player.controls.fire && (hasAmmo || w == WPN_KNIFE)) || frame != 0) m = &weapon.models[1];
        TransformModel(*m, frame, World.LevelPlacement.pos, World.LevelPlacement.angles, weapon.screenPos,
                       weapon.screenRot);
        if (m->projected) DrawModelLines(*m, SHADE_GREEN_BEFORE, 140, 0);
        return;
    }
    const uint32_t red = Rgb(100, 0, 0);
    if (Players.network) {
        // A network game's dead player rises again.
        Text("-- Fragged --", CX() - Scaled(150), CY() + Scaled(100), red, LargeFont);
        return;
    }
    Text("-- Your Cause is Lost --", CX() - Scaled(250), CY() + Scaled(100), red, LargeFont);
    char line[96];
    std::snprintf(line, sizeof line, "Score:  %.0f", static_cast<double>(player.score));
    Text(line, CX() - Scaled(150), CY() + Scaled(150), red, LargeFont);
    if (Settings.RETRY && RetryReady()) {
        // Centred above the death texts, clear of the HUD along the bottom, in a colour that reads.
        const char* retry = "Press Enter to try again";
        int32_t w = 0, h = 0;
        MeasureScreenText(retry, &w, &h, LargeFont);
        Text(retry, CX() - w / 2, CY() + Scaled(40), Rgb(255, 220, 60), LargeFont);
    }
}

namespace {

const char* WeaponName(int w) {
    switch (w) {
    case WPN_KNIFE: return "+ KNIFE +";
    case WPN_GUN: return "+ GUN +";
    case WPN_SHOTGUN: return "+ SHOTGUN +";
    case WPN_MINIGUN: return "+ MINIGUN +";
    default: return "+ LAUNCHER +";
    }
}

// The weapons 1 to 5 along the bottom's middle (HITFEEDBACK): the one in hand yellow and underlined, the
// ones owned bright, the others dim; the name of the one in hand under them unless the frags are there.
void DrawWeaponRow(const ObjectRecord& player, bool frags) {
    const int pitch = Scaled(34), y = Settings.SCREENY - Scaled(80);
    int32_t w = 0, h = 0;
    MeasureScreenText("5", &w, &h, LargeFont);
    for (int i = 0; i < WEAPON_COUNT; ++i) {
        const char digit[2] = {char('1' + i), 0};
        const int x = CX() + (i - 2) * pitch - w / 2;
        const bool inHand = player.weapon == i, owned = i == WPN_KNIFE || player.owned[i];
        Text(digit, x, y, inHand ? Rgb(255, 255, 0) : owned ? Rgb(0, 255, 255) : Rgb(70, 70, 70), LargeFont);
        if (inHand) FillScreenRect(x, y + h, x + w, y + h + Scaled(3), 254);
    }
    if (frags || !ValidWeapon(player.weapon)) return;
    const char* name = WeaponName(player.weapon);
    MeasureScreenText(name, &w, &h, SmallFont);
    Text(name, CX() - w / 2, Settings.SCREENY - Scaled(30), Rgb(0, 255, 255), SmallFont);
}

}  // namespace

void DrawHud() {
    const ObjectRecord& player = World.ObjectTable[ViewRecord()];
    auto colourFor = [](int32_t v) { return v >= 10 ? Rgb(0, 255, 255) : Rgb(255, 0, 50); };
    char line[32];
    uint32_t c = colourFor(player.health);
    Text("+ HEALTH +", Scaled(10), Settings.SCREENY - Scaled(30), c, SmallFont);
    // With the hit feedback a dead player's health reads 0, not what the last shot left below it.
    std::snprintf(line, sizeof line, "[%d]", Settings.HITFEEDBACK && player.health < 0 ? 0 : player.health);
    Text(line, Scaled(25), Settings.SCREENY - Scaled(80), c, LargeFont);
    const bool frags = Players.network && Players.mode == MODE_DEATHMATCH && Players.view >= 0;
    if (frags) {
        std::snprintf(line, sizeof line, "FRAGS %d", int(Players.slots[Players.view].frags));
        Text(line, CX() - Scaled(40), Settings.SCREENY - Scaled(30), Rgb(255, 255, 0), SmallFont);
    }
    if (Settings.HITFEEDBACK) DrawWeaponRow(player, frags);
    const int w = player.weapon;
    if (w == WPN_KNIFE || !ValidWeapon(w)) return;  // knife: no count; no count for a bad index
    c = colourFor(player.ammo[w]);
    Text("+ AMMO +", Settings.SCREENX - Scaled(100), Settings.SCREENY - Scaled(30), c, SmallFont);
    std::snprintf(line, sizeof line, "[%d]", player.ammo[w]);
    Text(line, Settings.SCREENX - Scaled(100), Settings.SCREENY - Scaled(80), c, LargeFont);
}

// Percentage done of a start count; a level that started with none of a kind counts as fully done
// (100 %) instead of showing the 0/0 quotient.
static double PercentDone(float atStart, float left) {
    if (atStart == 0.0f) return 100.0;
    double v = static_cast<double>((atStart - left) / atStart * 100);
    return std::isfinite(v) ? v : 0.0;
}

namespace {

// Seconds as minutes and seconds; ticks of play (whole seconds of them) likewise.
void MinutesSeconds(char* out, size_t size, int64_t seconds) {
    std::snprintf(out, size, "%lld:%02lld", static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
}
void Clock(char* out, size_t size, int64_t ticks) { MinutesSeconds(out, size, ticks * TICK_MS / 1000); }

// The level-complete screen with the level's record (LEVELSTATS) or its skill (SKILL): the classic
// lines, with kills and items counted instead of in percent where the record is shown, then the time
// against par, the skill, the continue line and the score, one under the other from higher up, so that
// the last of them stays above the HUD.
void DrawLevelRecord() {
    const uint32_t green = Rgb(0, 255, 0);
    char line[96];
    int y = CY() - Scaled(130);
    auto next = [&y](const char* text, uint32_t colour) {
        Text(text, CX() - Scaled(250), y, colour, LargeFont);
        y += Scaled(40);
    };
    if (Settings.LEVELNAMES && World.LevelName[0])
        Text(World.LevelName, CX() - Scaled(250), CY() - Scaled(180), green, LargeFont);
    next("-- Level Complete! --", green);
    if (Settings.LEVELSTATS) {
        std::snprintf(line, sizeof line, "Kills:  %d / %d", World.Stats.kills, LevelMonsters());
        next(line, green);
        std::snprintf(line, sizeof line, "Items:  %d / %d", World.Stats.items, LevelItems());
        next(line, green);
        char time[32], par[32];
        Clock(time, sizeof time, World.Stats.ticks);
        if (World.Stats.par > 0) {
            MinutesSeconds(par, sizeof par, World.Stats.par);
            std::snprintf(line, sizeof line, "Time:  %s   Par:  %s", time, par);
        } else {
            std::snprintf(line, sizeof line, "Time:  %s", time);
        }
        next(line, green);
    } else {
        std::snprintf(line, sizeof line, "Kills:  %.0f%%",
                      CompletionPercent(World.MonstersAtStart, World.MonstersLeft));
        next(line, green);
        std::snprintf(line, sizeof line, "Inventory:  %.0f%%", CompletionPercent(World.ItemsAtStart, World.ItemsLeft));
        next(line, green);
    }
    if (Settings.SKILL) {
        std::snprintf(line, sizeof line, "Skill:  %s", SkillName(Skill()));
        next(line, green);
    }
    next("-- Press Space --", green);
    if (Settings.TOTALSCORE) {
        std::snprintf(line, sizeof line, "Score:  %.0f", static_cast<double>(World.ObjectTable[0].score));
        next(line, green);
    }
}

// The end of a deathmatch level: every player's frags and deaths.
void DrawFragTable() {
    const uint32_t green = Rgb(0, 255, 0);
    Text("-- Match Over --", CX() - Scaled(250), CY() - Scaled(110), green, LargeFont);
    int y = CY() - Scaled(60);
    for (const PlayerSlot& s : Players.slots) {
        if (!s.present) continue;
        char line[96];
        std::snprintf(line, sizeof line, "%s  %d frags  %d deaths", s.name, int(s.frags), int(s.deaths));
        Text(line, CX() - Scaled(250), y, green, LargeFont);
        y += Scaled(40);
    }
}

}  // namespace

void DrawLevelComplete() {
    if (Players.network && Players.fragTable) return DrawFragTable();
    if (Settings.LEVELSTATS || Settings.SKILL) {
        DrawLevelRecord();
        return;
    }
    const uint32_t green = Rgb(0, 255, 0);
    char line[96];
    if (Settings.LEVELNAMES && World.LevelName[0])
        Text(World.LevelName, CX() - Scaled(250), CY() - Scaled(110), green, LargeFont);
    Text("-- Level Complete! --", CX() - Scaled(250), CY() - Scaled(60), green, LargeFont);
    std::snprintf(line, sizeof line, "Kills:  %.0f%%", PercentDone(World.MonstersAtStart, World.MonstersLeft));
    Text(line, CX() - Scaled(250), CY() - Scaled(20), green, LargeFont);
    std::snprintf(line, sizeof line, "Inventory:  %.0f%%", PercentDone(World.ItemsAtStart, World.ItemsLeft));
    Text(line, CX() - Scaled(250), CY() + Scaled(20), green, LargeFont);
    Text("-- Press Space --", CX() - Scaled(250), CY() + Scaled(60), green, LargeFont);
    if (Settings.TOTALSCORE) {
        std::snprintf(line, sizeof line, "Score:  %.0f", static_cast<double>(World.ObjectTable[0].score));
        Text(line, CX() - Scaled(250), CY() + Scaled(110), green, LargeFont);
    }
}

void DrawWon() {
    const uint32_t green = Rgb(0, 255, 0);
    Text("-- CONGRADULATIONS! --", CX() - Scaled(250), CY() - Scaled(100), green, LargeFont);
    Text("The evil monsters", CX() - Scaled(250), CY(), green, LargeFont);
    Text("Are defeated!", CX() - Scaled(100), CY() + Scaled(50), green, LargeFont);
    Text("YOU WON", CX(), CY() + Scaled(100), green, LargeFont);
    char line[96];
    std::snprintf(line, sizeof line, "Your Score:  %.0f", static_cast<double>(World.ObjectTable[0].score));
    Text(line, CX() - Scaled(150), CY() + Scaled(150), green, LargeFont);
    // The campaign's record (LEVELSTATS) and its skill (SKILL), above the classic texts.
    char time[32] = "", skill[48] = "";
    Clock(time, sizeof time, World.Campaign.ticks);
    if (Settings.SKILL) std::snprintf(skill, sizeof skill, "Skill:  %s", SkillName(Skill()));
    if (Settings.LEVELSTATS) {
        const WorldRecord::CampaignRecord& c = World.Campaign;
        std::snprintf(line, sizeof line, "Kills:  %d / %d   Items:  %d / %d", c.kills, c.killsTotal, c.items,
                      c.itemsTotal);
        Text(line, CX() - Scaled(250), CY() - Scaled(190), green, LargeFont);
        std::snprintf(line, sizeof line, "Time:  %s   %s", time, skill);
        Text(line, CX() - Scaled(250), CY() - Scaled(150), green, LargeFont);
    } else if (Settings.SKILL) {
        Text(skill, CX() - Scaled(250), CY() - Scaled(150), green, LargeFont);
    }
}
