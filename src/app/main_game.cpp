// Entry of the game binary: the program over the SDL backend.
#include "app/app.h"

int main() { return ProgramMain(); }
