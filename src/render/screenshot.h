// Screenshots: the last presented frame written as a PNG under screenshots/.
#pragma once

// Writes the last presented frame (SCREENX x SCREENY) to screenshots/zarvo-NNNN.png in the data
// directory (the folder is created when missing; NNNN is the next free number) and prints "Screenshot
// saved: PATH", or one line saying why it could not. 1 when saved.
int SaveScreenshot();
