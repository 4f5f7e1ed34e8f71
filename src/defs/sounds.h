// Sound lists: which WAV file fills which buffer of the sound table.
#pragma once

// Loads a sound-list file (keys SOUNDS and SOUND0..): prints the first file name of each row and fills
// the table from LoadWave. Rows past 84 are ignored. Uses the definition reader's stack.
void LoadSoundList(const char* file);
