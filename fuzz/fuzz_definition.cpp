// Fuzz target for the definition reader: the input is a definition file; every slot's key is then looked
// up field by field, and the table is pushed and popped.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "../tests/support/scratch.h"
#include "defs/definition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchPath("input.def");
    WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    PushDefinitionFile();
    LoadDefinitionFile(path.c_str());
    char small[8];
    for (const DefinitionEntry& e : DefinitionLevel(0).entries) {
        char key[255];
        snprintf(key, sizeof key, "%s", e.key);
        for (int n = 0; n < 4; ++n) {
            GetDefinitionValue(key, n);
            GetDefinitionValue(key, n, small, sizeof small);
        }
    }
    PopDefinitionFile();
    return 0;
}
