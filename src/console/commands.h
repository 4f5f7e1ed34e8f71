// The console command interpreter.
#pragma once
#include <cstdint>

// Joystick steering switch, flipped by JOYSTICK.
extern int32_t JoystickOn;

// Interprets one command text; non-zero when accepted.
int ExecuteCommand(const char* text);
