// Network play: its messages as bytes (written, read back, and refused when they are not exactly one),
// the players of a network game inside the world (whom monsters go for, who hurts whom, frags, rising
// again, the exit), and hostile bytes at the host and at a player.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/dispatch.h"
#include "core/bounded.h"
#include "core/program.h"
#include "core/random.h"
#include "demo/demo.h"
#include "game/monsters.h"
#include "game/players.h"
#include "game/tick.h"
#include "game/weapons.h"
#include "game_fixture.h"
#include "net/netplay.h"
#include "net/protocol.h"
#include "platform/headless/headless.h"
#include "support/dxf.h"
#include "test_util.h"

namespace {

NetTick Tick(uint32_t n, uint8_t active) {
    NetTick t;
    t.tick = n;
    t.active = active;
    for (int p = 0; p < NET_MAX_PLAYERS; ++p)
        if (active >> p & 1) t.controls[p][0] = 1, t.controls[p][6] = uint8_t(n & 1), t.controls[p][12] = 200;
    return t;
}

TEST(NetProtocol, TickRecordsReadBackAsWrittenAndNoCutOfThemReads) {
    NetTick ticks[5] = {Tick(40, 0x3), Tick(41, 0x3), Tick(42, 0x7), Tick(43, 0x5), Tick(44, 0x5)};
    ticks[0].hasLevel = true;
    CopyBounded(ticks[0].level.file, "LEVEL1.LVL");
    ticks[0].level.seed = 0xdeadbeef;
    ticks[0].level.mode = NET_DEATHMATCH;
    ticks[0].level.players = 0x3;
    ticks[0].level.ruleCount = 2;
    ticks[0].level.rules[0] = 1, ticks[0].level.rules[1] = -7;
    ticks[0].level.carry[1].health = 77, ticks[0].level.carry[1].owned = 0x6, ticks[0].level.carry[1].ammo[2] = 9;
    ticks[0].level.carry[1].score = 12.5f, ticks[0].level.carry[1].frags = 3;
    CopyBounded(ticks[0].level.carry[1].name, "BRAVO");
    ticks[2].joined = 0x4;
    CopyBounded(ticks[2].joinName[2], "CHARLIE");
    ticks[3].left = 0x2;
    ticks[3].hasDigest = true, ticks[3].digest = 0x0123456789abcdefULL;
    ticks[4].hasEnd = true;
    CopyBounded(ticks[4].endReason, "Out of sync at tick 44");

    const std::vector<uint8_t> bytes = EncodeTicks(ticks, 5);
    NetTick back[NET_MAX_BATCH];
    int count = 0;
    ASSERT_TRUE(DecodeTicks(bytes.data(), bytes.size(), back, &count));
    ASSERT_EQ(count, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(back[i].tick, ticks[i].tick);
        EXPECT_EQ(back[i].active, ticks[i].active);
        EXPECT_EQ(memcmp(back[i].controls, ticks[i].controls, sizeof back[i].controls), 0) << i;
        EXPECT_EQ(back[i].joined, ticks[i].joined);
        EXPECT_EQ(back[i].left, ticks[i].left);
        EXPECT_EQ(back[i].hasDigest, ticks[i].hasDigest);
    }
    EXPECT_STREQ(back[0].level.file, "LEVEL1.LVL");
    EXPECT_EQ(back[0].level.seed, 0xdeadbeefu);
    EXPECT_EQ(back[0].level.rules[1], -7);
    EXPECT_EQ(back[0].level.carry[1].health, 77);
    EXPECT_EQ(back[0].level.carry[1].owned, 0x6);
    EXPECT_EQ(back[0].level.carry[1].ammo[2], 9);
    EXPECT_EQ(back[0].level.carry[1].score, 12.5f);
    EXPECT_STREQ(back[0].level.carry[1].name, "BRAVO");
    EXPECT_STREQ(back[2].joinName[2], "CHARLIE");
    EXPECT_EQ(back[3].digest, 0x0123456789abcdefULL);
    EXPECT_STREQ(back[4].endReason, "Out of sync at tick 44");
    // Unchanged controls cost a byte: a quiet batch of 64 ticks of four players stays small.
    NetTick quiet[NET_MAX_BATCH];
    for (int i = 0; i < NET_MAX_BATCH; ++i) quiet[i] = Tick(100, 0xF);
    for (int i = 0; i < NET_MAX_BATCH; ++i) quiet[i].tick = 100 + uint32_t(i);
    EXPECT_LT(EncodeTicks(quiet, NET_MAX_BATCH).size(), 4u * 64u);

    // Every message cut short is refused, never read past its end.
    for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(DecodeTicks(bytes.data(), n, back, &count)) << n;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DecodeTicks(longer.data(), longer.size(), back, &count));
    // A single record, as a recording keeps it.
    const std::vector<uint8_t> one = EncodeTick(ticks[0]);
    NetTick t;
    ASSERT_TRUE(DecodeTick(one.data(), one.size(), t));
    EXPECT_EQ(t.tick, 40u);
    EXPECT_EQ(t.level.carry[1].frags, 3);
}

