// Runs inside the module before main(). The player's files live under the home folder as on the desktop
// ($HOME/.config/zarvo/config.ini, $HOME/.local/share/zarvo/...); here that folder is kept in the
// browser's storage (IndexedDB): read back in before main(), and stored again soon after every change.
// The game's packed data is its working directory, a data folder the game may not write into, so that
// what it writes goes to the player's folders as an installed game's does.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var home = '/home/web_user';
  FS.mount(IDBFS, {}, home);
  addRunDependency('zarvo-storage');
  FS.syncfs(true, function (err) {
    if (err) console.warn('Zarvo: the files stored in this browser could not be read: ' + err);
    watchChanges();
    removeRunDependency('zarvo-storage');
  });

  // One store at a time; a change made meanwhile is stored by another round after it.
  var storage = { pending: false, busy: false, timer: null };
  function store() {
    storage.timer = null;
    if (storage.busy) return;
    storage.pending = false;
    storage.busy = true;
    FS.syncfs(false, function (err) {
      storage.busy = false;
      if (err) console.warn('Zarvo: the files could not be stored in this browser: ' + err);
      else if (Module['onStored']) Module['onStored']();
      if (storage.pending) soon();
    });
  }
  function soon() {
    storage.pending = true;
    if (!storage.timer) storage.timer = setTimeout(store, 50);
  }
  function changes(path) {
    return typeof path === 'string' && (path === home || path.indexOf(home + '/') === 0);
  }
  // Every way a file under the home folder changes: a file written and closed, renamed, removed, a
  // folder made or removed (watched once the stored files are in).
  function watchChanges() {
    var close = FS.close;
    FS.close = function (stream) {
      var written = stream && (stream.flags & 3) !== 0 && changes(stream.path);
      var result = close.apply(FS, arguments);
      if (written) soon();
      return result;
    };
    ['rename', 'unlink', 'rmdir', 'mkdir'].forEach(function (name) {
      var call = FS[name];
      FS[name] = function (path, other) {
        var result = call.apply(FS, arguments);
        if (changes(path) || changes(other)) soon();
        return result;
      };
    });
  }
  // A page closed right after a change still tries to store it.
  addEventListener('pagehide', function () {
    if (storage.pending && !storage.busy) store();
  });
});

// The page's synthesiser (js-synthesizer, loaded by the page beside this module) compiles its own wasm:
// main() waits until it is ready, since the game starts its music at once.
Module['preRun'].push(function () {
  if (typeof JSSynth == 'undefined') return;
  addRunDependency('zarvo-synth');
  JSSynth.waitForReady().then(
    function () { removeRunDependency('zarvo-synth'); },
    function (e) {
      console.warn('Zarvo: the music synthesiser did not load: ' + e);
      removeRunDependency('zarvo-synth');
    });
});

Module['onRuntimeInitialized'] = (function (pageHook) {
  return function () {
    FS.chmod('/game', 365 /* 0555 */);
    FS.chdir('/game');
    if (pageHook) pageHook();
  };
})(Module['onRuntimeInitialized']);
