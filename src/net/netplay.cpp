// Network play: the host's ordering of the game, the players' following of it, and both sides' talk
// over the transport (see netplay.h).
#include "net/netplay.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <vector>

#include "core/bounded.h"
#include "core/files.h"
#include "core/print.h"
#include "core/program.h"
#include "core/random.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "defs/models.h"
#include "demo/demo.h"
#include "game/players.h"
#include "game/world.h"
#include "platform/platform.h"
#include "platform/platform_net.h"
#include "platform/system.h"

namespace {

constexpr int kHostPeers = 8;           // room to refuse a fifth player with a reason
constexpr int kTicksPerMessage = 3;     // the host's records in one message
constexpr int kControlsPerMessage = 2;  // a player's controls in one message
constexpr uint32_t kSilenceMs = 5000;   // a peer this long silent has left
constexpr uint32_t kLoadingMs = 10000;  // more silence allowed while every machine loads a level
constexpr uint32_t kPingEveryMs = 500;
constexpr int kControlWindow = 256;        // ticks ahead a player's controls may be
constexpr int kCatchUp = 8;                // records waiting past which a player runs ticks at once
constexpr int kMaxWaiting = 200000;        // records a player holds (a deathmatch's level so far)
constexpr uint32_t kLevelDoneTicks = 500;  // 3 s on the level-complete screen, then the next level
constexpr int kAttemptsPerSecond = 4;      // connection attempts the host takes in one second
constexpr uint32_t kDigestRing = 64;

}  // namespace

// A player as the host (or, for the names, a player) knows him.
struct NetSeat {
    bool used = false;       // a connected player has this number (the host's own player too)
    bool welcomed = false;   // his join was accepted
    bool streaming = false;  // receives the game's records
    bool inGame = false;     // has a record in the level being played
    bool leaving = false;    // leaves at the next tick
    int peer = -1;           // -1: the host's own player
    char name[NET_NAME_BYTES] = "";
    uint32_t lastHeard = 0;
    uint16_t ping = 0;
    // Controls he sent for ticks ahead, by tick modulo the window, and the ones used last.
    uint8_t pending[kControlWindow][16] = {};
    uint32_t pendingTick[kControlWindow] = {};
    bool pendingSet[kControlWindow] = {};
    uint8_t last[16] = {};
};

struct NetPlayRecord {
    int role = NET_ROLE_NONE;
    bool replay = false;  // a recording plays: the records come from it, the transport stays shut
    bool joined = false;  // a player: welcomed by the host
    int me = -1;          // this machine's player number (-1: none, a dedicated host)
    int hostPeer = -1;
    uint8_t mode = NET_COOP;
    NetSeat seats[NET_MAX_PLAYERS];
    bool running = false;  // a network level runs
    uint32_t next = 1;     // the next tick to run
    uint32_t ticksRun = 0;
    NetTick current;  // the tick being run
    bool haveCurrent = false;
    std::deque<std::vector<uint8_t>> waiting;  // records received and not run yet, each as EncodeTick writes it
    uint32_t expect = 0;                       // the tick the host's next message must begin with (0: any level start)
    // the host
    std::vector<NetTick> batch;  // records run since the last message
    // The level's records so far, for joiners of a deathmatch: each a 16-bit length and its EncodeTick bytes.
    std::vector<uint8_t> journal;
    bool levelNext = false;
    char levelFile[NET_FILE_BYTES] = "";
    bool endNext = false;
    char endReason[NET_TEXT_BYTES] = "";
    uint32_t levelDone = 0;  // ticks on the level-complete or victory screen
    uint32_t lastPing = 0;
    uint32_t attemptStart = 0;
    int attempts = 0;
    uint32_t digestTick[kDigestRing] = {};
    uint64_t digestValue[kDigestRing] = {};
    bool digestSet[kDigestRing] = {};
    // this machine's controls: read in a tick, sent ahead
    ControlFlags local;
    uint8_t outgoing[NET_MAX_BATCH][16] = {};
    int outgoingCount = 0;
    uint32_t outgoingFirst = 0;
    int inputDelay = 8;
    // marks: the last 16 digests
    uint32_t markTick[16] = {};
    uint64_t markDigest[16] = {};
    int markCount = 0;
    // the settings the host's rules replaced, given back when the game ends
    SettingsRecord ownSettings;
    bool ownSaved = false;
    // the dedicated host
    int wantPlayers = 1;
    char firstLevel[NET_FILE_BYTES] = "";
    int lastFrags[NET_MAX_PLAYERS] = {};
    char address[80] = "";
    uint32_t lastHeard = 0;  // a player: when the host was heard last
};
NetPlayRecord NetPlay;

