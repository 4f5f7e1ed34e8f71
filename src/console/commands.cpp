// The console command interpreter.
#include "console/commands.h"

int32_t JoystickOn = 1;

int ExecuteCommand(const char* text) {
    (void)text;
    return 0;
}