TEST(NetProtocol, MessagesThatAreNotExactlyTheirKindAreRefused) {
    // Controls: a count of none or past a message's batch, a byte marked set that is 0.
    uint8_t c[NET_MAX_BATCH][16] = {};
    c[0][0] = c[1][0] = 1;
    std::vector<uint8_t> m = EncodeControls(9, c, 2);
    EXPECT_EQ(m.size(), 1u + 4 + 1 + 3 + 1);  // the second tick, as the first, is one byte
    memset(c, 0, sizeof c);
    uint32_t first = 0;
    int count = 0;
    ASSERT_TRUE(DecodeControls(m.data(), m.size(), &first, c, &count));
    EXPECT_EQ(first, 9u);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(c[1][0], 1);  // the second tick repeated the first
    m[5] = 0;
    EXPECT_FALSE(DecodeControls(m.data(), m.size(), &first, c, &count));
    m[5] = NET_MAX_BATCH + 1;
    EXPECT_FALSE(DecodeControls(m.data(), m.size(), &first, c, &count));
    const uint8_t zeroSet[] = {MSG_CONTROLS, 0, 0, 0, 0, 1, 1, 0, 0};
    EXPECT_FALSE(DecodeControls(zeroSet, sizeof zeroSet, &first, c, &count));
    // Texts: control characters and lengths past the buffer.
    char text[NET_TEXT_BYTES];
    const uint8_t bell[] = {MSG_SAY, 3, 'a', 7, 'b'};
    EXPECT_FALSE(DecodeText(bell, sizeof bell, MSG_SAY, text, sizeof text));
    std::vector<uint8_t> say = EncodeText(MSG_SAY, "hello there");
    ASSERT_TRUE(DecodeText(say.data(), say.size(), MSG_SAY, text, sizeof text));
    EXPECT_STREQ(text, "hello there");
    EXPECT_FALSE(DecodeText(say.data(), say.size(), MSG_SAY, text, 5));
    EXPECT_FALSE(DecodeText(say.data(), say.size(), MSG_REFUSE, text, sizeof text));
    // A welcome for a fifth player.
    NetWelcome w;
    w.you = 3;
    std::vector<uint8_t> wm = EncodeWelcome(w);
    ASSERT_TRUE(DecodeWelcome(wm.data(), wm.size(), w));
    wm[1] = 4;
    EXPECT_FALSE(DecodeWelcome(wm.data(), wm.size(), w));
    // A hello of another version is read only as far as its version, whatever follows.
    const uint8_t other[] = {MSG_HELLO, 9, 0, 0xff, 0xff};
    NetHello h;
    ASSERT_TRUE(DecodeHello(other, sizeof other, h));
    EXPECT_EQ(h.version, 9);
    NetHello mine;
    CopyBounded(mine.name, "ALPHA");
    mine.files.push_back(NetFileDigest{"LEVEL1.LVL", 42});
    std::vector<uint8_t> hm = EncodeHello(mine);
    ASSERT_TRUE(DecodeHello(hm.data(), hm.size(), h));
    ASSERT_EQ(h.files.size(), 1u);
    EXPECT_EQ(h.files[0].digest, 42u);
    hm[4 + 5 + 1] = 0xff, hm[4 + 5 + 2] = 0xff;  // more files than a hello may name
    EXPECT_FALSE(DecodeHello(hm.data(), hm.size(), h));
}

