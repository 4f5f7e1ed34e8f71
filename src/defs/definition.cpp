// The KEY=VALUE definition reader: one current table, fifteen saved copies, one shared value buffer.
#include "defs/definition.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "core/print.h"

DefinitionsRecord Definitions;
char DefinitionValue[288];

DefinitionFile& DefinitionLevel(int level) { return Definitions.Levels[(Definitions.Top + (level & 15)) & 15]; }

void ResetDefinitions() {
    memset(&Definitions, 0, sizeof Definitions);
    memset(DefinitionValue, 0, sizeof DefinitionValue);
}

void ClearDefinitionFile() { memset(&DefinitionLevel(0), 0, sizeof(DefinitionFile)); }

// Splits at the last '=' of the line: key before it, value after it. Lines without '=' yield nothing.
static void SplitLine(const char* line, DefinitionEntry* slot) {
    const char* eq = strrchr(line, '=');
    if (!eq) return;
    size_t keyLen = size_t(eq - line);
    if (keyLen > sizeof slot->key - 1) keyLen = sizeof slot->key - 1;
    memcpy(slot->key, line, keyLen);
    slot->key[keyLen] = 0;
    size_t valueLen = strnlen(eq + 1, sizeof slot->value - 1);
    memcpy(slot->value, eq + 1, valueLen);
    slot->value[valueLen] = 0;
}

int LoadDefinitionFile(const char* name) {
    Print(name);
    ClearDefinitionFile();
    FILE* f = fopen(name, "rb");
    if (!f) return 0;
    NoteFileRead(name);
    for (int line = 0; line < 255; ++line) {
        char buf[255];
        memset(buf, 0, sizeof buf);
        int column = 0;
        while (column < 255) {
            int c = fgetc(f);
            if (c == EOF) {
                int failed = ferror(f);
                fclose(f);
                return failed ? 0 : 1;  // a line not ended by a carriage return is dropped
            }
            // Line feeds and carriage returns take no room.
            if (c != 10 && c != 13)
                buf[column] = char(c);
            else
                --column;
            if (c == 13 || c == 0) {
                // A line whose first or second byte is a slash is a comment.
                if (buf[0] != '/' && buf[1] != '/') SplitLine(buf, &DefinitionLevel(0).entries[line]);
                break;
            }
            ++column;
        }
        // A line that fills the buffer without an end is dropped unsplit; the next line starts at the
        // following byte.
    }
    fclose(f);
    return 1;
}

int LoadDefinitionFileOrSay(const char* name, const char* kind) {
    if (LoadDefinitionFile(name)) return 1;
    char line[CONSOLE_LINE_BYTES + 64];
    snprintf(line, sizeof line, "Cannot open %s file %s", kind, name);
    Print(line);
    return 0;
}

int DefinitionCount(const char* key, int limit) {
    long n = strtol(DefinitionValue, nullptr, 10);
    if (n < 0) return 0;
    if (n <= limit) return int(n);
    char line[CONSOLE_LINE_BYTES + 64];
    snprintf(line, sizeof line, "%s %ld is more than %d: the rest are ignored", key, n, limit);
    Print(line);
    return limit;
}

int32_t DefinitionInteger(const char* key, const char* text) {
    const char* p = text ? text : "";
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const char* digits = p;
    int64_t v = 0;
    bool beyond = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (!beyond) v = v * 10 + (*p - '0');
        if (v > int64_t(INT32_MAX) + 1) beyond = true;
    }
    if (negative) v = -v;
    if (!beyond && v >= INT32_MIN && v <= INT32_MAX) return int32_t(v);
    int32_t clamped = negative ? INT32_MIN : INT32_MAX;
    char line[CONSOLE_LINE_BYTES + 64];
    int shown = p - digits > 40 ? 40 : int(p - digits);
    snprintf(line, sizeof line, "%.60s: %s%.*s is beyond the 32-bit range, %d is used", key ? key : "?",
             negative ? "-" : "", shown, digits, clamped);
    Print(line);
    return clamped;
}

int GetDefinitionValue(const char* key, int n, char* out, size_t outSize) {
    const DefinitionFile& table = DefinitionLevel(0);
    for (const DefinitionEntry& e : table.entries) {
        if (strcmp(e.key, key) != 0) continue;
        const char* v = e.value;
        size_t p = 0;
        for (int i = 0; i < n; ++i) {
            while (v[p] != ';') {
                if (v[p] == 0) return 0;
                ++p;
            }
            ++p;
            if (v[p] == 0) return 0;
        }
        // The byte at p is taken without a test, so an empty field in the middle keeps its separator.
        size_t length = 1;
        if (v[p] != 0)
            while (v[p + length] != ';' && v[p + length] != 0) ++length;
        if (outSize == 0) return 1;
        size_t copy = length < outSize - 1 ? length : outSize - 1;
        memcpy(out, v + p, copy);
        out[copy] = 0;
        return 1;
    }
    return 0;
}

int GetDefinitionValue(const char* key, int n) {
    return GetDefinitionValue(key, n, DefinitionValue, sizeof DefinitionValue);
}

void PushDefinitionFile() {
    // Level k := level k - 1 for k = 15..1: the ring turns back one step and the new level 0 is a copy
    // of the old one (the old level 15 is overwritten).
    const DefinitionFile& current = DefinitionLevel(0);
    Definitions.Top = (Definitions.Top + 15) & 15;
    memcpy(&DefinitionLevel(0), &current, sizeof(DefinitionFile));
}

void PopDefinitionFile() {
    // Level k - 1 := level k for k = 1..15; level 15 keeps its content.
    Definitions.Top = (Definitions.Top + 1) & 15;
    memcpy(&DefinitionLevel(15), &DefinitionLevel(14), sizeof(DefinitionFile));
}