namespace {

void Say(const char* text) { PrintNotify(NOTIFY_GAME, text); }

// Network timing follows the real clock, whatever clock the game's ticks follow (the runner's is scripted).
uint32_t RealMs() { return PlatformRealMs(); }

// The dedicated host's events go to standard output as well.
void Event(const char* text) {
    Say(text);
    if (NetPlay.role == NET_ROLE_DEDICATED) {
        printf("%s\n", text);
        fflush(stdout);
    }
}

bool IsHost() { return NetPlay.role == NET_ROLE_HOST || NetPlay.role == NET_ROLE_DEDICATED; }

void Send(int peer, const std::vector<uint8_t>& bytes) {
    if (NetPlay.replay || peer < 0) return;
    PlatformNetSend(peer, 0, bytes.data(), bytes.size());
}

void SendToStreaming(const std::vector<uint8_t>& bytes) {
    for (const NetSeat& s : NetPlay.seats)
        if (s.used && s.streaming && s.peer >= 0 && !s.leaving) Send(s.peer, bytes);
}

void SendToWelcomed(const std::vector<uint8_t>& bytes) {
    for (const NetSeat& s : NetPlay.seats)
        if (s.used && s.welcomed && s.peer >= 0 && !s.leaving) Send(s.peer, bytes);
}

int SeatOfPeer(int peer) {
    for (int i = 0; i < NET_MAX_PLAYERS; ++i)
        if (NetPlay.seats[i].used && NetPlay.seats[i].peer == peer) return i;
    return -1;
}

// ---- what the machines must share: the data files -----------------------------------------------------

bool IsGameFile(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
    for (const char* ext : {".lvl", ".ars", ".obj", ".wpn", ".mdl", ".dxf"})
        if (lower.size() > strlen(ext) && lower.compare(lower.size() - strlen(ext), strlen(ext), ext) == 0) return true;
    return false;
}

// The level, arsenal, object, weapon, model and drawing files of the data folder, each with a digest of
// its bytes, in name order.
std::vector<NetFileDigest> DataManifest() {
    std::vector<NetFileDigest> files;
    std::error_code ec;
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    for (fs::recursive_directory_iterator it(".", fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().generic_string();
        if (name.rfind("./", 0) == 0) name = name.substr(2);
        if (IsGameFile(name) && name.size() < NET_FILE_BYTES && names.size() < 100000) names.push_back(name);
    }
    // The first files by name, the same on every machine whatever order the folder lists them in.
    std::sort(names.begin(), names.end());
    if (names.size() > size_t(NET_MAX_FILES)) names.resize(size_t(NET_MAX_FILES));
    for (const std::string& name : names) {
        NetFileDigest f{};
        CopyBounded(f.name, name.c_str());
        std::vector<uint8_t> bytes;
        uint64_t h = 0xcbf29ce484222325ULL;
        if (ReadFileBounded(name.c_str(), size_t(64) << 20, bytes))
            for (uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ULL;
        f.digest = h;
        files.push_back(f);
    }
    return files;
}

// The first file that differs between the host's data and a joiner's ("" when none does).
std::string FirstDifference(const std::vector<NetFileDigest>& mine, const std::vector<NetFileDigest>& theirs) {
    size_t i = 0, j = 0;
    while (i < mine.size() || j < theirs.size()) {
        if (j >= theirs.size() || (i < mine.size() && strcmp(mine[i].name, theirs[j].name) < 0)) return mine[i].name;
        if (i >= mine.size() || strcmp(mine[i].name, theirs[j].name) > 0) return theirs[j].name;
        if (mine[i].digest != theirs[j].digest) return mine[i].name;
        ++i, ++j;
    }
    return "";
}

// ---- the session's start and end -------------------------------------------------------------------------

void RecordIdentity() {
    // The recording learns which player this machine is and in what part.
    const uint8_t identity[3] = {'I', uint8_t(NetPlay.role), uint8_t(NetPlay.me < 0 ? 255 : NetPlay.me)};
    DemoRecordNet(identity, sizeof identity);
}

void SaveOwnSettings() {
    if (NetPlay.ownSaved) return;
    NetPlay.ownSettings = Settings;
    NetPlay.ownSaved = true;
}

void RestoreOwnSettings() {
    if (!NetPlay.ownSaved) return;
    for (int i = 0; i < kSettingCount; ++i)
        if ((kSettings[i].flags & SETTING_RULE) && kSettings[i].field)
            Settings.*kSettings[i].field = NetPlay.ownSettings.*kSettings[i].field;
    NetPlay.ownSaved = false;
}

// The network game ends on this machine: everything of it forgotten, back to the start menu. An end that
// came from the network (not from a tick record or a command, which a replay plays again) is recorded.
void Close(bool toMenu, bool recordIt) {
    if (recordIt && !NetPlay.replay) {
        const uint8_t closed[2] = {'C', uint8_t(toMenu ? 1 : 0)};
        DemoRecordNet(closed, sizeof closed);
    }
    const bool wasRunning = NetPlay.running;
    if (!NetPlay.replay) {
        PlatformNetFlush();
        PlatformNetClose();
    }
    const bool replay = NetPlay.replay;
    RestoreOwnSettings();
    NetPlay = NetPlayRecord{};
    NetPlay.replay = replay;
    if (wasRunning || Players.network) ResetPlayers();
    if (toMenu && (wasRunning || Program.GameState != GS_MENU)) LoadMenu(Settings.StartMenuFile, true);
}

// The dedicated host goes back to waiting for its players.
void BackToWaiting() {
    for (NetSeat& s : NetPlay.seats)
        if (s.used && s.peer >= 0) PlatformNetDisconnect(s.peer, false);
    for (NetSeat& s : NetPlay.seats) s = NetSeat{};
    NetPlay.running = false;
    NetPlay.waiting.clear();
    NetPlay.batch.clear();
    NetPlay.journal.clear();
    NetPlay.levelNext = NetPlay.endNext = false;
    NetPlay.haveCurrent = false;
    ResetPlayers();
    LoadMenu(Settings.StartMenuFile, true);
}

void DedicatedWaitLine() {
    char line[96];
    snprintf(line, sizeof line, "Waiting for %d player%s", NetPlay.wantPlayers, NetPlay.wantPlayers == 1 ? "" : "s");
    Event(line);
}

// ---- the level start every machine plays --------------------------------------------------------------------

void ApplyRules(const NetLevel& l) {
    SaveOwnSettings();
    int k = 0;
    for (int i = 0; i < kSettingCount && k < l.ruleCount; ++i) {
        const SettingDef& d = kSettings[i];
        if (!(d.flags & SETTING_RULE) || (d.flags & SETTING_SAVED) || !d.field) continue;
        SetSettingNumber(Settings, d, l.rules[k++]);
    }
}

void LoadPlayerModel() {
    if (Players.model.frameCount > 0) return;
    LoadModelFile(Players.model, "models/player.mdl", 0);
}

// Gives player slot s his state from the level record: carried over, or fresh when the level resets
// the players.
void SetUpPlayer(int s, const NetCarry& c, int start) {
    PlayerSlot& slot = Players.slots[s];
    slot.present = true;
    CopyBounded(slot.name, c.name);
    slot.frags = c.frags;
    slot.deaths = c.deaths;
    ObjectRecord& p = World.ObjectTable[PlayerRecordOf(s)];
    PlacePlayer(s, start);
    if (Players.levelResetsPlayers) {
        p.health = 100;
        return;
    }
    p.health = c.health;
    for (int w = 0; w < WEAPON_COUNT; ++w) {
        p.owned[w] = (c.owned >> w) & 1;
        p.ammo[w] = c.ammo[w];
    }
    p.weapon = ValidWeapon(c.weapon) ? c.weapon : WPN_KNIFE;
    p.score = Settings.TOTALSCORE ? c.score : 0;
}

bool StartLevel(const NetLevel& l) {
    ApplyRules(l);
    ResetPlayers();
    Players.network = true;
    Players.mode = l.mode;
    Players.view = NetPlay.me;
    Players.fragLimit = l.fragLimit;
    Players.timeLimit = l.timeLimit;
    NetPlay.mode = l.mode;
    LoadPlayerModel();
    Menu.Visible = 0;  // whatever this machine's menu showed, the level is played
    // Every machine starts the level from the same empty world, whatever it showed before.
    ResetWorld();
    World.AnimationCounter = 0;
    if (!LoadLevel(l.file)) return false;
    if (l.mode == NET_DEATHMATCH) {
        // A deathmatch leaves the level's monsters out; the other objects keep their numbers.
        for (int i = 1; i < OBJECT_COUNT; ++i)
            if (IsMonsterType(World.ObjectTable[i].type)) ClearObjectRecord(World.ObjectTable[i]);
        World.MonstersAtStart = 0;
    }
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) ClearObjectRecord(World.ObjectTable[PlayerRecordOf(s)]);
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        if (!(l.players >> s & 1)) continue;
        Players.slots[s].present = true;  // placed in number order, each away from those before him
        SetUpPlayer(s, l.carry[s], FarthestStart(s));
    }
    SeedRandom(l.seed);
    NetPlay.levelDone = 0;
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) NetPlay.lastFrags[s] = Players.slots[s].frags;
    return true;
}

