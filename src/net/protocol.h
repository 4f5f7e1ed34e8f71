// Network play's messages: how each is laid out in bytes, written and read. Every read is bounded by
// the message's own length; a message that does not read exactly as its kind says is refused whole.
//
// The game runs in lockstep: the host sends every player the tick records of the game (each player's
// 16 control bytes for that tick and what happens to the game at it: a level starts, a player enters or
// leaves, the game ends), several ticks in one message; the players send the host their controls for
// ticks a few ahead, and every 32 ticks their world digest.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int NET_PROTOCOL_VERSION = 1;
constexpr int NET_MAX_PLAYERS = 4;
constexpr int NET_NAME_BYTES = 16;   // a player's name, with its end
constexpr int NET_TEXT_BYTES = 96;   // chat, reasons
constexpr int NET_FILE_BYTES = 64;   // a level file's name
constexpr int NET_MAX_RULES = 24;    // rule settings a level carries
constexpr int NET_MAX_BATCH = 64;    // ticks in one message
constexpr int NET_MAX_FILES = 1024;  // files named in a join's data list
constexpr uint16_t NET_DEFAULT_PORT = 27960;
// The largest message a player sends: a join with its data list, anything else far less.
constexpr size_t NET_MAX_HELLO = 40 * 1024;
constexpr size_t NET_MAX_PLAYER_MESSAGE = 4096;

enum NetMessageKind : uint8_t {
    MSG_HELLO = 1,     // player -> host: version, name, the data files' digests
    MSG_WELCOME = 2,   // host -> player: your number, the players
    MSG_REFUSE = 3,    // host -> player: why not (then the host disconnects)
    MSG_TICKS = 4,     // host -> player: tick records
    MSG_CONTROLS = 5,  // player -> host: controls for ticks ahead
    MSG_DIGEST = 6,    // player -> host: the world digest at a tick
    MSG_PING = 7,      // host -> player: a stamp to echo, the input delay, every player's round trip
    MSG_PONG = 8,      // player -> host: the stamp echoed
    MSG_SAY = 9,       // either way: a chat line (the host passes a player's on to everyone)
    MSG_END = 10,      // host -> player: the game is over, and why
};

enum NetMode : uint8_t { NET_COOP = 0, NET_DEATHMATCH = 1 };

// What a player brings into a level: kept from the level before, or fresh.
struct NetCarry {
    char name[NET_NAME_BYTES] = "";
    int32_t health = 100;
    uint8_t owned = 0;  // bit w: weapon w
    int32_t ammo[5] = {0, 0, 0, 0, 0};
    int32_t weapon = 0;
    float score = 0;
    int32_t frags = 0, deaths = 0;
};

// A level starting for every player in `players` (bit i: player i), with the random seed, the game's
// mode and limits, the rules, and each player's state.
struct NetLevel {
    char file[NET_FILE_BYTES] = "";
    uint32_t seed = 0;
    uint8_t mode = NET_COOP;
    uint8_t players = 0;
    int32_t fragLimit = 0, timeLimit = 0;
    uint8_t ruleCount = 0;
    int32_t rules[NET_MAX_RULES] = {};
    NetCarry carry[NET_MAX_PLAYERS];
};

// One tick of the game as the host ordered it.
struct NetTick {
    uint32_t tick = 0;
    uint8_t active = 0;  // bit i: player i has controls in this tick
    uint8_t controls[NET_MAX_PLAYERS][16] = {};
    uint8_t joined = 0;  // bit i: player i enters at this tick (deathmatch)
    uint8_t left = 0;    // bit i: player i leaves at this tick
    char joinName[NET_MAX_PLAYERS][NET_NAME_BYTES] = {};
    bool hasLevel = false;
    NetLevel level;
    bool hasEnd = false;
    char endReason[NET_TEXT_BYTES] = "";
    bool hasDigest = false;  // the host's world digest after this tick
    uint64_t digest = 0;
};

