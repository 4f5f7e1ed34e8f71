// Contact tests in the floor plane and the placed level sounds.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "app/settings.h"
#include "audio/sound.h"
#include "game/contact.h"
#include "game/world.h"
#include "support/walls.h"
#include "support/wav.h"
#include "test_util.h"

namespace {

float DistanceToSegment(float px, float pz, const Segment& s) {
    double dx = s.x2 - s.x1, dz = s.z2 - s.z1;
    double t = ((px - s.x1) * dx + (pz - s.z1) * dz) / (dx * dx + dz * dz);
    t = std::fmax(0.0, std::fmin(1.0, t));
    return float(std::hypot(px - (s.x1 + t * dx), pz - (s.z1 + t * dz)));
}

TEST(Contact, LongWallPushesToExactlyTheRadiusOnEitherSide) {
    const Segment wall = Wall(-10, 0, 10, 0);  // along +x: the normal (-dz, dx) points to +z
    float out[3] = {7, 7, 7};
    float c[3] = {2, 0, 1.4f};
    EXPECT_EQ(CirclePushFromSegment(c, 1.4f, wall, out), 0);
    EXPECT_EQ(out[0], 7);  // nothing written without contact
    EXPECT_EQ(out[2], 7);

    c[2] = 1.39f;
    ASSERT_EQ(CirclePushFromSegment(c, 1.4f, wall, out), 1);
    EXPECT_FLOAT_EQ(out[0], 2);
    EXPECT_FLOAT_EQ(out[2], 1.4f);
    EXPECT_EQ(out[1], 7) << "y is never written";

    c[2] = -1.39f;
    ASSERT_EQ(CirclePushFromSegment(c, 1.4f, wall, out), 1);
    EXPECT_FLOAT_EQ(out[2], -1.4f);

    c[2] = 0;  // on the line: to the negative side
    ASSERT_EQ(CirclePushFromSegment(c, 1.4f, wall, out), 1);
    EXPECT_FLOAT_EQ(out[2], -1.4f);

    // Reversing the wall flips the normal, so the centre on the line now goes to +z.
    ASSERT_EQ(CirclePushFromSegment(c, 1.4f, Wall(10, 0, -10, 0), out), 1);
    EXPECT_FLOAT_EQ(out[2], 1.4f);

    // The pushed array may be the centre itself.
    float same[3] = {3, 0, 0.5f};
    ASSERT_EQ(CirclePushFromSegment(same, 1.4f, wall, same), 1);
    EXPECT_FLOAT_EQ(same[2], 1.4f);
}

TEST(Contact, WallEndsActAsRoundPosts) {
    const Segment wall = Wall(0, 0, 10, 0);
    float out[3];
    // Beyond the first end (t < 0): pushed radially away from (0, 0).
    float c[3] = {-0.6f, 0, 0.8f};  // distance 1.0
    ASSERT_EQ(CirclePushFromSegment(c, 1.4f, wall, out), 1);
    EXPECT_NEAR(std::hypot(out[0], out[2]), 1.4, 1e-6);
    EXPECT_NEAR(out[0] / out[2], -0.6 / 0.8, 1e-6);
    // Beyond the second end (t > |d|^2).
    float c2[3] = {11, 0, -1};
    ASSERT_EQ(CirclePushFromSegment(c2, 1.5f, wall, out), 1);
    EXPECT_NEAR(std::hypot(out[0] - 10, out[2]), 1.5, 1e-6);
    EXPECT_NEAR(out[0] - 10, -out[2], 1e-6);
    // Diagonally just out of reach of the post.
    float c3[3] = {-1, 0, 1};  // sqrt 2 > 1.4
    EXPECT_EQ(CirclePushFromSegment(c3, 1.4f, wall, out), 0);

    float x = 1, z = 0;
    EXPECT_EQ(CirclePushFromPoint(0, 0, x, z, 1.0f), 0) << "exactly the radius away is no contact";
    EXPECT_EQ(x, 1);
    x = 0.5f;
    EXPECT_EQ(CirclePushFromPoint(0, 0, x, z, 1.0f), 1);
    EXPECT_FLOAT_EQ(x, 1.0f);
}

TEST(Contact, ZeroLengthSegmentsAndCentresOnEndsStayPut) {
    float out[3] = {5, 5, 5};
    float c[3] = {0, 0, 0};
    // A vertical line of a drawing: same x and z at both ends.
    Segment vertical{0, 0, 0, 0, 3, 0};
    EXPECT_EQ(CirclePushFromSegment(c, 1.4f, vertical, out), 0);
    EXPECT_EQ(out[0], 5);

    // A centre exactly on a wall end lies on the wall's line (t = 0): pushed off the negative side.
    ASSERT_EQ(CirclePushFromSegment(c, 1.4f, Wall(0, 0, 0, -5), out), 1);
    EXPECT_FLOAT_EQ(out[0], -1.4f);
    EXPECT_EQ(out[2], 0);
    // On the post itself there is no direction: a contact that leaves the centre where it is.
    float x = 2, z = 3;
    EXPECT_EQ(CirclePushFromPoint(2, 3, x, z, 1), 1);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(z, 3);
}

TEST(Contact, ResultsAreExactlyRadiusAwayAndNeverNaN) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-20, 20);
    int contacts = 0;
    for (int i = 0; i < 20000; ++i) {
        Segment s = Wall(u(rng), u(rng), u(rng), u(rng));
        float c[3] = {u(rng) * 0.3f, 0, u(rng) * 0.3f};
        float r = std::fabs(u(rng)) * 0.2f + 0.1f;
        float out[3] = {NAN, 0, NAN};
        if (!CirclePushFromSegment(c, r, s, out)) {
            EXPECT_GE(DistanceToSegment(c[0], c[2], s), r * (1 - 1e-4f));
            continue;
        }
        ++contacts;
        EXPECT_LT(DistanceToSegment(c[0], c[2], s), r * (1 + 1e-4f));
        EXPECT_NEAR(DistanceToSegment(out[0], out[2], s), r, 2e-4f * (1 + r));
    }
    EXPECT_GT(contacts, 1000);

    // Extreme coordinates from a hostile drawing never give a non-finite position.
    const float big = 3e38f;
    const float extremes[] = {0, 1, -1, 1e-30f, big, -big, 1e20f, -1e20f};
    for (float a : extremes)
        for (float b : extremes)
            for (float p : extremes) {
                Segment s = Wall(a, b, b, a);
                float c[3] = {p, 0, -p * 0.5f};
                float out[3] = {c[0], 0, c[2]};
                CirclePushFromSegment(c, 1.4f, s, out);
                EXPECT_TRUE(std::isfinite(out[0]) && std::isfinite(out[2])) << a << " " << b << " " << p;
            }
}

