// Where a frame lies in a window of another size: the arithmetic of the presenter, free of any device.
#pragma once

struct PresentRect {
    int x, y, w, h;  // left, top, width and height in window pixels
};

// The rectangle of the window that shows a frameW x frameH frame, centred, the rest left black. Fit: as
// large as the window allows with the frame's aspect ratio. Integer: the largest whole multiple of the
// frame that fits (sharp pixels); a window smaller than the frame falls back to fit. Empty when either
// size is not positive.
PresentRect PresentLayout(int frameW, int frameH, int outW, int outH, bool integer);