class NetRules : public GameFixture {
  protected:
    void SetUp() override {
        GameFixture::SetUp();
        Players.network = true;
        Players.view = 0;
        Players.startCount = 3;
        const float starts[3][3] = {{0, 0, 0}, {0, 8, 180}, {-8, 0, 90}};
        memcpy(Players.starts, starts, sizeof starts);
        for (int s = 0; s < 2; ++s) {
            Players.slots[s].present = true;
            snprintf(Players.slots[s].name, sizeof Players.slots[s].name, "%s", s ? "BRAVO" : "ALPHA");
            PlacePlayer(s, s);
            World.ObjectTable[PlayerRecordOf(s)].health = 100;
        }
        World.WeaponTable[WPN_GUN].damage = 10;
        World.WeaponTable[WPN_GUN].reloadTime = 5;
    }
    ObjectRecord& B() { return World.ObjectTable[255]; }
    void Arm(ObjectRecord& p) {
        p.weapon = WPN_GUN;
        p.owned[WPN_GUN] = 1;
        p.ammo[WPN_GUN] = 50;
    }
};

TEST_F(NetRules, PlayersBeyondTheFirstAreTheTopRecordsAndMonstersGoForTheNearestLivingOne) {
    EXPECT_EQ(PlayerRecordOf(1), 255);
    EXPECT_EQ(PlayerRecordOf(3), 253);
    EXPECT_TRUE(IsPlayerRecord(255));
    EXPECT_FALSE(IsPlayerRecord(254));  // player 3 is not in the game
    EXPECT_EQ(PlayerCount(), 2);
    // Monster at (0, 12) looking down -z: BRAVO at (0, 8) is nearer than ALPHA at the origin.
    ObjectRecord& m = Monster(1, 0, 12, 180);
    EXPECT_EQ(TargetRecord(m.pos), 255);
    EXPECT_TRUE(PlayerInSight(m.pos, m.angles));
    B().state = 0;  // dead players are no target
    EXPECT_EQ(TargetRecord(m.pos), 0);
    EXPECT_FALSE(PlayerInSight(m.pos, m.angles));  // ALPHA is 12 away: out of sight
    // The monster's shot hurts both players on its line (a player takes half).
    B().state = 1;
    World.WeaponTable[WPN_GUN].damage = 40;
    m.weapon = WPN_GUN;
    SeedRandom(5);
    ShotHits(m, 1, Segment{0, 0, 12, 0, 0, -8});
    EXPECT_LT(B().health, 100);
    EXPECT_GE(B().health, 80);
    EXPECT_LT(P().health, 100);
    // Without a network game there is one player, record 0, whatever the others hold.
    Players.network = false;
    EXPECT_FALSE(IsPlayerRecord(255));
    EXPECT_EQ(TargetRecord(m.pos), 0);
    EXPECT_EQ(PlayerCount(), 1);
}