TEST(Contact, InSquareIsStrictOnBothAxes) {
    ObjectRecord a, b;
    a.pos[0] = 3, a.pos[2] = -2;
    auto at = [&](float dx, float dz) {
        b.pos[0] = a.pos[0] + dx;
        b.pos[2] = a.pos[2] + dz;
        return InSquare(a, b, 0.5f);
    };
    EXPECT_EQ(at(0.49f, 0.49f), 1);
    EXPECT_EQ(at(-0.49f, -0.49f), 1);
    EXPECT_EQ(at(0.5f, 0), 0);
    EXPECT_EQ(at(0, -0.5f), 0);
    EXPECT_EQ(at(0.3f, 0.51f), 0);
    b.pos[1] = 100;  // height plays no part
    EXPECT_EQ(at(0, 0), 1);
}

class PlacedSound : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgram();
        ASSERT_EQ(SoundInit(), 1);
        WriteFile("s.wav", SilentWav(100, 22050));
        ASSERT_EQ(LoadWave(12, "s.wav"), 12);
        SoundClearPlays();
        saved = Settings.SOUNDVOL;
    }
    void TearDown() override {
        Settings.SOUNDVOL = saved;
        SoundShutdown();
    }
    int LastVolume() {
        EXPECT_EQ(SoundPlayCount(), 1);
        int v = SoundPlayCount() ? SoundPlayAt(0)->volume : -1;
        if (SoundPlayCount()) {
            EXPECT_EQ(SoundPlayAt(0)->frequency, 22000);
        }
        SoundClearPlays();
        return v;
    }
    ScratchDir dir;
    int32_t saved = 0;
};

TEST_F(PlacedSound, AttenuatesWithDistance) {
    Settings.SOUNDVOL = 50;
    float at3[3] = {3, 99, 0};  // y plays no part
    PlaySoundAt(at3, 12);
    EXPECT_EQ(LastVolume(), 30);
    float at15[3] = {9, 0, -12};
    PlaySoundAt(at15, 12);
    EXPECT_EQ(LastVolume(), 0);
    float near[3] = {0.1f, 0, 0.1f};  // attenuation 0.94 truncates to 0
    PlaySoundAt(near, 12);
    EXPECT_EQ(LastVolume(), 50);
    float far[3] = {3e38f, 0, 3e38f};
    PlaySoundAt(far, 12);
    EXPECT_EQ(LastVolume(), 0);
    float nan[3] = {NAN, 0, 0};
    PlaySoundAt(nan, 12);
    EXPECT_EQ(LastVolume(), 0);

    Settings.SOUNDVOL = 80;
    EXPECT_EQ(PlaySound(12), 1);
    EXPECT_EQ(LastVolume(), 80) << "PlaySound is full volume from the sound origin";

    // Rows outside the table, and buffers that were never loaded, play nothing and break nothing.
    EXPECT_EQ(SoundBufferFor(85, 0), -1);
    EXPECT_EQ(SoundBufferFor(4, 3), -1);
    EXPECT_EQ(SoundBufferFor(-1, 0), -1);
    Sound.SoundTable[4][1] = 12;
    EXPECT_EQ(SoundBufferFor(4, 1), 12);
    EXPECT_EQ(PlaySound(-1), 1);
    EXPECT_EQ(PlaySound(300), 1);
    EXPECT_EQ(SoundPlayCount(), 0);
}

}  // namespace
