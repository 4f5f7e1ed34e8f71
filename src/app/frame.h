// Frame composition: builds and presents one whole frame from the program's current state.
#pragma once

// 1 when a frame was presented; 0 when the application is inactive or the back buffer cannot be locked.
int RenderFrame();
void DrawMenuItems();
void DrawMenuPointer();
