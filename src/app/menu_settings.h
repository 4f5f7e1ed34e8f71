// Menu items that change a setting (the SETTING action): the values a setting steps through, and the step
// taken, applied at once and kept in the player's file where the registry says so.
#pragma once
#include <cstdint>
#include <vector>

#include "core/settings.h"

// The values a menu offers for a setting, in order: a switch's and a choice's values; a number's words
// then its range in its steps (or the values its row lists); a size's words then the usual screen sizes
// within its range, with the display's own size. Empty for a text or a binding.
std::vector<int32_t> SettingStops(const SettingDef& d);
// The value `dir` (+1 or -1) steps away from `value`: the next stop that way, or with `wrap` the first
// (last) one past the end; `value` itself when there is nowhere to go.
int32_t SteppedValue(const SettingDef& d, int32_t value, int dir, bool wrap);
// Steps the setting named `key` one stop along `dir` (passing over a stop the game would not keep, such as
// the display's size where there is no display), applies it at once and saves the player's file when a
// saved key changed. A key that changes only on the start menu, or a rule of a network
// game, is refused with one line naming `label`. True when the value changed.
bool StepSetting(const char* key, const char* label, int dir, bool wrap);