// The host's level record: the players in it, each with what he carries.
NetLevel MakeLevel(const char* file) {
    NetLevel l;
    CopyBounded(l.file, file);
    l.seed = (RealMs() * 2654435761u) ^ uint32_t(Program.TickCount) ^ RandomState();
    l.mode = NetPlay.mode;
    l.fragLimit = Settings.FRAGLIMIT;
    l.timeLimit = Settings.TIMELIMIT;
    for (int i = 0; i < kSettingCount && l.ruleCount < NET_MAX_RULES; ++i) {
        const SettingDef& d = kSettings[i];
        if ((d.flags & SETTING_RULE) && !(d.flags & SETTING_SAVED) && d.field)
            l.rules[l.ruleCount++] = Settings.*d.field;
    }
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        const NetSeat& seat = NetPlay.seats[s];
        if (!seat.used || !seat.welcomed || seat.leaving) continue;
        l.players |= uint8_t(1u << s);
        NetCarry& c = l.carry[s];
        CopyBounded(c.name, seat.name);
        if (Players.network && Players.slots[s].present) {
            const ObjectRecord& p = World.ObjectTable[PlayerRecordOf(s)];
            // A player who ends the level dead starts the next one fresh.
            if (p.state != 0) {
                c.health = p.health;
                for (int w = 0; w < WEAPON_COUNT; ++w) c.owned |= uint8_t((p.owned[w] ? 1u : 0u) << w);
                for (int w = 0; w < WEAPON_COUNT; ++w) c.ammo[w] = p.ammo[w];
                c.weapon = p.weapon;
            }
            c.score = p.score;
            // A deathmatch's level is a match of its own: frags start again at 0.
            if (NetPlay.mode != NET_DEATHMATCH) {
                c.frags = Players.slots[s].frags;
                c.deaths = Players.slots[s].deaths;
            }
        }
    }
    return l;
}

// ---- marks ---------------------------------------------------------------------------------------------------

void AddMark(uint32_t tick, uint64_t digest) {
    if (NetPlay.markCount == 16) {
        memmove(NetPlay.markTick, NetPlay.markTick + 1, sizeof NetPlay.markTick - sizeof NetPlay.markTick[0]);
        memmove(NetPlay.markDigest, NetPlay.markDigest + 1, sizeof NetPlay.markDigest - sizeof NetPlay.markDigest[0]);
        --NetPlay.markCount;
    }
    NetPlay.markTick[NetPlay.markCount] = tick;
    NetPlay.markDigest[NetPlay.markCount] = digest;
    ++NetPlay.markCount;
}

void OutOfSync(uint32_t tick) {
    char line[64];
    snprintf(line, sizeof line, "Out of sync at tick %" PRIu32, tick);
    if (IsHost()) {
        if (!NetPlay.endNext) {
            NetPlay.endNext = true;
            CopyBounded(NetPlay.endReason, line);
        }
        return;
    }
    Say(line);
    Close(true, true);
}

// ---- the host's side -----------------------------------------------------------------------------------------

void Refuse(int peer, const char* why) {
    Send(peer, EncodeText(MSG_REFUSE, why));
    PlatformNetFlush();
    PlatformNetDisconnect(peer, false);
}

void DropSeat(int s, const char* why) {
    NetSeat& seat = NetPlay.seats[s];
    if (!seat.used || seat.leaving) return;
    char line[128];
    snprintf(line, sizeof line, "%s %s", seat.name, why);
    if (seat.peer >= 0) PlatformNetDisconnect(seat.peer, true);
    if (NetPlay.running && seat.inGame) {
        seat.leaving = true;  // the record goes at the next tick, on every machine (its line then)
        seat.peer = -1;
        if (strcmp(why, "left the game") != 0) Event(line);
    } else {
        Event(line);
        seat = NetSeat{};
    }
}

void SendWelcome(int s) {
    NetWelcome w;
    w.you = uint8_t(s);
    w.mode = NetPlay.mode;
    for (int i = 0; i < NET_MAX_PLAYERS; ++i)
        if (NetPlay.seats[i].used && NetPlay.seats[i].welcomed) {
            w.present |= uint8_t(1u << i);
            CopyBounded(w.names[i], NetPlay.seats[i].name);
        }
    Send(NetPlay.seats[s].peer, EncodeWelcome(w));
}

// A deathmatch joiner receives the level so far, then plays on from the tick he enters at.
void SendJournal(int s) {
    NetTick ticks[NET_MAX_BATCH];
    int n = 0;
    const std::vector<uint8_t>& j = NetPlay.journal;
    for (size_t at = 0; at + 2 <= j.size();) {
        const size_t len = size_t(j[at] | j[at + 1] << 8);
        at += 2;
        if (len > j.size() - at) break;
        const bool read = DecodeTick(j.data() + at, len, ticks[n]);
        at += len;
        if (!read) continue;
        if (++n == NET_MAX_BATCH) {
            Send(NetPlay.seats[s].peer, EncodeTicks(ticks, n));
            n = 0;
        }
    }
    if (n > 0) Send(NetPlay.seats[s].peer, EncodeTicks(ticks, n));
}

void SendBatch();

