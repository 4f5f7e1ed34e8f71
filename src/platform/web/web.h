// What the browser backend calls in the page: the functions of web_library.js, linked into the module as a
// JavaScript library. They keep the pointer lock, report to the page, and drive the page's music
// synthesiser (js-synthesizer: FluidSynth compiled to wasm, a module of its own).
#pragma once

extern "C" {
// ---- the page -----------------------------------------------------------------------------------------
// Starts listening to the page for what SDL does not report: the pointer lock and its loss, motion while
// locked, Alt+Enter (the page's full-screen view).
void zarvo_web_input_start();
// Whether the game wants the mouse captured (the cursor hidden): the player's next click on the canvas
// captures it (a click the game does not see); it is let go when not wanted.
void zarvo_web_pointer_wanted(int wanted);
// Motion since the last call while the pointer was locked, in the screen's pixels.
void zarvo_web_take_motion(int* dx, int* dy);
// 1 once after the browser took the pointer lock away while the game wanted it (the player pressed
// Escape, which the browser keeps for itself while it holds the lock); 0 otherwise.
int zarvo_web_take_escape();
// The game presented a frame (`count` so far; the canvas is drawn again only when it changed): the
// page's record of the first frame and of the rate.
void zarvo_web_frame_shown(double count);
// The main loop ended with `status` (the player quit): the page says so.
void zarvo_web_ended(int status);
// The audio device took `frames` frames whose loudest sample was `peak` (16-bit units): the page's record.
void zarvo_web_audio_pulled(int frames, int peak);

// ---- the music synthesiser ----------------------------------------------------------------------------
// Starts a synthesiser at `rate` frames per second with the given reverb, chorus and polyphony; 0 when
// the page has no synthesiser.
int zarvo_synth_start(int rate, double roomSize, double reverbLevel, double chorusLevel, double chorusDepth,
                      int polyphony);
// Loads the soundfont file at `path` of the module's file system; 0 when it is no soundfont.
int zarvo_synth_load(const char* path);
// Lets the synthesiser go.
void zarvo_synth_stop();
// Sends one MIDI channel message.
void zarvo_synth_send(int status, int data1, int data2);
// Silences every sounding note; with `reset`, the channels return to their defaults too.
void zarvo_synth_silence(int reset);
void zarvo_synth_gain(double gain);
// Renders `frames` (at most PLATFORM_MUSIC_MAX_FRAMES) interleaved stereo float frames into `out`; the
// page keeps a record of the loudest sample.
void zarvo_synth_render(float* out, int frames);
}
