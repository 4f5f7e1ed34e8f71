// The self-test's side of the page's synthesiser, linked into the module with --js-library. The page loads
// libfluidsynth (FluidSynth compiled to wasm, a module of its own) and js-synthesizer over it; these
// functions drive that synthesiser synchronously from the program's audio callback.
mergeInto(LibraryManager.library, {
  $selftestSynth: { synth: null, left: null, right: null },

  selftest_synth_start__deps: ['$selftestSynth', '$FS'],
  selftest_synth_start: function (rate, path) {
    if (typeof JSSynth == 'undefined') return 0;
    try {
      // FluidSynth's own messages (among them notes on stubs of its file layer) stay out of the console.
      JSSynth.disableLogging(JSSynth.LogLevel.Error);
      var synth = new JSSynth.Synthesizer();
      synth.init(rate, { reverbRoomSize: 0.3, reverbLevel: 0.25, chorusLevel: 0.5, chorusDepth: 4, polyphony: 96 });
      var bytes = FS.readFile(UTF8ToString(path));
      // loadSFont loads at once; it only wraps its result in a promise.
      synth.loadSFont(bytes.buffer).then(
        function () { globalThis.selftest.soundfont = 1; },
        function (e) { console.warn('self-test: soundfont: ' + e); });
      selftestSynth.synth = synth;
      selftestSynth.left = new Float32Array(4096);
      selftestSynth.right = new Float32Array(4096);
      return 1;
    } catch (e) {
      console.warn('self-test: synthesiser: ' + e);
      return 0;
    }
  },

  selftest_synth_send__deps: ['$selftestSynth'],
  selftest_synth_send: function (status, data1, data2) {
    var synth = selftestSynth.synth;
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
    }
  },

  selftest_synth_render__deps: ['$selftestSynth'],
  selftest_synth_render: function (out, frames) {
    var at = out >> 2;
    if (!selftestSynth.synth) {
      HEAPF32.fill(0, at, at + 2 * frames);
      return;
    }
    var left = selftestSynth.left.subarray(0, frames);
    var right = selftestSynth.right.subarray(0, frames);
    selftestSynth.synth.render([left, right]);
    // HEAPF32 is looked up at each call: a grown memory replaces it.
    var heap = HEAPF32;
    for (var i = 0; i < frames; ++i) {
      heap[at + 2 * i] = left[i];
      heap[at + 2 * i + 1] = right[i];
    }
  },
});
