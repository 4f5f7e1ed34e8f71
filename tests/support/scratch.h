// Scratch folders and whole-file writes for the unit suites, the benchmarks and the fuzz targets (no test
// framework needed): a fresh folder under $TMPDIR (or /tmp) that goes with everything in it when its owner
// goes, the folder of the whole program run, and files written or read in one call.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A fresh folder, removed with all it holds by the destructor. Made with Enter (the default) it is also
// the working directory until then, when the previous one is restored.
class ScratchDir {
  public:
    enum Mode { Enter, Stay };
    explicit ScratchDir(Mode mode = Enter, const char* tag = "test") {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/zarvo-" + tag + "-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back(0);
        if (!mkdtemp(name.data())) {
            std::perror(pattern.c_str());
            std::abort();
        }
        path_ = name.data();
        if (mode == Enter) {
            std::error_code ec;
            old_ = std::filesystem::current_path(ec).string();
            if (ec || chdir(path_.c_str()) != 0) std::abort();
        }
    }
    ~ScratchDir() {
        if (!old_.empty() && chdir(old_.c_str()) != 0) std::abort();
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        if (ec) std::fprintf(stderr, "could not remove %s: %s\n", path_.c_str(), ec.message().c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // The full path of a file in the folder.
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_, old_;
};

// Writes the bytes as the whole file; false when it cannot be written completely.
inline bool WriteFile(const std::string& path, std::string_view bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The whole file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

inline bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The text of a definition file: every line ended with CR LF, as the bundled files are written.
inline std::string DefinitionText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}
inline bool WriteDefinition(const std::string& path, const std::vector<std::string>& lines) {
    return WriteFile(path, DefinitionText(lines));
}

// One folder for the whole program run, made at first use and removed at exit, for code that names its
// files by full path and leaves the working directory alone.
inline const ScratchDir& ProgramScratch() {
    static const ScratchDir dir(ScratchDir::Stay, "files");
    return dir;
}
inline std::string ScratchPath(const std::string& name) { return ProgramScratch().File(name); }
// Writes the scratch file `name` and returns its full path.
inline std::string ScratchFile(const std::string& name, std::string_view bytes) {
    std::string path = ScratchPath(name);
    WriteFile(path, bytes);
    return path;
}
