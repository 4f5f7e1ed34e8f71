// A playing world for the simulation suites: cleared tables, a live player with a box model, the
// simulation's sound rows loaded with a short WAV each (buffer 3 * row + slot), and monster placement.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "audio/sound.h"
#include "game/world.h"
#include "model/model.h"
#include "render/passes.h"
#include "test_util.h"

class GameFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgram();
        for (ObjectRecord& r : World.ObjectTable) ClearObjectRecord(r);
        for (ObjectRecord& r : World.MissileTable) ClearObjectRecord(r);
        for (WeaponRecord& w : World.WeaponTable) ClearWeaponRecord(w);
        ClearModel(World.OcclusionModel);
        World.ExitPoint[0] = World.ExitPoint[1] = 1000;
        Program.GameState = GS_PLAYING;
        ObjectRecord& p = World.ObjectTable[0];
        p.state = 1;
        p.health = 100;
        p.radius = 0.5f;
        MakeBoxModel(p.models[0], half);
        savedVolume = Settings.SOUNDVOL;
        ASSERT_EQ(SoundInit(), 1);
        // 64 samples of silence, 8-bit mono PCM at 22 050 Hz.
        std::string fmt = std::string("\x01\x00\x01\x00\x22\x56\x00\x00\x22\x56\x00\x00\x01\x00\x08\x00", 16);
        std::string body = "WAVEfmt " + std::string("\x10\x00\x00\x00", 4) + fmt + "data" +
                           std::string("\x40\x00\x00\x00", 4) + std::string(64, char(0x80));
        uint32_t n = uint32_t(body.size());
        WriteFile("s.wav", "RIFF" + std::string(reinterpret_cast<const char*>(&n), 4) + body);
        for (int row = 0; row <= 18; ++row)
            for (int slot = 0; slot < 3; ++slot) Sound.SoundTable[row][slot] = LoadWave(Buf(row, slot), "s.wav");
        SoundClearPlays();
    }
    void TearDown() override {
        for (ObjectRecord& r : World.ObjectTable) ClearObjectRecord(r);
        for (ObjectRecord& r : World.MissileTable) ClearObjectRecord(r);
        ClearModel(World.OcclusionModel);
        SoundShutdown();
        Settings.SOUNDVOL = savedVolume;
        Program.GameState = GS_MENU;
    }
    // A monster (sentry, health 100, radius 0.5, box model) placed in ObjectTable entry i.
    ObjectRecord& Monster(int i, float x, float z, int heading, int type = 10) {
        ObjectRecord& m = World.ObjectTable[i];
        ClearObjectRecord(m);
        m.state = AI_SENTRY;
        m.type = uint8_t(type);
        m.health = 100;
        m.radius = 0.5f;
        m.pos[0] = x, m.pos[2] = z;
        m.angles[1] = heading;
        MakeBoxModel(m.models[0], half);
        return m;
    }
    // Buffer numbers played since the last call.
    std::vector<int> Played() {
        std::vector<int> out;
        for (int i = 0; i < SoundPlayCount(); ++i) out.push_back(SoundPlayAt(i)->buffer);
        SoundClearPlays();
        return out;
    }
    static int Buf(int row, int slot) { return 3 * row + slot; }
    ObjectRecord& P() { return World.ObjectTable[0]; }

    const float half[3] = {0.5f, 0.5f, 0.5f};
    int32_t savedVolume = 0;
    ScratchDir dir;
};