// A bounded writer into a growing byte buffer.
struct NetWriter {
    std::vector<uint8_t> bytes;
    void U8(uint8_t v);
    void U16(uint16_t v);
    void U32(uint32_t v);
    void U64(uint64_t v);
    void I32(int32_t v) { U32(uint32_t(v)); }
    void F32(float v);
    void Text(const char* s, size_t cap);  // length byte and the bytes (at most cap - 1)
};

// A reader that never reads past its end: once a read fails every later one fails too.
struct NetReader {
    const uint8_t* data;
    size_t size, pos = 0;
    bool ok = true;
    NetReader(const uint8_t* d, size_t n) : data(d), size(n) {}
    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    uint64_t U64();
    int32_t I32() { return int32_t(U32()); }
    float F32();
    // A text of at most cap - 1 bytes, ended; a longer one fails the reader. Bytes below 32 fail it too.
    void Text(char* out, size_t cap);
    bool AtEnd() const { return ok && pos == size; }
};

// A tick record: with `previous` (the record before it in the same message) its controls are written
// as changes, else whole.
void WriteTick(NetWriter& w, const NetTick& t, const NetTick* previous);
bool ReadTick(NetReader& r, NetTick& t, const NetTick* previous);
// A record alone (recordings): its tick number, then the record written whole.
std::vector<uint8_t> EncodeTick(const NetTick& t);
bool DecodeTick(const uint8_t* data, size_t size, NetTick& t);

// 16 control bytes as a mask of the non-zero ones and their values.
void WriteControls(NetWriter& w, const uint8_t c[16]);
bool ReadControls(NetReader& r, uint8_t c[16]);

// ---- messages -------------------------------------------------------------------------------------------
struct NetFileDigest {
    char name[NET_FILE_BYTES];
    uint64_t digest;
};
struct NetHello {
    uint16_t version = NET_PROTOCOL_VERSION;
    char name[NET_NAME_BYTES] = "";
    std::vector<NetFileDigest> files;
};
struct NetWelcome {
    uint8_t you = 0;
    uint8_t mode = NET_COOP;
    uint8_t present = 0;  // players in the game
    char names[NET_MAX_PLAYERS][NET_NAME_BYTES] = {};
};
struct NetPing {
    uint32_t stamp = 0;
    uint8_t inputDelay = 0;
    uint16_t pings[NET_MAX_PLAYERS] = {};
};

std::vector<uint8_t> EncodeHello(const NetHello& m);
std::vector<uint8_t> EncodeWelcome(const NetWelcome& m);
std::vector<uint8_t> EncodeText(uint8_t kind, const char* text);  // REFUSE, SAY, END
std::vector<uint8_t> EncodeTicks(const NetTick* ticks, int count);
std::vector<uint8_t> EncodeControls(uint32_t firstTick, const uint8_t (*controls)[16], int count);
std::vector<uint8_t> EncodeDigest(uint32_t tick, uint64_t digest);
std::vector<uint8_t> EncodePing(const NetPing& m);
std::vector<uint8_t> EncodePong(uint32_t stamp);

// Each reader checks the kind byte and reads the whole message; false when it is not exactly one.
bool DecodeHello(const uint8_t* d, size_t n, NetHello& m);
bool DecodeWelcome(const uint8_t* d, size_t n, NetWelcome& m);
bool DecodeText(const uint8_t* d, size_t n, uint8_t kind, char* text, size_t cap);
// Up to NET_MAX_BATCH consecutive ticks into `out`; their count in *count.
bool DecodeTicks(const uint8_t* d, size_t n, NetTick* out, int* count);
bool DecodeControls(const uint8_t* d, size_t n, uint32_t* firstTick, uint8_t (*controls)[16], int* count);
bool DecodeDigest(const uint8_t* d, size_t n, uint32_t* tick, uint64_t* digest);
bool DecodePing(const uint8_t* d, size_t n, NetPing& m);
bool DecodePong(const uint8_t* d, size_t n, uint32_t* stamp);
