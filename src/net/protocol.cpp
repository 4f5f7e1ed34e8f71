// Network play's messages, written and read within bounds (see protocol.h).
#include "net/protocol.h"

#include <cstring>

// Kept out of line: GCC 12 misreads the inlined growth of a small vector as an overflow.
__attribute__((noinline)) void NetWriter::U8(uint8_t v) { bytes.push_back(v); }
void NetWriter::U16(uint16_t v) {
    U8(uint8_t(v));
    U8(uint8_t(v >> 8));
}
void NetWriter::U32(uint32_t v) {
    U16(uint16_t(v));
    U16(uint16_t(v >> 16));
}
void NetWriter::U64(uint64_t v) {
    U32(uint32_t(v));
    U32(uint32_t(v >> 32));
}
void NetWriter::F32(float v) {
    uint32_t bits;
    memcpy(&bits, &v, 4);
    U32(bits);
}
void NetWriter::Text(const char* s, size_t cap) {
    size_t n = strnlen(s, cap > 0 ? cap - 1 : 0);
    U8(uint8_t(n));
    for (size_t i = 0; i < n; ++i) U8(uint8_t(s[i]));
}

uint8_t NetReader::U8() {
    if (!ok || pos >= size) {
        ok = false;
        return 0;
    }
    return data[pos++];
}
uint16_t NetReader::U16() {
    uint16_t lo = U8();
    return uint16_t(lo | uint16_t(U8()) << 8);
}
uint32_t NetReader::U32() {
    uint32_t lo = U16();
    return lo | uint32_t(U16()) << 16;
}
uint64_t NetReader::U64() {
    uint64_t lo = U32();
    return lo | uint64_t(U32()) << 32;
}
float NetReader::F32() {
    uint32_t bits = U32();
    float v;
    memcpy(&v, &bits, 4);
    return v;
}
void NetReader::Text(char* out, size_t cap) {
    out[0] = 0;
    size_t n = U8();
    if (!ok || n >= cap || n > size - pos) {
        ok = false;
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = data[pos + i];
        if (c < 32) {
            ok = false;
            return;
        }
        out[i] = char(c);
    }
    out[n] = 0;
    pos += n;
}

void WriteControls(NetWriter& w, const uint8_t c[16]) {
    uint16_t mask = 0;
    for (int i = 0; i < 16; ++i)
        if (c[i]) mask |= uint16_t(1u << i);
    w.U16(mask);
    for (int i = 0; i < 16; ++i)
        if (c[i]) w.U8(c[i]);
}

bool ReadControls(NetReader& r, uint8_t c[16]) {
    const uint16_t mask = r.U16();
    for (int i = 0; i < 16; ++i) {
        c[i] = (mask >> i) & 1 ? r.U8() : 0;
        // A byte marked as set is never 0: the same controls have one way to be written.
        if ((mask >> i) & 1 && c[i] == 0) r.ok = false;
    }
    return r.ok;
}

namespace {

enum : uint8_t { TICK_EVENTS = 1, TICK_DIGEST = 2, TICK_CHANGES = 4 };

void WriteLevel(NetWriter& w, const NetLevel& l) {
    w.Text(l.file, sizeof l.file);
    w.U32(l.seed);
    w.U8(l.mode);
    w.U8(l.players);
    w.I32(l.fragLimit);
    w.I32(l.timeLimit);
    w.U8(l.ruleCount);
    for (int i = 0; i < l.ruleCount && i < NET_MAX_RULES; ++i) w.I32(l.rules[i]);
    for (int p = 0; p < NET_MAX_PLAYERS; ++p) {
        if (!(l.players >> p & 1)) continue;
        const NetCarry& c = l.carry[p];
        w.Text(c.name, sizeof c.name);
        w.I32(c.health);
        w.U8(c.owned);
        for (int32_t a : c.ammo) w.I32(a);
        w.I32(c.weapon);
        w.F32(c.score);
        w.I32(c.frags);
        w.I32(c.deaths);
    }
}

bool ReadLevel(NetReader& r, NetLevel& l) {
    l = NetLevel{};
    r.Text(l.file, sizeof l.file);
    l.seed = r.U32();
    l.mode = r.U8();
    l.players = r.U8();
    l.fragLimit = r.I32();
    l.timeLimit = r.I32();
    l.ruleCount = r.U8();
    if (l.mode > NET_DEATHMATCH || l.players >> NET_MAX_PLAYERS || l.ruleCount > NET_MAX_RULES) r.ok = false;
    for (int i = 0; r.ok && i < l.ruleCount; ++i) l.rules[i] = r.I32();
    for (int p = 0; r.ok && p < NET_MAX_PLAYERS; ++p) {
        if (!(l.players >> p & 1)) continue;
        NetCarry& c = l.carry[p];
        r.Text(c.name, sizeof c.name);
        c.health = r.I32();
        c.owned = r.U8();
        for (int32_t& a : c.ammo) a = r.I32();
        c.weapon = r.I32();
        c.score = r.F32();
        c.frags = r.I32();
        c.deaths = r.I32();
    }
    return r.ok;
}

}  // namespace

