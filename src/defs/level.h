// Level definition files: the map, the placed objects, the arsenal, exit, start, next level, sounds, music.
#pragma once

// Loads a level file and enters play, or starts the victory screen for the name "WIN".
// 1 loaded (or victory started); 0 when the file is missing or has no MAP (nothing changes then).
int LoadLevel(const char* name);
// The same load with nothing shown or heard: no console, no lines (the event log still gets them), no
// start sound (a saved game rebuilds its level this way). A level file, never "WIN".
int LoadLevelQuietly(const char* name);
// The retry rule: loads the level loaded last again and gives the player back what he entered it with
// (health, weapons, ammunition, current weapon, score), alive and standing. 0 when no level was loaded
// or it no longer loads.
int RetryLevel();
