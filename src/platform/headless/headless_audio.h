// Controls of the null audio device for tests and the scripted runner.
#pragma once

// Whether opening the device succeeds (tests of the no-sound path). Takes effect at the next open.
void HeadlessSetAudioAvailable(bool available);
// Whether the device is open now.
bool HeadlessAudioOpen();
// Whether music start-up loads the soundfont on a worker thread as the game does (off by default: the
// load happens within MusicInit, so every run sees the same).
void HeadlessSetMusicLoadsInBackground(bool background);
