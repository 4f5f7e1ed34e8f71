// The platform boundary: only src/platform/ may include SDL, SDL_ttf or FluidSynth headers (and the web
// toolchain's self-check, which is no part of the game).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

TEST(PlatformBoundary, OnlyThePlatformIncludesSystemMediaHeaders) {
    const fs::path root = fs::path(ZARVO_SOURCE_DIR);
    const std::regex include(R"(^\s*#\s*include\s*[<"](SDL2?/)?(SDL[^">]*|fluidsynth[^">]*)[">])");
    int scanned = 0;
    for (const char* dir : {"src", "tests", "bench", "fuzz", "tools"}) {
        if (!fs::exists(root / dir)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / dir)) {
            if (!entry.is_regular_file()) continue;
            std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h" && ext != ".hpp" && ext != ".cc") continue;
            std::string rel = fs::relative(entry.path(), root).string();
            ++scanned;
            if (rel.rfind("src/platform/", 0) == 0) continue;
            // The web toolchain's own check (scripts/web.sh --selftest) is a program of SDL's, not the game's.
            if (rel.rfind("tools/web/", 0) == 0) continue;
            std::ifstream f(entry.path());
            std::string line;
            int n = 0;
            while (std::getline(f, line)) {
                ++n;
                EXPECT_FALSE(std::regex_search(line, include)) << rel << ":" << n << ": " << line;
            }
        }
    }
    EXPECT_GT(scanned, 20) << "the scan found the sources";
}
