// The one JSON writer of the runner's dumps: compact text, keys in the order written.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

class JsonWriter {
  public:
    std::string out;

    JsonWriter& Key(const char* key);  // the value that follows belongs to it
    JsonWriter& Int(long long v);
    JsonWriter& Null();
    // Up to 9 significant digits (an exact round trip of a 32-bit float); null when not finite.
    JsonWriter& Float(float v);
    // The program's bytes: quote and backslash escaped, control bytes and bytes >= 0x7F as \u00XX.
    JsonWriter& String(const char* s);
    JsonWriter& Text(const char* s);  // an already formatted value
    JsonWriter& Open(char bracket);   // '{' or '['
    JsonWriter& Close(char bracket);  // '}' or ']'
    template <typename T>
    JsonWriter& Ints(const T* v, int n) {
        Open('[');
        for (int i = 0; i < n; ++i) Int(static_cast<long long>(v[i]));
        return Close(']');
    }
    JsonWriter& Floats(const float* v, int n);
    // Several whole-number members in a row.
    struct IntMember {
        const char* key;
        long long value;
    };
    JsonWriter& IntMembers(std::initializer_list<IntMember> members);

  private:
    void BeforeValue();
    bool first_ = true;      // nothing written yet in the innermost object or array
    bool afterKey_ = false;  // a key was written: its value needs no comma
};