void HostHello(int peer, const uint8_t* data, size_t size) {
    NetHello hello;
    if (!DecodeHello(data, size, hello)) {
        Refuse(peer, "Refused: the join message could not be read");
        return;
    }
    char why[NET_TEXT_BYTES];
    if (hello.version != NET_PROTOCOL_VERSION) {
        snprintf(why, sizeof why, "Refused: network version %d, the host plays version %d", int(hello.version),
                 NET_PROTOCOL_VERSION);
        Event(why);
        Refuse(peer, why);
        return;
    }
    const std::string differs = FirstDifference(DataManifest(), hello.files);
    if (!differs.empty()) {
        snprintf(why, sizeof why, "Refused: %.60s differs from the host's", differs.c_str());
        char line[NET_TEXT_BYTES + 32];
        snprintf(line, sizeof line, "%s was refused: %.60s differs", hello.name[0] ? hello.name : "A player",
                 differs.c_str());
        Event(line);
        Refuse(peer, why);
        return;
    }
    int s = -1;
    for (int i = 0; i < NET_MAX_PLAYERS && s < 0; ++i)
        if (!NetPlay.seats[i].used) s = i;
    if (s < 0) {
        Event("A fifth player was refused: the game is full");
        Refuse(peer, "Refused: the game is full (four players)");
        return;
    }
    NetSeat& seat = NetPlay.seats[s];
    seat = NetSeat{};
    seat.used = seat.welcomed = true;
    seat.peer = peer;
    seat.lastHeard = RealMs();
    if (hello.name[0])
        CopyBounded(seat.name, hello.name);
    else
        snprintf(seat.name, sizeof seat.name, "Player%d", s + 1);
    // Two players of one name are told apart by their numbers.
    for (int i = 0; i < NET_MAX_PLAYERS; ++i)
        if (i != s && NetPlay.seats[i].used && strcmp(NetPlay.seats[i].name, seat.name) == 0) {
            char name[NET_NAME_BYTES];
            snprintf(name, sizeof name, "%.12s%d", seat.name, s + 1);
            CopyBounded(seat.name, name);
        }
    SendWelcome(s);
    char line[64];
    snprintf(line, sizeof line, "%s joined the game", seat.name);
    Event(line);
    if (NetPlay.running && NetPlay.mode == NET_DEATHMATCH) {
        // A deathmatch takes him in at once: the level so far, then his entry at the next tick.
        SendBatch();
        SendJournal(s);
        seat.streaming = true;
    } else if (NetPlay.running) {
        Send(peer, EncodeText(MSG_SAY, "You enter the game at the next level"));
    }
}

void HostControls(int s, const uint8_t* data, size_t size) {
    uint32_t first = 0;
    uint8_t controls[NET_MAX_BATCH][16];
    int count = 0;
    if (!DecodeControls(data, size, &first, controls, &count)) {
        DropSeat(s, "sent bad data and was dropped");
        return;
    }
    NetSeat& seat = NetPlay.seats[s];
    // Controls for ticks far ahead of the game are no player's (late ones count from the next tick).
    if (NetPlay.running && first > NetPlay.next + kControlWindow) {
        DropSeat(s, "sent controls out of the window and was dropped");
        return;
    }
    for (int i = 0; i < count; ++i) {
        const uint32_t tick = first + uint32_t(i);
        // Late controls count from the next tick the host orders.
        if (NetPlay.running && tick < NetPlay.next) {
            memcpy(seat.last, controls[i], 16);
            continue;
        }
        const int k = int(tick % kControlWindow);
        memcpy(seat.pending[k], controls[i], 16);
        seat.pendingTick[k] = tick;
        seat.pendingSet[k] = true;
    }
}

void HostDigest(int s, const uint8_t* data, size_t size) {
    uint32_t tick = 0;
    uint64_t digest = 0;
    if (!DecodeDigest(data, size, &tick, &digest)) {
        DropSeat(s, "sent bad data and was dropped");
        return;
    }
    const uint32_t k = tick % kDigestRing;
    if (NetPlay.digestSet[k] && NetPlay.digestTick[k] == tick && NetPlay.digestValue[k] != digest) OutOfSync(tick);
}

void HostReceive(int peer, const uint8_t* data, size_t size) {
    const int s = SeatOfPeer(peer);
    if (size == 0) return;
    // Nothing a player sends is larger than this: a message that is comes from no player of ours.
    if (size > (s < 0 ? NET_MAX_HELLO : NET_MAX_PLAYER_MESSAGE)) {
        if (s >= 0)
            DropSeat(s, "sent an oversized message and was dropped");
        else
            PlatformNetDisconnect(peer, true);
        return;
    }
    if (s < 0) {
        if (data[0] == MSG_HELLO)
            HostHello(peer, data, size);
        else
            PlatformNetDisconnect(peer, true);
        return;
    }
    NetSeat& seat = NetPlay.seats[s];
    seat.lastHeard = RealMs();
    switch (data[0]) {
    case MSG_CONTROLS: HostControls(s, data, size); break;
    case MSG_DIGEST: HostDigest(s, data, size); break;
    case MSG_PONG: {
        uint32_t stamp = 0;
        if (!DecodePong(data, size, &stamp)) return DropSeat(s, "sent bad data and was dropped");
        const uint32_t rtt = RealMs() - stamp;
        seat.ping = uint16_t(std::min<uint32_t>(rtt, 60000));
        break;
    }
    case MSG_SAY: {
        char text[NET_TEXT_BYTES];
        if (!DecodeText(data, size, MSG_SAY, text, sizeof text)) return DropSeat(s, "sent bad data and was dropped");
        char line[NET_TEXT_BYTES + NET_NAME_BYTES + 4];
        snprintf(line, sizeof line, "%s: %s", seat.name, text);
        Say(line);
        SendToWelcomed(EncodeText(MSG_SAY, line));
        break;
    }
    default: DropSeat(s, "sent bad data and was dropped"); break;
    }
}

void HostEvent(const PlatformNetEvent& ev) {
    const uint32_t now = RealMs();
    if (ev.type == NETEV_CONNECT) {
        // Connection attempts are limited per second.
        if (now - NetPlay.attemptStart >= 1000) NetPlay.attemptStart = now, NetPlay.attempts = 0;
        if (++NetPlay.attempts > kAttemptsPerSecond) PlatformNetDisconnect(ev.peer, true);
        return;
    }
    const int s = SeatOfPeer(ev.peer);
    if (ev.type == NETEV_DISCONNECT) {
        if (s >= 0) DropSeat(s, "left the game");
        return;
    }
    if (ev.type == NETEV_RECEIVE) HostReceive(ev.peer, ev.data, ev.size);
}

void HostPing() {
    const uint32_t now = RealMs();
    // Silent players have left.
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        NetSeat& seat = NetPlay.seats[s];
        if (seat.used && seat.peer >= 0 && !seat.leaving && int32_t(now - seat.lastHeard) > int32_t(kSilenceMs))
            DropSeat(s, "left the game");
    }
    if (now - NetPlay.lastPing < kPingEveryMs) return;
    NetPlay.lastPing = now;
    // The input delay covers the slowest round trip, the messages' batching and some margin.
    uint32_t worst = 0;
    for (const NetSeat& s : NetPlay.seats)
        if (s.used && s.peer >= 0 && !s.leaving) worst = std::max<uint32_t>(worst, s.ping);
    const int delay = int((worst + uint32_t(kTicksPerMessage + kControlsPerMessage) * 6 + 17) / 6) + 1;
    NetPlay.inputDelay = std::clamp(delay, 2, 120);
    NetPing ping;
    ping.stamp = now;
    ping.inputDelay = uint8_t(NetPlay.inputDelay);
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) ping.pings[s] = NetPlay.seats[s].ping;
    SendToWelcomed(EncodePing(ping));
}