TEST_F(NetRules, ADeathmatchShotFragsAndTheDeadRisesFarthestFromTheOthersCoOpHurtsNoOne) {
    // Co-op: ALPHA's shot along +z passes BRAVO and hurts him not.
    Arm(P());
    P().controls.fire = 1;
    GameStep();
    EXPECT_EQ(B().health, 100);
    EXPECT_EQ(P().ammo[WPN_GUN], 49);
    // Deathmatch: it does, and the killing shot is a frag on every console.
    Players.mode = MODE_DEATHMATCH;
    B().health = 1;
    P().reload = 0;
    GameStep();
    EXPECT_EQ(B().state, 0);
    EXPECT_EQ(Players.slots[0].frags, 1);
    EXPECT_EQ(Players.slots[1].deaths, 1);
    EXPECT_TRUE(ConsoleShows("ALPHA fragged BRAVO (1)"));
    EXPECT_EQ(Players.slots[1].respawnTicks, DEATHMATCH_RESPAWN_TICKS);
    // His own death line is his machine's, not ALPHA's.
    EXPECT_FALSE(ConsoleShows("Whoops, you need more than a facelift now..."));
    P().controls.fire = 0;
    P().pos[0] = -7, P().pos[2] = 0;  // ALPHA stands by the third start
    for (int i = 0; i < DEATHMATCH_RESPAWN_TICKS; ++i) GameStep();
    EXPECT_EQ(B().state, 1);
    EXPECT_EQ(B().health, 100);
    EXPECT_EQ(B().weapon, WPN_KNIFE);
    EXPECT_EQ(B().owned[WPN_GUN], 0);
    // the start farthest from ALPHA: (0, 8), not the level's start beside him nor (-8, 0)
    EXPECT_EQ(B().pos[0], 0.0f);
    EXPECT_EQ(B().pos[2], 8.0f);
    EXPECT_EQ(B().angles[1], 180);
}

TEST_F(NetRules, RocketsHitPlayersOnlyInADeathmatchAndNeverTheirOwner) {
    World.MissileTable[0].state = 1;
    MakeBoxModel(World.MissileTable[0].models[0], half);
    B().pos[2] = 3;  // on the rocket's way, 3 units ahead of ALPHA
    ASSERT_EQ(FireRocket(P()), 1);
    for (int i = 0; i < 40; ++i) RocketStep();
    EXPECT_EQ(B().health, 100);  // co-op: it flew through him
    EXPECT_EQ(P().health, 100);
    Players.mode = MODE_DEATHMATCH;
    ClearObjectRecord(World.MissileTable[1]);
    ASSERT_EQ(FireRocket(P()), 1);
    for (int i = 0; i < 40; ++i) RocketStep();
    EXPECT_EQ(P().health, 100);  // launched where he stands: never his own
    EXPECT_EQ(B().health, 100 - ROCKET_DAMAGE);
    EXPECT_EQ(Players.slots[1].lastAttacker, 0);
}

TEST_F(NetRules, AnyPlayerAtTheExitEndsTheLevelForAllAndACoOpDeathRisesAtTheStart) {
    World.ExitPoint[0] = 0, World.ExitPoint[1] = 8.5f;  // beside BRAVO
    GameStep();
    EXPECT_EQ(Program.GameState, GS_LEVEL_DONE);
    EXPECT_TRUE(ConsoleShows("BRAVO reached the exit"));
    // Co-op: a death waits 3 s, then the level's start with the knife and 100 health.
    Program.GameState = GS_PLAYING;
    World.ExitPoint[0] = World.ExitPoint[1] = 1000;
    P().health = -5;
    GameStep();
    EXPECT_EQ(P().state, 0);
    EXPECT_TRUE(ConsoleShows("Whoops, you need more than a facelift now..."));  // ALPHA's machine
    EXPECT_TRUE(ConsoleShows("ALPHA died"));
    for (int i = 0; i < COOP_RESPAWN_TICKS - 1; ++i) GameStep();
    EXPECT_EQ(P().state, 0);
    GameStep();
    EXPECT_EQ(P().state, 1);
    EXPECT_EQ(P().health, 100);
    EXPECT_EQ(P().pos[2], 0.0f);
}