void WriteTick(NetWriter& w, const NetTick& t, const NetTick* previous) {
    const bool events = t.joined || t.left || t.hasLevel || t.hasEnd;
    uint8_t flags =
        uint8_t((events ? TICK_EVENTS : 0) | (t.hasDigest ? TICK_DIGEST : 0) | (previous ? TICK_CHANGES : 0));
    w.U8(flags);
    w.U8(t.active);
    if (previous) {
        uint8_t changed = 0;
        for (int p = 0; p < NET_MAX_PLAYERS; ++p)
            if ((t.active >> p & 1) &&
                (!(previous->active >> p & 1) || memcmp(t.controls[p], previous->controls[p], 16)))
                changed |= uint8_t(1u << p);
        w.U8(changed);
        for (int p = 0; p < NET_MAX_PLAYERS; ++p)
            if (changed >> p & 1) WriteControls(w, t.controls[p]);
    } else {
        for (int p = 0; p < NET_MAX_PLAYERS; ++p)
            if (t.active >> p & 1) WriteControls(w, t.controls[p]);
    }
    if (events) {
        w.U8(t.joined);
        w.U8(t.left);
        for (int p = 0; p < NET_MAX_PLAYERS; ++p)
            if (t.joined >> p & 1) w.Text(t.joinName[p], NET_NAME_BYTES);
        w.U8(t.hasLevel ? 1 : 0);
        if (t.hasLevel) WriteLevel(w, t.level);
        w.U8(t.hasEnd ? 1 : 0);
        if (t.hasEnd) w.Text(t.endReason, sizeof t.endReason);
    }
    if (t.hasDigest) w.U64(t.digest);
}

bool ReadTick(NetReader& r, NetTick& t, const NetTick* previous) {
    const uint32_t tick = t.tick;
    t = NetTick{};
    t.tick = tick;
    const uint8_t flags = r.U8();
    t.active = r.U8();
    if (flags & ~(TICK_EVENTS | TICK_DIGEST | TICK_CHANGES) || t.active >> NET_MAX_PLAYERS) return r.ok = false;
    if (bool(flags & TICK_CHANGES) != (previous != nullptr)) return r.ok = false;
    if (previous) {
        const uint8_t changed = r.U8();
        if (changed & ~t.active) return r.ok = false;
        for (int p = 0; p < NET_MAX_PLAYERS; ++p) {
            if (changed >> p & 1)
                ReadControls(r, t.controls[p]);
            else if (t.active >> p & 1) {
                if (!(previous->active >> p & 1)) return r.ok = false;
                memcpy(t.controls[p], previous->controls[p], 16);
            }
        }
    } else {
        for (int p = 0; p < NET_MAX_PLAYERS; ++p)
            if (t.active >> p & 1) ReadControls(r, t.controls[p]);
    }
    if (flags & TICK_EVENTS) {
        t.joined = r.U8();
        t.left = r.U8();
        if ((t.joined | t.left) >> NET_MAX_PLAYERS) return r.ok = false;
        for (int p = 0; p < NET_MAX_PLAYERS; ++p)
            if (t.joined >> p & 1) r.Text(t.joinName[p], NET_NAME_BYTES);
        const uint8_t level = r.U8();
        if (level > 1) return r.ok = false;
        if (level) t.hasLevel = ReadLevel(r, t.level);
        const uint8_t end = r.U8();
        if (end > 1) return r.ok = false;
        if (end) {
            t.hasEnd = true;
            r.Text(t.endReason, sizeof t.endReason);
        }
    }
    if (flags & TICK_DIGEST) {
        t.hasDigest = true;
        t.digest = r.U64();
    }
    return r.ok;
}

