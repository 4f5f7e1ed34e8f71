// Saved games (SAVEGAMES): eight slots a data folder, each a file that holds the world's records and
// counters, the player, the weapons, the level and its next level, the random generator, the game clock,
// the music and sound list, and the rules and skill the game is played by. A save is written whole to a
// new file and renamed over the slot's old one; a loaded game goes on tick for tick as the saved one did.
//
// The file: text lines, then the world in binary (little-endian numbers, floats by their bits):
//   zarvo-save VERSION
//   checksum HEX16            FNV-1a of every byte after this line
//   level FILE / name NAME / skill N / saved YYYY-MM-DD HH:MM
//   set KEY VALUE             every rule of the registry
//   file HEX16 NAME           each file the level was loaded from, with the FNV-1a of its bytes
//   music FILE, sounds FILE   the music loaded and the sound list in use
//   world BYTES               then exactly BYTES bytes of records
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/world.h"

constexpr int SAVE_SLOTS = 8;
constexpr int QUICK_SAVE_SLOT = 0;  // F6 and F9
constexpr int SAVE_VERSION = 1;
constexpr size_t SAVE_MAX_BYTES = 4u << 20;  // larger files are no saves of this game

// A save file read back: its header and everything it restores.
struct SaveGameData {
    SaveGameData();
    ~SaveGameData();
    int32_t version = 0;
    std::string level, name, saved, sounds;
    int32_t skill = 0;
    std::vector<std::pair<std::string, int32_t>> settings;
    std::vector<std::pair<std::string, uint64_t>> files;
    std::vector<std::string> music;
    uint64_t tickCount = 0;
    uint32_t randomSeed = 0, gameClock = 0;
    int32_t pointer[2] = {0, 0};
    // The records and counters (every model slot empty), and the frame counts the models had.
    std::unique_ptr<WorldRecord> world;
    int32_t objectFrames[OBJECT_COUNT][MODEL_SLOTS] = {}, missileFrames[MISSILE_COUNT][MODEL_SLOTS] = {};
    int32_t weaponFrames[WEAPON_TABLE_SIZE][MODEL_SLOTS] = {};
};

// The folder this data folder's saves live in ($XDG_DATA_HOME/zarvo/saves/NAME-HASH/, NAME the data
// folder's own name): "" when there is no home to keep them in.
std::string SaveFolder();
// The file of a slot 0..7 ("" without a save folder).
std::string SaveSlotPath(int slot);

// Whether saved games can be used now: SAVEGAMES on and, for saving, a level played by a living player
// (not the start menu, an end screen or the death screen). False after one console line saying why.
bool SaveGamesReady(bool saving);
// Saves the game in play into the slot: 1 saved; 0 refused (no level playing, the player dead, saved
// games off) or not written (the slot keeps its previous save), each with one console line.
int SaveGame(int slot);
// Loads the slot's game and plays on from its tick at once, with the menu and the console out of the way:
// 1 loaded; 0 refused (an empty slot, a file that is no save of this version, damaged or cut short, level
// files missing or changed), with one console line and nothing changed.
int LoadGame(int slot);

// What a slot holds, read from its file.
enum { SLOT_EMPTY = 0, SLOT_SAVED = 1, SLOT_UNREADABLE = 2 };
struct SaveSlotSummary {
    int state = SLOT_EMPTY;
    std::string level, name, saved;
    int32_t skill = 0;
};
SaveSlotSummary ReadSaveSlot(int slot);

// The game in play as a save file's bytes.
std::vector<uint8_t> SaveGameBytes();
// Reads bytes as a save: true when they are a whole, undamaged save of this version; else false with the
// reason (one short phrase) in `why`.
bool ParseSaveGame(const uint8_t* bytes, size_t size, SaveGameData* out, std::string* why);
// The checksum a save's second line holds for the bytes after it.
uint64_t SaveChecksum(const uint8_t* bytes, size_t size);
