// The KEY=VALUE definition reader with its stack of saved tables.
#pragma once
#include <cstddef>
#include <cstdint>

struct DefinitionEntry {
    char key[255];
    char value[255];
};
struct DefinitionFile {
    DefinitionEntry entries[255];
};

// The definition stack: level 0 is the current table, levels 1..15 saved copies (1 = most recent). The
// sixteen levels live in a ring, so that a push or a pop copies one table instead of shifting all.
struct DefinitionsRecord {
    DefinitionFile Levels[16];
    int32_t Top;
};
extern DefinitionsRecord Definitions;
DefinitionFile& DefinitionLevel(int level);
// Empties every level of the stack and the shared value buffer.
void ResetDefinitions();
// The shared lookup output buffer.
extern char DefinitionValue[288];

// Prints the name, clears level 0 and reads the file into it. 1 = read, 0 = not opened / read error.
int LoadDefinitionFile(const char* name);
// LoadDefinitionFile, and when the file cannot be opened a console line "Cannot open KIND file NAME".
int LoadDefinitionFileOrSay(const char* name, const char* kind);
// The integer value of DefinitionValue as a count of at most `limit` entries: negative gives 0; a larger
// count is cut to the limit with a console line naming the key, "KEY N is more than LIMIT: the rest
// are ignored".
int DefinitionCount(const char* key, int limit);
// The whole number at the start of `text` (DefinitionValue by default), read as atoi reads it (leading
// white space, an optional sign, decimal digits; 0 when there are none), but clamped to the 32-bit range:
// a number beyond it gives INT32_MAX or INT32_MIN and one console line naming the key.
int32_t DefinitionInteger(const char* key, const char* text = DefinitionValue);
// Copies field n of the first slot whose key equals `key` into out (capacity outSize, truncated to
// fit). 1 = found; 0 = not found, out untouched.
int GetDefinitionValue(const char* key, int n, char* out, size_t outSize);
// Shorthand for a lookup into DefinitionValue.
int GetDefinitionValue(const char* key, int n);
void ClearDefinitionFile();
void PushDefinitionFile();
void PopDefinitionFile();
