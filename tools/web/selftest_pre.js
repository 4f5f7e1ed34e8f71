// Runs inside the module before main(): mounts the browser's storage (IndexedDB) over the home folder
// (HOME is /home/web_user in emscripten's environment) and reads the files stored there earlier back
// in, so that main() finds them where a desktop program would find its files.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var home = '/home/web_user';
  FS.mount(IDBFS, {}, home);
  addRunDependency('selftest-storage');
  FS.syncfs(true, function (err) {
    if (err) console.warn('self-test: the stored files could not be read: ' + err);
    removeRunDependency('selftest-storage');
  });
});