void SendBatch() {
    if (NetPlay.batch.empty()) return;
    SendToStreaming(EncodeTicks(NetPlay.batch.data(), int(NetPlay.batch.size())));
    NetPlay.batch.clear();
    PlatformNetFlush();
}

// The host orders the next tick: its events, and each player's controls for it (the last ones he
// sent when those for this tick are not here in time).
void BuildTick() {
    NetTick& t = NetPlay.current;
    t = NetTick{};
    t.tick = NetPlay.next;
    // Levels end on their own: the next one after a few seconds on the level-complete screen, and after
    // the victory the game ends (the dedicated host starts its campaign again).
    if (Program.GameState == GS_LEVEL_DONE || Program.GameState == GS_WON) {
        if (++NetPlay.levelDone == kLevelDoneTicks && !NetPlay.levelNext && !NetPlay.endNext) {
            if (Program.GameState == GS_WON && NetPlay.role == NET_ROLE_DEDICATED) {
                NetPlay.levelNext = true;
                CopyBounded(NetPlay.levelFile, NetPlay.firstLevel);
            } else if (Program.GameState == GS_WON) {
                NetPlay.endNext = true;
                CopyBounded(NetPlay.endReason, "The campaign is won: the game is over");
            } else if (Players.fragTable) {
                NetPlay.levelNext = true;
                CopyBounded(NetPlay.levelFile, World.LevelFile);
            } else {
                NetPlay.levelNext = true;
                CopyBounded(NetPlay.levelFile, World.NextLevelFile);
            }
        }
    }
    bool events = false;
    if (NetPlay.endNext) {
        t.hasEnd = true;
        CopyBounded(t.endReason, NetPlay.endReason);
        events = true;
    }
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        NetSeat& seat = NetPlay.seats[s];
        if (seat.leaving) {
            t.left |= uint8_t(1u << s);
            events = true;
        }
    }
    if (!t.hasEnd && NetPlay.levelNext) {
        NetPlay.levelNext = false;
        t.hasLevel = true;
        for (int s = 0; s < NET_MAX_PLAYERS; ++s)
            if (NetPlay.seats[s].leaving) NetPlay.seats[s] = NetSeat{};
        t.left = 0;
        t.level = MakeLevel(NetPlay.levelFile);
        events = true;
    }
    if (!t.hasEnd && !t.hasLevel && NetPlay.mode == NET_DEATHMATCH) {
        for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
            const NetSeat& seat = NetPlay.seats[s];
            if (seat.used && seat.welcomed && !seat.inGame && !seat.leaving && (seat.streaming || seat.peer < 0)) {
                t.joined |= uint8_t(1u << s);
                CopyBounded(t.joinName[s], seat.name);
                events = true;
            }
        }
    }
    // Who plays this tick.
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        NetSeat& seat = NetPlay.seats[s];
        bool in = seat.used && (seat.inGame || (t.joined >> s & 1));
        if (t.hasLevel) in = t.level.players >> s & 1;
        if (t.left >> s & 1) in = false;
        if (!in) continue;
        t.active |= uint8_t(1u << s);
        // His controls for this tick, or the last ones he sent when those are not here in time.
        const int k = int(t.tick % kControlWindow);
        if (seat.pendingSet[k] && seat.pendingTick[k] == t.tick) {
            memcpy(seat.last, seat.pending[k], 16);
            seat.pendingSet[k] = false;
        }
        memcpy(t.controls[s], seat.last, 16);
    }
    // Ticks with events go out at once, after what was ordered before them.
    if (events) SendBatch();
    if (t.hasLevel) {
        NetPlay.journal.clear();
        for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
            NetSeat& seat = NetPlay.seats[s];
            seat.streaming = seat.used && seat.peer >= 0 && (t.level.players >> s & 1);
            // Loading the level keeps every machine busy a while: that silence is no leaving.
            if (seat.used) seat.lastHeard = RealMs() + kLoadingMs;
        }
    }
    NetPlay.haveCurrent = true;
}

// ---- the player's side ----------------------------------------------------------------------------------------

void PlayerReceive(const uint8_t* data, size_t size) {
    NetPlay.lastHeard = RealMs();
    if (size == 0) return;
    switch (data[0]) {
    case MSG_WELCOME: {
        NetWelcome w;
        if (!DecodeWelcome(data, size, w) || NetPlay.joined) break;
        NetPlay.joined = true;
        NetPlay.me = w.you;
        NetPlay.mode = w.mode;
        for (int s = 0; s < NET_MAX_PLAYERS; ++s)
            if (w.present >> s & 1) {
                NetPlay.seats[s].used = true;
                CopyBounded(NetPlay.seats[s].name, w.names[s]);
            }
        char line[96];
        snprintf(line, sizeof line, "Joined the %s game as player %d",
                 w.mode == NET_DEATHMATCH ? "deathmatch" : "co-op", int(w.you) + 1);
        Say(line);
        RecordIdentity();
        return;
    }
    case MSG_TICKS: {
        if (!NetPlay.joined) break;
        NetTick ticks[NET_MAX_BATCH];
        int count = 0;
        if (!DecodeTicks(data, size, ticks, &count)) break;
        // The records run on without a gap; the first one this player sees starts a level.
        if (NetPlay.expect == 0 && NetPlay.waiting.empty() && !NetPlay.running) {
            if (!ticks[0].hasLevel) break;
        } else if (ticks[0].tick != NetPlay.expect) {
            break;
        }
        if (NetPlay.waiting.size() + size_t(count) > size_t(kMaxWaiting)) break;
        for (int i = 0; i < count; ++i) NetPlay.waiting.push_back(EncodeTick(ticks[i]));
        NetPlay.expect = ticks[count - 1].tick + 1;
        if (!NetPlay.running) {
            const uint8_t running = 'R';
            DemoRecordNet(&running, 1);
        }
        NetPlay.running = true;
        return;
    }
    case MSG_PING: {
        NetPing ping;
        if (!DecodePing(data, size, ping)) break;
        NetPlay.inputDelay = std::clamp(int(ping.inputDelay), 1, 120);
        for (int s = 0; s < NET_MAX_PLAYERS; ++s) NetPlay.seats[s].ping = ping.pings[s];
        Send(NetPlay.hostPeer, EncodePong(ping.stamp));
        return;
    }
    case MSG_REFUSE:
    case MSG_SAY:
    case MSG_END: {
        // A line to show: a refusal closes the connection, the end of the game leaves it.
        char text[NET_TEXT_BYTES];
        if (!DecodeText(data, size, data[0], text, sizeof text)) break;
        Say(text);
        if (data[0] != MSG_SAY) Close(data[0] == MSG_END, true);
        return;
    }
    default: break;
    }
    Say("The host sent data that cannot be read: left the game");
    Close(true, true);
}

