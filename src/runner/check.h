// zarvo-headless --check LEVEL: the author's lint. Loads a level as the game would and lists, one line
// each, what a player would meet: the loaders' lines about missing, refused or cut files and values,
// keys no loader reads, files whose lines the game cannot read, a start or exit inside a wall, an exit
// that cannot be reached, monsters that can never reach the player, objects outside the walls.
#pragma once
#include <string>
#include <vector>

// Runs the program headless on the working directory's game, loads `level` and prints the problems on
// standard output, each as "LEVEL: problem", or "LEVEL: clean". 0 when clean, 1 otherwise.
int RunLevelCheck(const char* level);

// The problems found in the level loaded last (for tests): the analysis RunLevelCheck prints.
std::vector<std::string> CheckLoadedLevel(const char* level, const std::vector<std::string>& loadLines);

// The known key nearest to `key` among those of a file kind ("level", "object", "weapon", "arsenal",
// "model", "sounds"), with a numbered key's number kept; empty when none is near.
std::string NearestKnownKey(const char* kind, const std::string& key);
