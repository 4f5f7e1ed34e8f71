// The layering of the code, read from its include lines: each directory of src/ includes only the
// directories below it, and no circle of includes runs through more than a few files or through the
// bottom layers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Which directories each directory of src/ may include (besides itself), from the bottom up.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"core", {}},
    {"platform", {"core"}},
    {"model", {"core"}},
    {"audio", {"core", "platform"}},
    {"input", {"core", "platform"}},
    {"game", {"core", "model", "audio", "input"}},
    {"render", {"core", "platform", "model", "game"}},
    {"console", {"core", "platform", "input", "render"}},
    {"defs", {"core", "model", "audio", "game", "render", "console"}},
    {"demo", {"core", "platform", "input", "game"}},
    // Network play runs the game's levels and records what the host ordered: it sits above them.
    {"net", {"core", "platform", "model", "audio", "input", "game", "render", "console", "defs", "demo"}},
    {"app", {"core", "platform", "model", "audio", "input", "net", "game", "render", "console", "defs", "demo"}},
    {"runner",
     {"core", "platform", "model", "audio", "input", "net", "game", "render", "console", "defs", "demo", "app"}},
};

struct Include {
    std::string from, to;  // src-relative paths: "game/tick.cpp" includes "game/world.h"
};

std::vector<Include> ReadIncludes() {
    const fs::path src = fs::path(ZARVO_SOURCE_DIR) / "src";
    const std::regex line("^\\s*#\\s*include\\s*\"([^\"]+)\"");
    std::vector<Include> out;
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream f(e.path());
        std::string text;
        std::string from = fs::relative(e.path(), src).generic_string();
        while (std::getline(f, text)) {
            std::smatch m;
            if (std::regex_search(text, m, line)) out.push_back({from, m[1]});
        }
    }
    return out;
}

std::string Directory(const std::string& path) { return path.substr(0, path.find('/')); }
std::string Module(const std::string& path) { return path.substr(0, path.rfind('.')); }

TEST(Layers, EveryDirectoryIncludesOnlyTheDirectoriesBelowIt) {
    std::vector<Include> includes = ReadIncludes();
    ASSERT_GT(includes.size(), 100u) << "the sources were not found";
    for (const Include& i : includes) {
        std::string from = Directory(i.from), to = Directory(i.to);
        ASSERT_TRUE(kAllowed.count(from)) << "a directory the table does not know: " << from;
        if (!kAllowed.count(to)) continue;  // not a project header
        if (from == to) continue;
        EXPECT_TRUE(kAllowed.at(from).count(to))
            << i.from << " includes " << i.to << ": " << from << "/ may not include " << to << "/";
    }
}

TEST(Layers, OnlyThePlatformIncludesTheOperatingSystemsHeaders) {
    const fs::path src = fs::path(ZARVO_SOURCE_DIR) / "src";
    // POSIX and Linux interfaces: the C and C++ standard libraries' own headers are everyone's.
    const std::regex system(
        "^\\s*#\\s*include\\s*<((unistd|fcntl|signal|execinfo|dlfcn|pthread|netdb|strings|dirent|poll|"
        "termios|spawn)\\.h|csignal|(sys|netinet|arpa)/[^>]+)>");
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        if (!e.is_regular_file()) continue;
        const std::string path = fs::relative(e.path(), src).generic_string();
        if (Directory(path) == "platform") continue;
        ++files;
        std::ifstream f(e.path());
        std::string text;
        for (int number = 1; std::getline(f, text); ++number) {
            std::smatch m;
            EXPECT_FALSE(std::regex_search(text, m, system))
                << path << ":" << number << " includes <" << m[1] << ">: the system's services go through platform/";
        }
    }
    EXPECT_GT(files, 50) << "the sources were not found";
}

TEST(Layers, IncludeCirclesAreShortAndNeverRunThroughTheBottomLayers) {
    // Modules (a header with its source) joined by the include lines between them.
    std::map<std::string, std::set<std::string>> edges;
    for (const Include& i : ReadIncludes()) {
        if (!kAllowed.count(Directory(i.to))) continue;
        std::string a = Module(i.from), b = Module(i.to);
        if (a != b) edges[a].insert(b);
        edges[b];
    }
    // Tarjan's strongly connected components: each one is a set of modules that reach each other.
    std::map<std::string, int> index, low;
    std::vector<std::string> stack;
    std::set<std::string> onStack;
    std::vector<std::vector<std::string>> circles;
    int next = 0;
    std::function<void(const std::string&)> visit = [&](const std::string& v) {
        index[v] = low[v] = next++;
        stack.push_back(v);
        onStack.insert(v);
        for (const std::string& w : edges[v]) {
            if (!index.count(w)) {
                visit(w);
                low[v] = std::min(low[v], low[w]);
            } else if (onStack.count(w)) {
                low[v] = std::min(low[v], index[w]);
            }
        }
        if (low[v] != index[v]) return;
        std::vector<std::string> component;
        std::string w;
        do {
            w = stack.back();
            stack.pop_back();
            onStack.erase(w);
            component.push_back(w);
        } while (w != v);
        if (component.size() > 1) circles.push_back(component);
    };
    for (const auto& [v, out] : edges)
        if (!index.count(v)) visit(v);
    for (const auto& c : circles) {
        std::string names;
        for (const std::string& m : c) names += " " + m;
        EXPECT_LE(c.size(), 5u) << "an include circle of " << c.size() << " modules:" << names;
        for (const std::string& m : c) {
            std::string d = Directory(m);
            EXPECT_TRUE(d != "core" && d != "platform") << "an include circle through " << m << ":" << names;
        }
    }
}

}  // namespace