void PlayerEvent(const PlatformNetEvent& ev) {
    if (ev.type == NETEV_CONNECT) {
        NetHello hello;
        CopyBounded(hello.name, Settings.NAME);
        hello.files = DataManifest();
        Send(ev.peer, EncodeHello(hello));
        PlatformNetFlush();
        return;
    }
    if (ev.type == NETEV_DISCONNECT) {
        if (!NetPlay.joined) {
            char line[128];
            snprintf(line, sizeof line, "Cannot reach the host at %s", NetPlay.address);
            Say(line);
            Close(false, true);
        } else {
            Say("The host left the game");
            Close(true, true);
        }
        return;
    }
    if (ev.type == NETEV_RECEIVE) PlayerReceive(ev.data, ev.size);
}

void ServiceTransport(uint32_t timeoutMs) {
    if (NetPlay.replay || !PlatformNetOpen()) return;
    PlatformNetEvent ev;
    bool first = true;
    // Everything waiting is taken now; only the first wait may block.
    while (NetPlay.role != NET_ROLE_NONE && PlatformNetService(&ev, first ? timeoutMs : 0)) {
        first = false;
        if (IsHost())
            HostEvent(ev);
        else
            PlayerEvent(ev);
    }
    if (IsHost()) HostPing();
    if (NetPlay.role == NET_ROLE_PLAYER && NetPlay.joined && NetPlay.lastHeard != 0 &&
        int32_t(RealMs() - NetPlay.lastHeard) > int32_t(kSilenceMs)) {
        Say("The host left the game");
        Close(true, true);
    }
    if (PlatformNetOpen()) PlatformNetFlush();
}

// A recording's pieces, in their order: who this machine was ('I'), the host's records it ran ('T'), the
// first record's arrival ('R'), and the game's end from the network ('C'). Stops after a record, which
// its tick runs; what follows it comes after that tick.
void TakeRecorded() {
    std::vector<uint8_t> bytes;
    while (DemoPlaybackNetTake(bytes)) {
        if (bytes.size() == 3 && bytes[0] == 'I') {
            NetPlay.role = bytes[1] <= NET_ROLE_DEDICATED ? int(bytes[1]) : int(NET_ROLE_NONE);
            NetPlay.me = bytes[2] < NET_MAX_PLAYERS ? bytes[2] : -1;
            NetPlay.joined = true;
        } else if (bytes.size() == 1 && bytes[0] == 'R') {
            NetPlay.running = true;
        } else if (bytes.size() == 2 && bytes[0] == 'C') {
            Close(bytes[1] != 0, false);
        } else {
            NetTick t;
            if (bytes.size() > 1 && bytes[0] == 'T' && DecodeTick(bytes.data() + 1, bytes.size() - 1, t)) {
                NetPlay.waiting.push_back(EncodeTick(t));
                NetPlay.running = true;
                return;
            }
        }
    }
}

void DedicatedLine() {
    // Frags to standard output as they change.
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        if (!Players.slots[s].present || Players.slots[s].frags == NetPlay.lastFrags[s]) continue;
        NetPlay.lastFrags[s] = Players.slots[s].frags;
        printf("frags %s %d\n", Players.slots[s].name, int(Players.slots[s].frags));
        fflush(stdout);
    }
}

// The test-only simulation of loss and latency, from NETSIM.
void ApplyNetSim() {
    int loss = 0, delay = 0, jitter = 0;
    if (Settings.NETSIM[0] && sscanf(Settings.NETSIM, "%d,%d,%d", &loss, &delay, &jitter) != 3) {
        Say("NETSIM is LOSS,DELAY,JITTER (percent, ms, ms): ignored");
        loss = delay = jitter = 0;
    }
    PlatformNetSimulate(loss, delay, jitter);
}

}  // namespace

// ---- the commands ---------------------------------------------------------------------------------------------

bool NetPlayHost(uint16_t port, bool dedicated) {
    if (NetPlay.role != NET_ROLE_NONE) {
        Say("Already in a network game: LEAVE first");
        return false;
    }
    if (DemoPlaying()) return true;  // a recording gives who this machine was
    ApplyNetSim();
    char why[160];
    if (!PlatformNetListen(port, kHostPeers, why, sizeof why)) {
        char line[200];
        snprintf(line, sizeof line, "Cannot host: %s", why);
        Say(line);
        return false;
    }
    NetPlay.role = dedicated ? NET_ROLE_DEDICATED : NET_ROLE_HOST;
    NetPlay.mode = Settings.DEATHMATCH ? NET_DEATHMATCH : NET_COOP;
    if (!dedicated) {
        NetPlay.me = 0;
        NetSeat& seat = NetPlay.seats[0];
        seat.used = seat.welcomed = true;
        CopyBounded(seat.name, Settings.NAME[0] ? Settings.NAME : "Player1");
    }
    char line[96];
    snprintf(line, sizeof line, "Hosting a %s game on port %u", NetPlay.mode == NET_DEATHMATCH ? "deathmatch" : "co-op",
             unsigned(port));
    Event(line);
    RecordIdentity();
    return true;
}

bool NetPlayJoin(const char* address, uint16_t port) {
    if (NetPlay.role != NET_ROLE_NONE) {
        Say("Already in a network game: LEAVE first");
        return false;
    }
    if (DemoPlaying()) return true;
    ApplyNetSim();
    char why[160];
    const int peer = PlatformNetConnect(address, port, why, sizeof why);
    char line[200];
    if (peer < 0) {
        snprintf(line, sizeof line, "Cannot join: %s", why);
        Say(line);
        return false;
    }
    NetPlay.role = NET_ROLE_PLAYER;
    NetPlay.hostPeer = peer;
    snprintf(NetPlay.address, sizeof NetPlay.address, "%.60s %u", address, unsigned(port));
    snprintf(line, sizeof line, "Joining %s...", NetPlay.address);
    Say(line);
    return true;
}

bool NetPlayLeave() {
    if (NetPlay.role == NET_ROLE_NONE) return false;
    if (IsHost()) {
        SendToWelcomed(EncodeText(MSG_END, "The host ended the game"));
        PlatformNetFlush();
        Say("You ended the network game");
    } else {
        Say("You left the game");
    }
    Close(true, false);
    return true;
}