std::vector<uint8_t> EncodeTick(const NetTick& t) {
    NetWriter w;
    w.U32(t.tick);
    WriteTick(w, t, nullptr);
    return std::move(w.bytes);
}

bool DecodeTick(const uint8_t* data, size_t size, NetTick& t) {
    NetReader r(data, size);
    t.tick = r.U32();
    return ReadTick(r, t, nullptr) && r.AtEnd();
}

// ---- messages -------------------------------------------------------------------------------------------

// A message of `kind`, its kind written first.
NetWriter Begin(uint8_t kind) {
    NetWriter w;
    w.U8(kind);
    return w;
}

// Reads a message's kind: true when it is `kind`, with `m` emptied for what follows.
template <typename T>
bool Opens(NetReader& r, uint8_t kind, T& m) {
    if (r.U8() != kind) return false;
    m = T{};
    return true;
}

std::vector<uint8_t> EncodeHello(const NetHello& m) {
    NetWriter w = Begin(MSG_HELLO);
    w.U16(m.version);
    w.Text(m.name, sizeof m.name);
    const size_t n = m.files.size() < size_t(NET_MAX_FILES) ? m.files.size() : size_t(NET_MAX_FILES);
    w.U16(uint16_t(n));
    for (size_t i = 0; i < n; ++i) {
        w.Text(m.files[i].name, NET_FILE_BYTES);
        w.U64(m.files[i].digest);
    }
    return std::move(w.bytes);
}

bool DecodeHello(const uint8_t* d, size_t n, NetHello& m) {
    NetReader r(d, n);
    if (!Opens(r, MSG_HELLO, m)) return false;
    m.version = r.U16();
    // A player of another version may lay out the rest otherwise: the version alone is enough to refuse.
    if (r.ok && m.version != NET_PROTOCOL_VERSION) return true;
    r.Text(m.name, sizeof m.name);
    const uint16_t count = r.U16();
    if (count > NET_MAX_FILES) return false;
    for (uint16_t i = 0; r.ok && i < count; ++i) {
        NetFileDigest f{};
        r.Text(f.name, sizeof f.name);
        f.digest = r.U64();
        m.files.push_back(f);
    }
    return r.AtEnd();
}

std::vector<uint8_t> EncodeWelcome(const NetWelcome& m) {
    NetWriter w = Begin(MSG_WELCOME);
    w.U8(m.you);
    w.U8(m.mode);
    w.U8(m.present);
    for (int p = 0; p < NET_MAX_PLAYERS; ++p)
        if (m.present >> p & 1) w.Text(m.names[p], NET_NAME_BYTES);
    return std::move(w.bytes);
}

bool DecodeWelcome(const uint8_t* d, size_t n, NetWelcome& m) {
    NetReader r(d, n);
    if (!Opens(r, MSG_WELCOME, m)) return false;
    m.you = r.U8();
    m.mode = r.U8();
    m.present = r.U8();
    if (m.you >= NET_MAX_PLAYERS || m.mode > NET_DEATHMATCH || m.present >> NET_MAX_PLAYERS) return false;
    for (int p = 0; p < NET_MAX_PLAYERS; ++p)
        if (m.present >> p & 1) r.Text(m.names[p], NET_NAME_BYTES);
    return r.AtEnd();
}

std::vector<uint8_t> EncodeText(uint8_t kind, const char* text) {
    NetWriter w;
    w.U8(kind);
    w.Text(text, NET_TEXT_BYTES);
    return std::move(w.bytes);
}

