// Controls of the null audio device for tests and the scripted runner.
#pragma once

// Whether opening the device succeeds (tests of the no-sound path). Takes effect at the next open.
void HeadlessSetAudioAvailable(bool available);
// Whether the device is open now.
bool HeadlessAudioOpen();