bool NetPlayListPlayers() {
    if (NetPlay.role == NET_ROLE_NONE) return false;
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        const NetSeat& seat = NetPlay.seats[s];
        if (!seat.used) continue;
        char line[96];
        snprintf(line, sizeof line, "%d %s  ping %d ms  frags %d%s", s + 1, seat.name, int(seat.ping),
                 int(Players.network ? Players.slots[s].frags : 0), s == NetPlay.me ? "  (you)" : "");
        Say(line);
    }
    return true;
}

bool NetPlaySay(const char* text) {
    if (NetPlay.role == NET_ROLE_NONE) return false;
    if (IsHost()) {
        char line[NET_TEXT_BYTES + NET_NAME_BYTES + 4];
        snprintf(line, sizeof line, "%s: %s", NetPlay.me >= 0 ? NetPlay.seats[NetPlay.me].name : "Host", text);
        Say(line);
        SendToWelcomed(EncodeText(MSG_SAY, line));
    } else if (NetPlay.joined) {
        Send(NetPlay.hostPeer, EncodeText(MSG_SAY, text));
    }
    return true;
}

int NetPlayStartLevel(const char* file) {
    if (NetPlay.role == NET_ROLE_NONE) return NETLEVEL_ALONE;
    if (!IsHost()) {
        Say("Only the host starts a level");
        return NETLEVEL_REFUSED;
    }
    CopyBounded(NetPlay.levelFile, file);
    NetPlay.levelNext = true;
    if (!NetPlay.running) {
        NetPlay.running = true;
        NetPlay.haveCurrent = false;
    }
    return NETLEVEL_ORDERED;
}

// ---- the main loop's hooks ---------------------------------------------------------------------------------------

bool NetPlayActive() { return NetPlay.role != NET_ROLE_NONE || (NetPlay.replay && NetPlay.running); }

bool NetPlayRunning() { return NetPlay.running; }

uint32_t NetPlayClockMs() { return NetPlay.current.tick * 6u; }

ControlFlags* NetPlayLocalControls() { return NetPlay.running && NetPlay.me >= 0 ? &NetPlay.local : nullptr; }

void NetPlayService(uint32_t timeoutMs) { ServiceTransport(timeoutMs); }

namespace {

// The dedicated host starts its campaign once enough players are in, and goes back to waiting when
// everyone has left.
void DedicatedStep() {
    if (NetPlay.role != NET_ROLE_DEDICATED) return;
    int in = 0;
    for (const NetSeat& s : NetPlay.seats) in += s.used && s.welcomed ? 1 : 0;
    if (!NetPlay.running && in >= NetPlay.wantPlayers) NetPlayStartLevel(NetPlay.firstLevel);
    if (NetPlay.running && in == 0 && !NetPlay.levelNext) {
        BackToWaiting();
        DedicatedWaitLine();
    }
}

// The next record waiting becomes the tick to run.
bool NextWaiting() {
    if (NetPlay.waiting.empty()) return false;
    const std::vector<uint8_t> bytes = std::move(NetPlay.waiting.front());
    NetPlay.waiting.pop_front();
    NetPlay.haveCurrent = DecodeTick(bytes.data(), bytes.size(), NetPlay.current);
    return NetPlay.haveCurrent;
}

}  // namespace

bool NetPlayTickDue(uint32_t now, bool timerDue) {
    if (DemoPlaying()) {
        NetPlay.replay = true;
        if (NetPlay.waiting.empty()) TakeRecorded();
        if (!NetPlay.running) return timerDue;
        // A replayed network tick runs in the pass the recording ran it in.
        return NextWaiting();
    }
    if (NetPlay.role == NET_ROLE_NONE) return timerDue;
    ServiceTransport(0);
    DedicatedStep();
    if (!NetPlay.running) return timerDue;
    if (IsHost()) {
        if (!timerDue) return false;
        BuildTick();
        return true;
    }
    if (NetPlay.waiting.empty()) {
        // Wait a little for the host's records rather than spin.
        if (timerDue) ServiceTransport(1);
        if (NetPlay.waiting.empty()) return false;
    }
    if (!timerDue && NetPlay.waiting.size() < size_t(kCatchUp)) return false;
    (void)now;
    return NextWaiting();
}

bool NetPlayBeginTick() {
    if (!NetPlay.haveCurrent) return false;
    const NetTick& t = NetPlay.current;
    if (DemoRecording()) {
        NetTick plain = t;
        plain.hasDigest = false;
        std::vector<uint8_t> bytes = EncodeTick(plain);
        bytes.insert(bytes.begin(), uint8_t('T'));
        DemoRecordNet(bytes.data(), bytes.size());
    }
    if (t.hasEnd) {
        Event(t.endReason);
        if (NetPlay.role == NET_ROLE_DEDICATED) {
            SendToWelcomed(EncodeText(MSG_END, t.endReason));
            PlatformNetFlush();
            BackToWaiting();
            DedicatedWaitLine();
        } else {
            if (IsHost()) {
                SendToWelcomed(EncodeText(MSG_END, t.endReason));
                PlatformNetFlush();
            }
            Close(true, false);
        }
        return false;
    }
    if (t.hasLevel) {
        char line[96];
        snprintf(line, sizeof line, "level %s", t.level.file);
        if (NetPlay.role == NET_ROLE_DEDICATED) {
            printf("%s\n", line);
            fflush(stdout);
        }
        // This machine's own loading is no silence of the host's.
        if (!IsHost()) NetPlay.lastHeard = RealMs() + kLoadingMs;
        for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
            NetSeat& seat = NetPlay.seats[s];
            seat.inGame = t.level.players >> s & 1;
            if (seat.inGame && !IsHost()) {
                seat.used = true;
                CopyBounded(seat.name, t.level.carry[s].name);
            }
        }
        if (!StartLevel(t.level)) {
            Event("The level cannot be loaded: the network game is over");
            if (IsHost()) SendToWelcomed(EncodeText(MSG_END, "The level cannot be loaded"));
            if (NetPlay.role == NET_ROLE_DEDICATED) {
                BackToWaiting();
                DedicatedWaitLine();
            } else {
                Close(true, false);
            }
            return false;
        }
    }
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        if (t.left >> s & 1) {
            char line[64];
            snprintf(line, sizeof line, "%s left the game", Players.slots[s].name);
            Event(line);
            ClearObjectRecord(World.ObjectTable[PlayerRecordOf(s)]);
            Players.slots[s] = PlayerSlot{};
            NetPlay.seats[s] = NetSeat{};
        }
        if (t.joined >> s & 1) {
            PlayerSlot& slot = Players.slots[s];
            slot = PlayerSlot{};
            slot.present = true;
            CopyBounded(slot.name, t.joinName[s]);
            ObjectRecord& p = World.ObjectTable[PlayerRecordOf(s)];
            ClearObjectRecord(p);
            PlacePlayer(s, FarthestStart(s));
            p.health = 100;
            NetPlay.seats[s].inGame = true;
            NetPlay.seats[s].used = true;
            CopyBounded(NetPlay.seats[s].name, t.joinName[s]);
            char line[64];
            snprintf(line, sizeof line, "%s enters the game", slot.name);
            Say(line);
        }
    }
    for (int s = 0; s < NET_MAX_PLAYERS; ++s)
        if ((t.active >> s & 1) && Players.slots[s].present)
            memcpy(&World.ObjectTable[PlayerRecordOf(s)].controls, t.controls[s], 16);
    return true;
}

