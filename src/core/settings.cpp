// The settings record.
#include "core/settings.h"

SettingsRecord Settings;
