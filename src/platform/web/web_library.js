// The page's side of the browser backend (platform/web/web.h), linked into the module with --js-library:
// the pointer lock, the page's record of frames and of the game's end, and the music synthesiser.
mergeInto(LibraryManager.library, {
  // ---- the pointer lock and the keys the browser keeps ------------------------------------------------
  $ZarvoInput: {
    canvas: null,
    wanted: false,     // the game wants the mouse captured
    locked: false,     // the canvas holds the pointer lock
    releasing: false,  // the game let the lock go itself
    dx: 0,
    dy: 0,
    escape: 0,             // the lock was taken away by the player: Escape for the game
    escapeKeyAt: -1e9,     // when an Escape key press reached the page
    escapeMadeAt: -1e9,    // when a lock taken away was made Escape
    // Asks for the lock (at a click); a browser that refuses says so only through the promise, which is
    // answered here.
    lock: function () {
      var canvas = ZarvoInput.canvas;
      if (!canvas || !canvas.requestPointerLock) return;
      try {
        var request = canvas.requestPointerLock();
        if (request && typeof request.catch === 'function') request.catch(function () {});
      } catch (e) {
      }
    },
  },

  zarvo_web_input_start__deps: ['$ZarvoInput'],
  zarvo_web_input_start: function () {
    var input = ZarvoInput;
    if (input.canvas) return;
    input.canvas = Module['canvas'];
    // Within this time an Escape key press and a lock taken away are the same press.
    var samePress = 300;
    document.addEventListener('pointerlockchange', function () {
      var locked = document.pointerLockElement === input.canvas;
      var now = performance.now();
      if (input.locked && !locked && input.wanted && !input.releasing && document.hasFocus() &&
          now - input.escapeKeyAt > samePress) {
        input.escape = 1;
        input.escapeMadeAt = now;
      }
      input.locked = locked;
      input.releasing = false;
    });
    document.addEventListener('mousemove', function (e) {
      if (!input.locked) return;
      input.dx += e.movementX || 0;
      input.dy += e.movementY || 0;
    });
    // A click on the canvas while the game wants the mouse captures it; that click is the player's
    // gesture for the capture, not a click in the game (ahead of SDL's listeners: capture on the window).
    window.addEventListener('mousedown', function (e) {
      if (e.target !== input.canvas || !input.wanted || input.locked) return;
      e.stopImmediatePropagation();
      e.preventDefault();
      input.lock();
    }, true);
    // Ahead of SDL's own listener (capture on the window).
    window.addEventListener('keydown', function (e) {
      if (e.code === 'Escape') {
        if (performance.now() - input.escapeMadeAt < samePress) {
          e.stopImmediatePropagation();  // the game had this press already, from the lock's loss
          e.preventDefault();
        } else {
          input.escapeKeyAt = performance.now();
        }
        return;
      }
      if (e.altKey && (e.code === 'Enter' || e.code === 'NumpadEnter')) {
        // Alt+Enter: the page full screen or back, as the desktop's window.
        e.stopImmediatePropagation();
        e.preventDefault();
        if (e.repeat) return;
        try {
          var change = document.fullscreenElement ? document.exitFullscreen() :
                                                    document.documentElement.requestFullscreen();
          if (change && typeof change.catch === 'function') change.catch(function () {});
        } catch (err) {
        }
        return;
      }
    }, true);
  },

  zarvo_web_pointer_wanted__deps: ['$ZarvoInput'],
  zarvo_web_pointer_wanted: function (wanted) {
    var input = ZarvoInput;
    input.wanted = !!wanted;
    if (!input.canvas) return;
    if (!input.wanted) {
      input.dx = input.dy = 0;
      if (input.locked) {
        input.releasing = true;
        document.exitPointerLock();
      }
    }
  },

  zarvo_web_take_motion__deps: ['$ZarvoInput'],
  zarvo_web_take_motion: function (dx, dy) {
    var input = ZarvoInput;
    var x = Math.max(-1e6, Math.min(1e6, Math.trunc(input.dx)));
    var y = Math.max(-1e6, Math.min(1e6, Math.trunc(input.dy)));
    input.dx -= x;
    input.dy -= y;
    HEAP32[dx >> 2] = x;
    HEAP32[dy >> 2] = y;
  },

  zarvo_web_take_escape__deps: ['$ZarvoInput'],
  zarvo_web_take_escape: function () {
    var escape = ZarvoInput.escape;
    ZarvoInput.escape = 0;
    return escape;
  },

  // ---- the page ------------------------------------------------------------------------------------
  zarvo_web_frame_shown: function (count) {
    if (Module['onFrameShown']) Module['onFrameShown'](count);
  },

  zarvo_web_ended: function (status) {
    if (Module['onGameEnded']) Module['onGameEnded'](status);
  },

  zarvo_web_audio_pulled: function (frames, peak) {
    if (Module['onAudio']) Module['onAudio'](frames, peak);
  },

  // ---- the music synthesiser ---------------------------------------------------------------------------
  $ZarvoSynth: { synth: null, left: null, right: null },

  zarvo_synth_start__deps: ['$ZarvoSynth'],
  zarvo_synth_start: function (rate, roomSize, reverbLevel, chorusLevel, chorusDepth, polyphony) {
    if (typeof JSSynth == 'undefined') return 0;
    try {
      // FluidSynth's own messages (among them notes on stubs of its file layer) stay out of the console.
      JSSynth.disableLogging(JSSynth.LogLevel.Error);
      var synth = new JSSynth.Synthesizer();
      synth.init(rate, {
        reverbActive: true,
        reverbRoomSize: roomSize,
        reverbLevel: reverbLevel,
        chorusActive: true,
        chorusLevel: chorusLevel,
        chorusDepth: chorusDepth,
        polyphony: polyphony,
      });
      ZarvoSynth.synth = synth;
      ZarvoSynth.left = new Float32Array(1024);
      ZarvoSynth.right = new Float32Array(1024);
      return 1;
    } catch (e) {
      console.warn('Music: the synthesiser did not start: ' + e);
      return 0;
    }
  },

  zarvo_synth_load__deps: ['$ZarvoSynth', '$FS'],
  zarvo_synth_load: function (path) {
    var synth = ZarvoSynth.synth;
    if (!synth) return 0;
    var name = UTF8ToString(path);
    try {
      // FluidSynth loads the bytes at once; the promise only carries the outcome.
      synth.loadSFont(FS.readFile(name).buffer).catch(function (e) {
        console.warn('Music: the soundfont ' + name + ' did not load: ' + e);
      });
      return 1;
    } catch (e) {
      console.warn('Music: the soundfont ' + name + ' did not load: ' + e);
      return 0;
    }
  },

  zarvo_synth_stop__deps: ['$ZarvoSynth'],
  zarvo_synth_stop: function () {
    if (ZarvoSynth.synth) ZarvoSynth.synth.close();
    ZarvoSynth.synth = null;
  },

  zarvo_synth_send__deps: ['$ZarvoSynth'],
  zarvo_synth_send: function (status, data1, data2) {
    var synth = ZarvoSynth.synth;
    if (!synth) return;
    var channel = status & 15;
    switch (status & 0xf0) {
      case 0x80: synth.midiNoteOff(channel, data1); break;
      case 0x90: data2 ? synth.midiNoteOn(channel, data1, data2) : synth.midiNoteOff(channel, data1); break;
      case 0xa0: synth.midiKeyPressure(channel, data1, data2); break;
      case 0xb0: synth.midiControl(channel, data1, data2); break;
      case 0xc0: synth.midiProgramChange(channel, data1); break;
      case 0xd0: synth.midiChannelPressure(channel, data1); break;
      case 0xe0: synth.midiPitchBend(channel, data1 | (data2 << 7)); break;
      default: break;  // the end of the piece
    }
  },

  zarvo_synth_silence__deps: ['$ZarvoSynth'],
  zarvo_synth_silence: function (reset) {
    var synth = ZarvoSynth.synth;
    if (!synth) return;
    synth.midiAllSoundsOff();
    if (reset) synth.midiSystemReset();
  },

  zarvo_synth_gain__deps: ['$ZarvoSynth'],
  zarvo_synth_gain: function (gain) {
    if (ZarvoSynth.synth) ZarvoSynth.synth.setGain(gain);
  },

  zarvo_synth_render__deps: ['$ZarvoSynth'],
  zarvo_synth_render: function (out, frames) {
    var at = out >> 2;
    var synth = ZarvoSynth.synth;
    if (!synth || frames > ZarvoSynth.left.length) {
      HEAPF32.fill(0, at, at + 2 * Math.max(frames, 0));
      return;
    }
    var left = ZarvoSynth.left.subarray(0, frames);
    var right = ZarvoSynth.right.subarray(0, frames);
    synth.render([left, right]);
    // HEAPF32 is looked up after the render: a grown memory replaces it.
    var heap = HEAPF32;
    var peak = 0;
    for (var i = 0; i < frames; ++i) {
      var l = left[i], r = right[i];
      heap[at + 2 * i] = l;
      heap[at + 2 * i + 1] = r;
      peak = Math.max(peak, l, -l, r, -r);
    }
    if (Module['onMusic']) Module['onMusic'](peak);
  },
});