void NetPlayEndTick() {
    if (!NetPlay.haveCurrent) return;
    NetTick& t = NetPlay.current;
    NetPlay.haveCurrent = false;
    NetPlay.next = t.tick + 1;
    ++NetPlay.ticksRun;
    if (NetPlay.role == NET_ROLE_DEDICATED) DedicatedLine();
    // In a replay, what the recorded game met after this tick follows now.
    if (NetPlay.replay && DemoPlaying()) TakeRecorded();
    if (t.tick % DEMO_MARK_TICKS == 0) {
        const uint64_t digest = NetWorldDigest(t.tick);
        AddMark(t.tick, digest);
        if (IsHost()) {
            const uint32_t k = t.tick % kDigestRing;
            NetPlay.digestTick[k] = t.tick;
            NetPlay.digestValue[k] = digest;
            NetPlay.digestSet[k] = true;
            t.hasDigest = true;
            t.digest = digest;
        } else {
            Send(NetPlay.hostPeer, EncodeDigest(t.tick, digest));
            // (a recording keeps no host digests: a replay compares nothing here)
            if (t.hasDigest && t.digest != digest) {
                OutOfSync(t.tick);
                return;
            }
        }
    }
    if (NetPlay.replay) return;
    // The controls read in this tick, for the tick the input delay puts them at.
    uint8_t mine[16];
    memcpy(mine, &NetPlay.local, 16);
    const uint32_t target = t.tick + uint32_t(NetPlay.inputDelay);
    if (IsHost()) {
        if (NetPlay.me >= 0) {
            NetSeat& seat = NetPlay.seats[NetPlay.me];
            const int k = int(target % kControlWindow);
            memcpy(seat.pending[k], mine, 16);
            seat.pendingTick[k] = target;
            seat.pendingSet[k] = true;
        }
        const std::vector<uint8_t> bytes = EncodeTick(t);
        NetPlay.journal.push_back(uint8_t(bytes.size()));
        NetPlay.journal.push_back(uint8_t(bytes.size() >> 8));
        NetPlay.journal.insert(NetPlay.journal.end(), bytes.begin(), bytes.end());
        NetPlay.batch.push_back(t);
        if (NetPlay.batch.size() >= size_t(kTicksPerMessage) || t.hasLevel || t.joined || t.left) SendBatch();
    } else {
        // A longer delay leaves ticks between: the controls cover them too.
        if (NetPlay.outgoingCount > 0 && target != NetPlay.outgoingFirst + uint32_t(NetPlay.outgoingCount)) {
            Send(NetPlay.hostPeer, EncodeControls(NetPlay.outgoingFirst, NetPlay.outgoing, NetPlay.outgoingCount));
            NetPlay.outgoingCount = 0;
        }
        if (NetPlay.outgoingCount == 0) NetPlay.outgoingFirst = target;
        memcpy(NetPlay.outgoing[NetPlay.outgoingCount++], mine, 16);
        if (NetPlay.outgoingCount >= kControlsPerMessage) {
            Send(NetPlay.hostPeer, EncodeControls(NetPlay.outgoingFirst, NetPlay.outgoing, NetPlay.outgoingCount));
            NetPlay.outgoingCount = 0;
            PlatformNetFlush();
        }
    }
}

void NetPlayShutdown() {
    if (NetPlay.role == NET_ROLE_NONE || NetPlay.replay) return;
    if (IsHost()) SendToWelcomed(EncodeText(MSG_END, "The host ended the game"));
    PlatformNetFlush();
    PlatformNetClose();
    RestoreOwnSettings();
    NetPlay = NetPlayRecord{};
}

void ResetNetPlay() {
    if (PlatformNetOpen()) PlatformNetClose();
    NetPlay = NetPlayRecord{};
    ResetPlayers();
}

void NetPlayDedicated(int players, const char* level) {
    NetPlay.wantPlayers = std::clamp(players, 1, NET_MAX_PLAYERS);
    CopyBounded(NetPlay.firstLevel, level);
    DedicatedWaitLine();
}

uint32_t NetPlayTicksRun() { return NetPlay.ticksRun; }

bool NetPlayFollowsHost() { return NetPlay.running || NetPlay.role == NET_ROLE_PLAYER; }

bool NetPlayPacesGame() { return NetPlay.running && IsHost() && !NetPlay.replay; }

NetPlayView NetPlayDescribe() {
    NetPlayView v;
    v.role = NetPlay.role;
    v.mode = Players.network ? Players.mode : -1;
    v.tick = NetPlay.next > 0 ? NetPlay.next - 1 : 0;
    v.ticksRun = NetPlay.ticksRun;
    for (int s = 0; s < NET_MAX_PLAYERS; ++s) {
        const NetSeat& seat = NetPlay.seats[s];
        if (!seat.used) continue;
        NetPlayView::Player& p = v.players[v.playerCount++];
        p.id = s + 1;
        p.name = seat.name;
        p.record = Players.network && Players.slots[s].present ? PlayerRecordOf(s) : -1;
        p.ping = seat.ping;
        p.frags = Players.network ? Players.slots[s].frags : 0;
    }
    for (int i = 0; i < NetPlay.markCount; ++i)
        v.markTick[i] = NetPlay.markTick[i], v.markDigest[i] = NetPlay.markDigest[i];
    v.markCount = NetPlay.markCount;
    v.inputDelay = NetPlay.inputDelay;
    PlatformNetTraffic(&v.bytesSent, &v.bytesReceived);
    return v;
}

void NetPlayFeed(bool asHost, const uint8_t* data, size_t size) {
    if (asHost) {
        NetPlay.role = NET_ROLE_DEDICATED;
        NetPlay.replay = true;  // nothing goes out
        if (!NetPlay.seats[1].used) {
            NetPlay.seats[1].used = NetPlay.seats[1].welcomed = true;
            NetPlay.seats[1].peer = 1;
            CopyBounded(NetPlay.seats[1].name, "fuzz");
        }
        HostReceive(1, data, size);
    } else {
        NetPlay.role = NET_ROLE_PLAYER;
        NetPlay.replay = true;
        NetPlay.joined = true;
        PlayerReceive(data, size);
    }
}