bool DecodeText(const uint8_t* d, size_t n, uint8_t kind, char* text, size_t cap) {
    NetReader r(d, n);
    if (r.U8() != kind) return false;
    r.Text(text, cap);
    return r.AtEnd();
}

std::vector<uint8_t> EncodeTicks(const NetTick* ticks, int count) {
    NetWriter w = Begin(MSG_TICKS);
    w.U32(count > 0 ? ticks[0].tick : 0);
    w.U8(uint8_t(count));
    for (int i = 0; i < count; ++i) WriteTick(w, ticks[i], i > 0 ? &ticks[i - 1] : nullptr);
    return std::move(w.bytes);
}

bool DecodeTicks(const uint8_t* d, size_t n, NetTick* out, int* count) {
    NetReader r(d, n);
    *count = 0;
    if (r.U8() != MSG_TICKS) return false;
    const uint32_t first = r.U32();
    const int c = r.U8();
    if (!r.ok || c < 1 || c > NET_MAX_BATCH) return false;
    for (int i = 0; i < c; ++i) {
        out[i].tick = first + uint32_t(i);
        if (!ReadTick(r, out[i], i > 0 ? &out[i - 1] : nullptr)) return false;
    }
    *count = c;
    return r.AtEnd();
}

std::vector<uint8_t> EncodeControls(uint32_t firstTick, const uint8_t (*controls)[16], int count) {
    NetWriter w = Begin(MSG_CONTROLS);
    w.U32(firstTick);
    w.U8(uint8_t(count));
    for (int i = 0; i < count; ++i) {
        if (i > 0 && memcmp(controls[i], controls[i - 1], 16) == 0) {
            w.U8(0);
            continue;
        }
        if (i > 0) w.U8(1);
        WriteControls(w, controls[i]);
    }
    return std::move(w.bytes);
}

bool DecodeControls(const uint8_t* d, size_t n, uint32_t* firstTick, uint8_t (*controls)[16], int* count) {
    NetReader r(d, n);
    *count = 0;
    if (r.U8() != MSG_CONTROLS) return false;
    *firstTick = r.U32();
    const int c = r.U8();
    if (!r.ok || c < 1 || c > NET_MAX_BATCH) return false;
    for (int i = 0; i < c; ++i) {
        if (i > 0) {
            const uint8_t changed = r.U8();
            if (changed > 1) return false;
            if (!changed) {
                memcpy(controls[i], controls[i - 1], 16);
                continue;
            }
        }
        if (!ReadControls(r, controls[i])) return false;
    }
    *count = c;
    return r.AtEnd();
}

std::vector<uint8_t> EncodeDigest(uint32_t tick, uint64_t digest) {
    NetWriter w = Begin(MSG_DIGEST);
    w.U32(tick);
    w.U64(digest);
    return std::move(w.bytes);
}

bool DecodeDigest(const uint8_t* d, size_t n, uint32_t* tick, uint64_t* digest) {
    NetReader r(d, n);
    if (r.U8() != MSG_DIGEST) return false;
    *tick = r.U32();
    *digest = r.U64();
    return r.AtEnd();
}

std::vector<uint8_t> EncodePing(const NetPing& m) {
    NetWriter w = Begin(MSG_PING);
    w.U32(m.stamp);
    w.U8(m.inputDelay);
    for (uint16_t p : m.pings) w.U16(p);
    return std::move(w.bytes);
}

bool DecodePing(const uint8_t* d, size_t n, NetPing& m) {
    NetReader r(d, n);
    if (r.U8() != MSG_PING) return false;
    m.stamp = r.U32();
    m.inputDelay = r.U8();
    for (uint16_t& p : m.pings) p = r.U16();
    return r.AtEnd();
}

std::vector<uint8_t> EncodePong(uint32_t stamp) {
    NetWriter w = Begin(MSG_PONG);
    w.U32(stamp);
    return std::move(w.bytes);
}

bool DecodePong(const uint8_t* d, size_t n, uint32_t* stamp) {
    NetReader r(d, n);
    if (r.U8() != MSG_PONG) return false;
    *stamp = r.U32();
    return r.AtEnd();
}