TEST(NetPlay, HostileBytesAtTheHostAndAtAPlayerDropThePeerAndCrashNothing) {
    ResetProgram();
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> junk(rng() % 80);
        for (uint8_t& b : junk) b = uint8_t(rng());
        if (!junk.empty()) junk[0] = uint8_t(1 + rng() % 10);  // most kinds of message, made wrong
        NetPlayFeed(round % 2 == 0, junk.data(), junk.size());
    }
    ResetNetPlay();
    // A player given a record that does not follow the last one leaves with one line.
    NetTick level = Tick(1, 0x1);
    level.hasLevel = true;
    CopyBounded(level.level.file, "NOPE.LVL");
    std::vector<uint8_t> first = EncodeTicks(&level, 1);
    NetPlayFeed(false, first.data(), first.size());
    EXPECT_TRUE(NetPlayRunning());
    NetTick gap = Tick(5, 0x1);
    std::vector<uint8_t> later = EncodeTicks(&gap, 1);
    NetPlayFeed(false, later.data(), later.size());
    EXPECT_TRUE(ConsoleShows("The host sent data that cannot be read: left the game"));
    EXPECT_FALSE(NetPlayRunning());
    ResetNetPlay();
}

// A player plays the host's records into his world, a level and 32 ticks of two players' controls;
// the host's digest after tick 32 that differs from his own ends the game with one line.
TEST(NetPlay, APlayerFollowsTheRecordsAndADifferentDigestEndsTheGame) {
    ResetProgram();
    ScratchDir dir;
    WriteFile("room.dxf", DxfBox(-10, -10, 10, 10, 2) + kDxfEof);
    WriteFile("ROOM.LVL", "MAP=room.dxf\r\nSTARTCOORD=0;0;0\r\nEXITCOORD=9;9\r\nDMSTART0=0;5;180\r\n");
    NetTick ticks[32];
    for (int i = 0; i < 32; ++i) {
        ticks[i] = Tick(uint32_t(i + 1), 0x3);
        memset(ticks[i].controls, 0, sizeof ticks[i].controls);
        ticks[i].controls[1][0] = 1;  // player 2 walks forward all the while
    }
    ticks[0].hasLevel = true;
    CopyBounded(ticks[0].level.file, "ROOM.LVL");
    ticks[0].level.players = 0x3;
    ticks[0].level.mode = NET_DEATHMATCH;
    ticks[0].level.seed = 99;
    CopyBounded(ticks[0].level.carry[0].name, "ALPHA");
    CopyBounded(ticks[0].level.carry[1].name, "BRAVO");
    ticks[31].hasDigest = true;
    ticks[31].digest = 12345;        // not what his world will be
    NetPlayFeed(false, nullptr, 0);  // a player, welcomed
    const std::vector<uint8_t> bytes = EncodeTicks(ticks, 32);
    NetPlayFeed(false, bytes.data(), bytes.size());
    ASSERT_TRUE(NetPlayRunning());
    for (int pass = 0; pass < 200 && NetPlayRunning() && NetPlayTicksRun() < 31; ++pass) {
        HeadlessAdvanceClock(6);
        RunTimers();
    }
    ASSERT_EQ(NetPlayTicksRun(), 31u);
    // A deathmatch of two: player 2 at the farthest start, walking the 31 ticks his controls said.
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    EXPECT_EQ(World.ObjectTable[255].state, 1);
    EXPECT_NEAR(World.ObjectTable[255].pos[2], 5.0f - 31 * 0.06f, 1e-4f);
    EXPECT_EQ(World.ObjectTable[0].pos[2], 0.0f);
    EXPECT_EQ(GameClockMs(), 31u * 6u);
    HeadlessAdvanceClock(6);
    RunTimers();
    EXPECT_TRUE(ConsoleShows("Out of sync at tick 32"));
    EXPECT_FALSE(NetPlayRunning());
    EXPECT_EQ(Program.GameState, GS_MENU);
    ResetNetPlay();
}

}  // namespace
