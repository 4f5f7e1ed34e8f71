// A playing world for the simulation suites: an empty world, a fresh player with a box model, the
// simulation's sound rows loaded with a short silent WAV each (buffer 3 * row + slot), and monster
// placement. What was played is read with Played() of test_util.h.
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
#include "support/wav.h"
#include "test_util.h"

class GameFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgram();  // an empty world too
        ResetPlayer();
        MakeBoxModel(P().models[0], half);
        World.ExitPoint[0] = World.ExitPoint[1] = 1000;
        Program.GameState = GS_PLAYING;
        savedVolume = Settings.SOUNDVOL;
        ASSERT_EQ(SoundInit(), 1);
        WriteFile("s.wav", SilentWav(64, 22050));
        for (int row = 0; row <= 18; ++row)
            for (int slot = 0; slot < 3; ++slot) Sound.SoundTable[row][slot] = LoadWave(Buf(row, slot), "s.wav");
        SoundClearPlays();
    }
    void TearDown() override {
        ResetWorld();
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
    static int Buf(int row, int slot) { return 3 * row + slot; }
    ObjectRecord& P() { return World.ObjectTable[0]; }

    const float half[3] = {0.5f, 0.5f, 0.5f};
    int32_t savedVolume = 0;
    ScratchDir dir;
};
