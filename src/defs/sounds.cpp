// Sound lists: the SOUNDS rows of a menu or a level, each naming up to three WAV files.
#include "defs/sounds.h"

#include <cstdio>
#include <cstdlib>

#include "audio/sound.h"
#include "core/bounded.h"
#include "core/print.h"
#include "defs/definition.h"

void LoadSoundList(const char* file) {
    CopyBounded(Sound.ListFile, file);
    PushDefinitionFile();
    LoadDefinitionFile(file);
    char value[288];
    if (GetDefinitionValue("SOUNDS", 0, value, sizeof value)) {
        int rows = atoi(value);
        if (rows > SOUND_ROWS) rows = SOUND_ROWS;  // rows past 84 have no buffers
        for (int r = 0; r < rows; ++r) {
            char key[32];
            snprintf(key, sizeof key, "SOUND%d", r);
            if (!GetDefinitionValue(key, 0, value, sizeof value)) continue;
            Print(value);
            Sound.SoundTable[r][0] = LoadWave(3 * r, value);
            for (int k = 1; k < SOUND_SLOTS; ++k)
                if (GetDefinitionValue(key, k, value, sizeof value))
                    Sound.SoundTable[r][k] = LoadWave(3 * r + k, value);
        }
    }
    PopDefinitionFile();
}
