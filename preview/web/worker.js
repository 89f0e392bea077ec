// The page's worker: holds the previewer's WebAssembly, the game's files and
// the frames of the last play, off the page's thread, so that the page
// answers while a script plays. The page ends a play it no longer wants by
// ending this worker and starting another.
//
// Each request is {id, type, ...}; each answer {id, ...}, or {id, failure}
// when something inside went wrong (its stack, its memory). While a play goes
// on the worker also says {type: 'first', ...} with its first picture that
// has something on it, and {type: 'progress', frames}.
'use strict';

(function () {
  let engine = null;
  const ready = RollwickModule({
    onFirstPicture: (pixels, width, height, index) =>
      postMessage({ type: 'first', pixels, width, height, index }, [pixels.buffer]),
    onProgress: (frames) => postMessage({ type: 'progress', frames }),
  }).then((module) => {
    engine = module;
    engine.FS.mkdir('/games');
    engine.FS.mkdir('/work');
    engine.FS.chdir('/games');
  });

  function removeTree(path) {
    for (const name of engine.FS.readdir(path)) {
      if (name === '.' || name === '..') continue;
      const full = path + '/' + name;
      if (engine.FS.isDir(engine.FS.stat(full).mode)) {
        removeTree(full);
        engine.FS.rmdir(full);
      } else {
        engine.FS.unlink(full);
      }
    }
  }

  function writeFile(root, relative, bytes) {
    let folder = root;
    for (const part of relative.split('/').slice(0, -1)) {
      folder += '/' + part;
      try { engine.FS.mkdir(folder); } catch (e) { /* already there */ }
    }
    engine.FS.writeFile(root + '/' + relative, bytes);
  }

  const json = (pointer) => JSON.parse(engine.UTF8ToString(pointer));

  const handlers = {
    // The game's folder, as /games/NAME: {name, paths, files: [{path, bytes}]}.
    // Every path is written, empty unless its bytes are given. Whether the
    // game's scripts are UTF-8, and the files a play may read, which the page
    // then gives.
    game({ name, paths, files }) {
      removeTree('/games');
      if (!name) return { utf8: true, files: [] };
      engine.FS.mkdir('/games/' + name);
      for (const path of paths) writeFile('/games/' + name, path, new Uint8Array(0));
      for (const file of files) writeFile('/games/' + name, file.path, file.bytes);
      return json(engine.ccall('rw_game_files', 'number', ['string'], [name]));
    },
    // The room file a play of the script SCRIPT draws: {path}, empty when none.
    room({ name, script }) {
      return { path: engine.UTF8ToString(engine.ccall('rw_room_file', 'number', ['string', 'string'], [name, script])) };
    },
    // More of the game's files: {name, files: [{path, bytes}]}.
    files({ name, files }) {
      for (const file of files) writeFile('/games/' + name, file.path, file.bytes);
      return {};
    },
    // Plays the script's bytes as /work/NAME with the game open, if any.
    // A sheet's roll is fitted to FIT seconds when given.
    play({ game, name, bytes, entry, fit }) {
      removeTree('/work');
      engine.FS.writeFile('/work/' + name, bytes);
      const started = performance.now();
      engine.ccall('rw_play', 'number', ['string', 'string', 'string', 'number', 'number'], [game, '/work/' + name, entry, -1, fit || 0]);
      const info = json(engine.ccall('rw_info', 'number', [], []));
      const messages = json(engine.ccall('rw_messages', 'number', [], []));
      return { info, messages, ms: performance.now() - started };
    },
    // Frame INDEX of the last play as RGBA bytes.
    frame({ index }) {
      const info = json(engine.ccall('rw_info', 'number', [], []));
      const pointer = engine.ccall('rw_frame', 'number', ['number'], [index]);
      if (!pointer) return { index, pixels: null };
      const pixels = engine.HEAPU8.slice(pointer, pointer + info.width * info.height * 4);
      return { index, pixels, width: info.width, height: info.height, transfer: [pixels.buffer] };
    },
    // The last play saved as KIND ('gif', 'png' of a frame, 'sheet'): {bytes} or {error}.
    save({ kind, argument }) {
      const path = '/work/out.' + (kind === 'gif' ? 'gif' : 'png');
      const error = engine.UTF8ToString(engine.ccall('rw_save', 'number', ['string', 'string', 'number'], [kind, path, argument]));
      if (error) return { error };
      const bytes = engine.FS.readFile(path);
      engine.FS.unlink(path);
      return { bytes, transfer: [bytes.buffer] };
    },
  };

  onmessage = async (event) => {
    const request = event.data;
    await ready;
    let answer;
    try {
      answer = handlers[request.type](request);
    } catch (failure) {
      answer = { failure: failure && failure.message ? failure.message : String(failure) };
    }
    const transfer = answer.transfer || [];
    delete answer.transfer;
    postMessage(Object.assign({ id: request.id }, answer), transfer);
  };
})();
