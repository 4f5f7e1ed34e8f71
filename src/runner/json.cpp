// The JSON writer of the runner's dumps.
#include "runner/json.h"

#include <cmath>
#include <cstdio>

void JsonWriter::BeforeValue() {
    if (afterKey_)
        afterKey_ = false;
    else if (!first_)
        out += ',';
    first_ = false;
}

JsonWriter& JsonWriter::Key(const char* key) {
    if (!first_) out += ',';
    first_ = false;
    out += '"';
    out += key;
    out += "\":";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out += "null";
    return *this;
}

JsonWriter& JsonWriter::Int(long long v) {
    BeforeValue();
    char b[32];
    snprintf(b, sizeof b, "%lld", v);
    out += b;
    return *this;
}

JsonWriter& JsonWriter::Float(float v) {
    BeforeValue();
    if (!std::isfinite(v)) {
        out += "null";
        return *this;
    }
    char b[32];
    snprintf(b, sizeof b, "%.9g", static_cast<double>(v));
    out += b;
    return *this;
}

JsonWriter& JsonWriter::String(const char* s) {
    BeforeValue();
    out += '"';
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s ? s : ""); *p; ++p) {
        unsigned char c = *p;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char b[8];
            snprintf(b, sizeof b, "\\u%04x", c);
            out += b;
        } else {
            out += char(c);
        }
    }
    out += '"';
    return *this;
}

JsonWriter& JsonWriter::Text(const char* s) {
    BeforeValue();
    out += s;
    return *this;
}

JsonWriter& JsonWriter::Open(char bracket) {
    BeforeValue();
    out += bracket;
    first_ = true;
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    out += bracket;
    first_ = false;
    afterKey_ = false;
    return *this;
}

JsonWriter& JsonWriter::Floats(const float* v, int n) {
    Open('[');
    for (int i = 0; i < n; ++i) Float(v[i]);
    return Close(']');
}

JsonWriter& JsonWriter::IntMembers(std::initializer_list<IntMember> members) {
    for (const IntMember& m : members) Key(m.key).Int(m.value);
    return *this;
}
