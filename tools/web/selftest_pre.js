// Runs inside the module before main(): mounts the browser's storage (IndexedDB) at /save and reads the
// files stored there earlier back in, so that main() finds them as it would find them on a disk.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  FS.mkdir('/save');
  FS.mount(IDBFS, {}, '/save');
  addRunDependency('selftest-storage');
  FS.syncfs(true, function (err) {
    if (err) console.warn('self-test: the stored files could not be read: ' + err);
    removeRunDependency('selftest-storage');
  });
});
