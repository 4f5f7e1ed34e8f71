// Shared helpers of the unit suites: a scratch working directory and a headless program set-up.
#pragma once
#include <string>

// Creates a fresh directory, makes it the working directory, and returns to the old one on exit.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return path_; }

  private:
    std::string path_, old_;
};

void WriteFile(const std::string& name, const std::string& bytes);
std::string ReadFile(const std::string& name);
bool FileExists(const std::string& name);

// Puts the program's globals into their start-up state at 640 x 480 with video and fonts up, no files.
void ResetProgram();
// Text of console history slot i (without its attribute bytes).
std::string ConsoleText(int slot);
// Holds a key down (or up) in the headless keyboard and runs one logic tick's input dispatch.
void TickWithKeys(std::initializer_list<int> down);
