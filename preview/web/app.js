// The page: opens a game's project folder (or a credits script), plays its
// credits through the previewer's WebAssembly and shows them at the game's
// speed. Files are read in the browser only; nothing leaves it.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  const ui = {
    folder: $('open-folder'), scriptInput: $('open-script'), gameName: $('game-name'), scriptFile: $('script-file'),
    entry: $('entry'), source: $('source'), gutter: $('gutter'), canvas: $('frame'), play: $('play'), back: $('back'),
    step: $('step'), position: $('position'), clock: $('clock'), scale: $('scale'), messages: $('messages'),
    status: $('status'), stop: $('stop'), saveGif: $('save-gif'), savePng: $('save-png'), saveSheet: $('save-sheet'),
    fit: $('fit'), fitLength: $('fit-length'), fitClip: $('fit-clip'),
  };
  const context = ui.canvas.getContext('2d');
  // Folders of a project the previewer never reads.
  const SKIPPED = /^(Compiled|_Debug|\.git|Speech|backup)\//i;
  // The largest file the page holds in memory (the command line maps larger ones).
  const LARGEST_FILE = 1024 * 1024 * 1024;
  let tooLarge = [];  // files of the game opened last that a play needs and the page cannot hold

  // The game open: its folder's name, every path in it (the previewer reads
  // only some), and the bytes of those read: Game.agf, the scripts the page
  // shows and the files Game.agf names.
  let game = null;          // {name, paths: [relative path], files: Map(relative path -> Uint8Array)} or null
  const scripts = new Map();  // script name -> text, as edited
  let current = '';           // the script shown
  const noPlay = { width: 320, height: 200, fps: 40, frames: 0, speeds: [[0, 40]], sounds: [], sound_files: {}, first_shown: -1 };
  let info = noPlay;
  let messages = [];
  let frame = 0;
  let playing = false;
  let playStart = 0;        // performance.now() at frame playFrom
  let playFrom = 0;
  let audio = null;
  const soundBuffers = new Map();  // sound number -> AudioBuffer
  let frameTimes = [0];     // seconds at the start of each frame
  let lastPlayMs = 0;
  let playStarted = 0;     // performance.now() when the play last asked for began, or its script was opened
  let firstPictureMs = -1; // how long after that its first picture showed
  let freshOpen = false;   // the next play is of a script just opened
  let shownOnce = false;   // a picture of a play has been shown

  // ---- the worker ----------------------------------------------------------
  // The previewer plays in a worker, so that the page answers throughout. A
  // play that is no longer wanted (an edit replaced it, or Stop) ends with
  // its worker; the next worker is given the game's files again.

  const workerCode = URL.createObjectURL(new Blob([$('worker-code').textContent], { type: 'text/javascript' }));
  let worker = null;
  const waiting = new Map();  // request id -> resolve
  let nextId = 1;
  let busy = false;           // a play is going on in the worker

  function ask(request) {
    return new Promise((resolve) => {
      const id = nextId++;
      waiting.set(id, resolve);
      worker.postMessage(Object.assign({ id }, request));
    });
  }

  function endAll(answer) {
    for (const resolve of waiting.values()) resolve(answer);
    waiting.clear();
  }

  function newWorker() {
    if (worker) worker.terminate();
    endAll({ ended: true });
    busy = false;
    worker = new Worker(workerCode);
    worker.onmessage = (event) => {
      const answer = event.data;
      if (answer.type === 'first') return firstPicture(answer);
      if (answer.type === 'progress') return setStatus(`playing: ${answer.frames} frames so far`);
      const resolve = waiting.get(answer.id);
      waiting.delete(answer.id);
      if (resolve) resolve(answer);
    };
    // A worker that dies (its memory, most often) answers what it was asked with the failure.
    worker.onerror = (event) => {
      event.preventDefault();
      endAll({ failure: event.message || 'the worker stopped' });
    };
    return ask({ type: 'game', name: game ? game.name : '', paths: game ? game.paths : [],
      files: game ? [...game.files].map(([path, bytes]) => ({ path, bytes })) : [] });
  }

  const ready = newWorker().then(() => {
    document.documentElement.dataset.ready = 'true';  // for checks that the page starts
    return true;
  });

  function setStatus(text) { ui.status.textContent = text; }

  // ---- text encoding -----------------------------------------------------
  // The game's scripts are in its text encoding: UTF-8, or (ANSI) one byte a
  // letter in the author's code page, shown here as Windows-1252. The bytes
  // reach the core as they are; an edit is encoded back the same way.

  let gameUtf8 = true;
  const ansiDecoder = new TextDecoder('windows-1252');
  const ansiBytes = new Map();  // letter -> byte, for the bytes 0x80 to 0x9F that differ from Latin-1
  for (let b = 0x80; b < 0xA0; ++b) ansiBytes.set(ansiDecoder.decode(new Uint8Array([b])), b);

  function decodeScript(bytes) { return (gameUtf8 ? new TextDecoder('utf-8') : ansiDecoder).decode(bytes); }

  function encodeScript(text) {
    if (gameUtf8) return text;
    const out = new Uint8Array(text.length);
    let n = 0;
    for (const letter of text) {
      const code = letter.codePointAt(0);
      out[n++] = ansiBytes.has(letter) ? ansiBytes.get(letter) : code <= 0xFF ? code : 0x3F;  // '?' as Windows writes it
    }
    return out.subarray(0, n);
  }

  // ---- files -------------------------------------------------------------

  // Takes [{path, size, read()}] of a project folder (paths relative to its
  // parent or to itself; read() gives the bytes). Game.agf and the scripts
  // are read first, then only the files Game.agf names.
  async function openGame(entries, name) {
    await ready;
    playStarted = performance.now();
    let list = entries.filter((e) => e.path);
    const top = list.length && list.every((e) => e.path.includes('/')) ? list[0].path.split('/')[0] : '';
    if (top && list.every((e) => e.path.startsWith(top + '/'))) list = list.map((e) => Object.assign({}, e, { path: e.path.slice(top.length + 1) }));
    list = list.filter((e) => !SKIPPED.test(e.path));
    // The game sits in a folder of its own name beside the page's working
    // folder, so that messages name it as the author knows it.
    const folder = (name || top || 'game').replace(/[\/]/g, '_');
    const byPath = new Map(list.map((e) => [e.path, e]));
    const shown = (path) => !path.includes('/') && /\.(asc|credits|csv|md)$/i.test(path);
    const hasAgf = list.some((e) => e.path.toLowerCase() === 'game.agf');
    const files = new Map();
    tooLarge = [];
    const read = async (path) => {
      const entry = byPath.get(path);
      if (entry.size > LARGEST_FILE) {
        tooLarge.push(`${path} is ${Math.round(entry.size / 1048576)} MB, more than the page reads (${LARGEST_FILE / 1048576} MB at most); the command line reads it`);
        return null;
      }
      const bytes = await entry.read();
      files.set(path, bytes);
      return bytes;
    };
    for (const e of list) if (e.path.toLowerCase() === 'game.agf' || shown(e.path)) await read(e.path);
    game = hasAgf ? { name: folder, paths: list.map((e) => e.path), files, read } : null;
    if (busy) stopPlay();
    const opened = await ask({ type: 'game', name: game ? folder : '', paths: game ? game.paths : [],
      files: game ? [...files].map(([path, bytes]) => ({ path, bytes })) : [] });
    const more = [];
    for (const path of (game && opened.files) || []) {
      if (files.has(path) || !byPath.has(path)) continue;
      const bytes = await read(path);
      if (bytes) more.push({ path, bytes });
    }
    if (more.length) await ask({ type: 'files', name: folder, files: more });
    gameUtf8 = opened.utf8 !== false;
    if (game) game.clips = opened.clips || {};
    showClips();
    scripts.clear();
    for (const [path, bytes] of files) if (shown(path)) scripts.set(path, decodeScript(bytes));
    ui.gameName.textContent = hasAgf ? `Game: ${folder} (${list.length} files, ${files.size} read)` : `${folder}: this folder has no Game.agf`;
    const names = [...scripts.keys()].sort((a, b) => rank(a) - rank(b) || a.localeCompare(b));
    showScripts(names[0] || '');
    soundBuffers.clear();  // the new game's clips are decoded when first played
    freshOpen = true;
    return play();
  }

  // The global script first, then the other scripts, then credits files.
  function rank(name) { return /^globalscript\.asc$/i.test(name) ? 0 : /\.asc$/i.test(name) ? 1 : 2; }

  async function openScriptFile(name, text) {
    await ready;
    playStarted = performance.now();
    scripts.set(name, text);
    showScripts(name);
    freshOpen = true;
    return play();
  }

  // "1:35", "95" or "95.5" as seconds; 0 when it is none of them.
  function secondsOf(text) {
    const match = /^\s*(?:(\d+):)?(\d+(?:\.\d*)?)\s*$/.exec(text || '');
    if (!match) return 0;
    return (match[1] ? Number(match[1]) * 60 : 0) + Number(match[2]);
  }

  // The game's clips a sheet's roll can be fitted to.
  function showClips() {
    ui.fitClip.length = 1;
    for (const name of Object.keys((game && game.clips) || {}).sort()) {
      const option = document.createElement('option');
      option.textContent = name;
      ui.fitClip.appendChild(option);
    }
  }

  // A clip chosen: its length, as the browser decodes it, becomes the length to fit to.
  async function fitToClip() {
    const path = game && game.clips && game.clips[ui.fitClip.value];
    if (!path) return;
    if (!audio && window.AudioContext) audio = new AudioContext();
    const bytes = game.files.get(path) || (await game.read(path));
    if (!bytes || !audio) return;
    try {
      const buffer = await audio.decodeAudioData(bytes.slice().buffer);
      const seconds = buffer.duration;
      ui.fitLength.value = `${Math.floor(seconds / 60)}:${(seconds % 60).toFixed(2).padStart(5, '0')}`;
      await play();
    } catch (e) {
      messages = [{ kind: 'warning', file: path, line: 0, text: `${path}: the browser cannot decode this clip` }];
      showMessages();
    }
  }

  function showScripts(selected) {
    ui.scriptFile.innerHTML = '';
    for (const name of scripts.keys()) {
      const option = document.createElement('option');
      option.textContent = name;
      ui.scriptFile.appendChild(option);
    }
    current = selected;
    ui.scriptFile.value = selected;
    ui.source.value = scripts.get(selected) || '';
    updateGutter();
  }

  // The functions a script defines, for the choice of the one that plays the credits.
  // The functions the core read in the script, from the last play; those
  // that cannot play the credits are listed with why, and cannot be chosen.
  function listFunctions() {
    if (!info || !info.functions_read) return;
    const keep = ui.entry.value;
    ui.entry.innerHTML = '<option value="">(as the command line chooses)</option>';
    for (const fn of info.functions) {
      const option = document.createElement('option');
      option.value = fn.name;
      option.textContent = fn.note ? `${fn.name} (${fn.note})` : fn.name;
      option.disabled = Boolean(fn.note);
      ui.entry.appendChild(option);
    }
    if (info.functions.some((fn) => fn.name === keep && !fn.note)) ui.entry.value = keep;
  }

  // The files of what was dropped, not yet read.
  async function listDrop(items) {
    const entries = [];
    const walk = async (entry, prefix) => {
      if (entry.isFile) {
        const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
        entries.push(fileEntry(prefix + file.name, file));
      } else if (entry.isDirectory) {
        const reader = entry.createReader();
        for (;;) {
          const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
          if (!batch.length) break;
          for (const child of batch) await walk(child, prefix + entry.name + '/');
        }
      }
    };
    for (const entry of items) await walk(entry, '');
    return entries;
  }

  function fileEntry(path, file) {
    return { path, size: file.size, read: async () => new Uint8Array(await file.arrayBuffer()) };
  }

  // ---- playing -----------------------------------------------------------

  let playSerial = 0;   // the play last asked for
  let lastPlay = Promise.resolve();

  // Plays the script shown, in the worker; an earlier play still going on ends.
  function play() {
    if (!current && !ui.source.value.trim()) {  // a folder with no script: nothing to play, and no error for it
      messages = [];
      showMessages();
      return Promise.resolve();
    }
    scripts.set(current, ui.source.value);
    const name = current || 'credits.credits';
    const serial = ++playSerial;
    if (busy) newWorker();
    if (!freshOpen) playStarted = performance.now();  // (an opening counts from the open)
    firstPictureMs = -1;
    busy = true;
    pause();
    ui.stop.disabled = false;
    setStatus('playing');
    const bytes = encodeScript(ui.source.value);
    const entry = ui.entry.value;
    const isSheet = /\.(csv|md)$/i.test(name);
    ui.fit.hidden = !isSheet;
    const fit = isSheet ? secondsOf(ui.fitLength.value) : 0;
    lastPlay = readRoom(name)
      .then(() => ask({ type: 'play', game: game ? game.name : '', name, bytes, entry, fit }))
      .then((answer) => (serial === playSerial && !answer.ended ? played(answer) : undefined));
    return lastPlay;
  }

  // The room a play of the script NAME draws under the credits, read when it
  // is first needed (a game's other rooms are never read).
  async function readRoom(name) {
    if (!game) return;
    const { path } = await ask({ type: 'room', name: game.name, script: name });
    if (!path || game.files.has(path) || !game.paths.includes(path)) return;
    const bytes = await game.read(path);
    if (bytes) await ask({ type: 'files', name: game.name, files: [{ path, bytes }] });
  }

  // Ends the play going on; the last picture stays.
  function stopPlay() {
    if (!busy) return;
    playSerial += 1;
    newWorker();
    ui.stop.disabled = true;
    info = noPlay;
    messages = [{ kind: 'note', file: '', line: 0, text: 'the play was stopped: edit the script or press Play to play it again' }];
    showMessages();
    for (const button of [ui.back, ui.step, ui.saveGif, ui.savePng, ui.saveSheet]) button.disabled = true;
    ui.play.disabled = false;
    ui.clock.textContent = 'stopped';
    setStatus('');
  }

  // What a play's first picture with something on it looks like, shown as
  // soon as it is drawn when nothing of this script shows yet.
  function firstPicture({ pixels, width, height, index }) {
    if (firstPictureMs < 0) firstPictureMs = performance.now() - playStarted;
    if (!freshOpen && shownOnce) return;
    ui.canvas.width = width;
    ui.canvas.height = height;
    info = Object.assign({}, noPlay, { width, height });
    applyScale();
    context.putImageData(new ImageData(new Uint8ClampedArray(pixels.buffer), width, height), 0, 0);
    ui.clock.textContent = `frame ${index}, while the rest plays`;
  }

  function played(answer) {
    busy = false;
    ui.stop.disabled = true;
    drawn = -1;
    if (answer.failure) {
      // A failure inside the page (its stack, its memory) is said in words, in place of the last play's messages.
      const why = /call stack/i.test(answer.failure)
        ? 'the script nests blocks and calls deeper than the browser lets the page follow; the command line plays it'
        : answer.failure;
      messages = [{ kind: 'error', file: '', line: 0, text: `the play stopped inside the page: ${why}` }];
      info = noPlay;
      newWorker();
    } else {
      messages = answer.messages;
      info = answer.info;
      lastPlayMs = answer.ms;
    }
    if (game) for (const text of tooLarge) messages.unshift({ kind: 'error', file: '', line: 0, text });
    listFunctions();
    frameTimes = [];
    let time = 0;
    for (let i = 0, s = 0; i <= info.frames; ++i) {
      while (s + 1 < info.speeds.length && info.speeds[s + 1][0] <= i) ++s;
      frameTimes.push(time);
      time += 1 / (info.speeds.length ? info.speeds[s][1] : info.fps);
    }
    const failed = info.frames === 0 && messages.some((m) => m.kind === 'error');
    const keepPicture = failed && shownOnce && !freshOpen;
    if (!keepPicture) {  // (giving the canvas a size clears it, even the size it has)
      ui.canvas.width = info.width;
      ui.canvas.height = info.height;
      applyScale();
    }
    ui.position.max = Math.max(0, info.frames - 1);
    showMessages();
    updateGutter();
    // A script just opened shows its first picture with something on it, not a black frame 0.
    if (freshOpen) frame = Math.max(0, info.first_shown);
    freshOpen = false;
    let shown = Promise.resolve();
    if (keepPicture) {
      // The last good picture stays while the script is being mended.
      ui.clock.textContent = 'the last picture that played (the script has an error)';
    } else {
      shown = show(Math.min(frame, Math.max(0, info.frames - 1)));
      shownOnce = info.frames > 0;
    }
    const enabled = info.frames > 0;
    for (const button of [ui.play, ui.back, ui.step, ui.saveGif, ui.savePng, ui.saveSheet]) button.disabled = !enabled;
    setStatus(!enabled ? '' : info.first_shown < 0 ? `${info.frames} frames, nothing drawn yet: press Play`
      : `${info.frames} frames, played in ${(lastPlayMs / 1000).toFixed(2)} s`);
    return shown;
  }

  // Shows frame INDEX; the promise is kept once it is drawn. The worker is
  // asked for one frame at a time, the one wanted last.
  let drawn = -1;
  let inFlight = null;
  function show(index) {
    frame = Math.max(0, Math.min(index, info.frames - 1));
    if (info.frames === 0) {
      context.fillStyle = '#000';
      context.fillRect(0, 0, ui.canvas.width, ui.canvas.height);
      ui.clock.textContent = 'no frames';
      return Promise.resolve();
    }
    ui.position.value = frame;
    ui.clock.textContent = `frame ${frame} / ${info.frames}, ${frameTimes[frame].toFixed(2)} s`;
    return drawFrame();
  }

  function drawFrame() {
    if (drawn === frame || info.frames === 0) return Promise.resolve();
    if (inFlight) return inFlight.then(drawFrame);
    const asked = frame;
    inFlight = ask({ type: 'frame', index: asked }).then((answer) => {
      inFlight = null;
      drawn = asked;
      if (answer.pixels && answer.width === ui.canvas.width && answer.height === ui.canvas.height) {
        context.putImageData(new ImageData(new Uint8ClampedArray(answer.pixels.buffer), answer.width, answer.height), 0, 0);
      }
    });
    return inFlight.then(drawFrame);
  }

  function start() {
    if (info.frames === 0) return;
    if (frame >= info.frames - 1) show(0);
    if (!audio && window.AudioContext) audio = new AudioContext();
    if (audio && audio.state === 'suspended') audio.resume();
    playing = true;
    ui.play.textContent = 'Pause';
    playFrom = frame;
    playStart = performance.now();  // after the sound is set up, which can take a while
    requestAnimationFrame(tick);
  }

  function pause() {
    playing = false;
    ui.play.textContent = 'Play';
  }

  function tick() {
    if (!playing) return;
    const elapsed = (performance.now() - playStart) / 1000 + frameTimes[playFrom];
    let next = frame;
    while (next + 1 < info.frames && frameTimes[next + 1] <= elapsed) ++next;
    if (next !== frame) {
      for (const [at, number] of info.sounds) if (at > frame && at <= next) playSound(number);
      show(next);
    }
    if (frame >= info.frames - 1) return pause();
    requestAnimationFrame(tick);
  }

  // The typing sounds: the game's clip for the number, decoded by the browser.
  async function loadSound(number) {
    const path = info.sound_files[number];
    if (!path || !audio) return null;
    const relative = game && path.startsWith(game.name + '/') ? path.slice(game.name.length + 1) : path;
    const bytes = game && game.files.get(relative);
    if (!bytes) return null;
    try {
      const buffer = await audio.decodeAudioData(bytes.slice().buffer);
      soundBuffers.set(number, buffer);
      return buffer;
    } catch (e) {
      return null;
    }
  }

  function playSound(number) {
    if (!audio) return;
    const buffer = soundBuffers.get(number);
    if (buffer === undefined) {
      soundBuffers.set(number, null);
      loadSound(number).then((b) => b && playSound(number));
      return;
    }
    if (!buffer) return;
    const source = audio.createBufferSource();
    source.buffer = buffer;
    source.connect(audio.destination);
    source.start();
  }

  // The scale chosen, or by default the largest whole one at which the game's
  // screen fits beside the script and above the controls (at least 1).
  function fittingScale() {
    const pane = document.getElementById('view-pane');
    const width = pane.clientWidth - 4;
    const height = window.innerHeight - pane.getBoundingClientRect().top - 140;
    return Math.max(1, Math.min(Math.floor(width / info.width), Math.floor(height / info.height)));
  }

  function applyScale() {
    const scale = Number(ui.scale.value) || fittingScale();
    ui.canvas.style.width = info.width * scale + 'px';
    ui.canvas.style.height = info.height * scale + 'px';
  }

  // ---- messages and the editor ------------------------------------------

  function showMessages() {
    ui.messages.innerHTML = '';
    for (const m of messages) {
      const item = document.createElement('li');
      item.className = m.kind;
      const where = m.file ? `${m.file}${m.line ? ':' + m.line : ''}: ` : '';
      item.textContent = `${where}${m.kind}: ${m.text}${m.hint || ''}`;
      if (m.line > 0) {
        item.dataset.line = m.line;
        item.dataset.file = m.file;
        item.addEventListener('click', () => goToLine(m.file, m.line));
      }
      ui.messages.appendChild(item);
    }
  }

  function goToLine(file, line) {
    if (file && scripts.has(file) && file !== current) {
      scripts.set(current, ui.source.value);
      showScripts(file);
    }
    const lines = ui.source.value.split('\n');
    let offset = 0;
    for (let i = 0; i < line - 1 && i < lines.length; ++i) offset += lines[i].length + 1;
    const end = offset + (lines[line - 1] || '').length;
    ui.source.focus();
    ui.source.setSelectionRange(offset, end);
    const lineHeight = 18;
    ui.source.scrollTop = Math.max(0, (line - 5) * lineHeight);
    ui.gutter.scrollTop = ui.source.scrollTop;
  }

  // Line numbers; a line an error names in the script shown is marked.
  function updateGutter() {
    const count = ui.source.value.split('\n').length;
    const wrong = new Set(messages.filter((m) => m.kind === 'error' && m.line > 0 && (!m.file || m.file === current))
      .map((m) => m.line));
    ui.gutter.innerHTML = '';
    for (let i = 1; i <= count; ++i) {
      const number = document.createElement('span');
      number.textContent = i + '\n';
      if (wrong.has(i)) number.className = 'error-line';
      ui.gutter.appendChild(number);
    }
    ui.gutter.scrollTop = ui.source.scrollTop;
  }

  // ---- saving ------------------------------------------------------------

  async function save(kind, argument) {
    const answer = await ask({ type: 'save', kind, argument });
    if (answer.error || answer.failure) {
      messages.push({ kind: 'error', file: '', line: 0, text: answer.error || answer.failure });
      showMessages();
      return null;
    }
    return answer.bytes || null;
  }

  function download(bytes, name, type) {
    if (!bytes) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], { type }));
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }

  const baseName = () => (current || 'credits').replace(/\.[^.]*$/, '');

  // ---- wiring ------------------------------------------------------------

  ui.folder.addEventListener('change', async () => {
    const entries = [...ui.folder.files].map((file) => fileEntry(file.webkitRelativePath || file.name, file));
    await openGame(entries);
    ui.folder.value = '';
  });
  ui.scriptInput.addEventListener('change', async () => {
    const file = ui.scriptInput.files[0];
    if (file) await openScriptFile(file.name, decodeScript(new Uint8Array(await file.arrayBuffer())));
    ui.scriptInput.value = '';
  });
  ui.scriptFile.addEventListener('change', () => {
    scripts.set(current, ui.source.value);
    showScripts(ui.scriptFile.value);
    play();
  });
  ui.entry.addEventListener('change', play);
  ui.fitLength.addEventListener('change', play);
  ui.fitClip.addEventListener('change', fitToClip);
  let typing = 0;
  let typed = null;  // ends the promise of the typing that waits to play
  ui.source.addEventListener('input', () => {
    updateGutter();
    clearTimeout(typing);
    if (!typed) typingEnds = new Promise((resolve) => { typed = resolve; });
    typing = setTimeout(() => {
      const resolve = typed;
      typed = null;
      play().then(resolve);
    }, 400);
  });
  ui.source.addEventListener('scroll', () => { ui.gutter.scrollTop = ui.source.scrollTop; });
  ui.play.addEventListener('click', () => (playing ? pause() : info.frames === 0 ? play() : start()));
  ui.back.addEventListener('click', () => { pause(); show(frame - 1); });
  ui.step.addEventListener('click', () => { pause(); show(frame + 1); });
  ui.position.addEventListener('input', () => {
    show(Number(ui.position.value));
    if (playing) { playFrom = frame; playStart = performance.now(); }
  });
  ui.scale.addEventListener('change', applyScale);
  window.addEventListener('resize', () => { if (ui.scale.value === '0') applyScale(); });
  ui.saveGif.addEventListener('click', async () => download(await save('gif', 0), baseName() + '.gif', 'image/gif'));
  ui.savePng.addEventListener('click', async () => {
    const at = frame;
    download(await save('png', at), `${baseName()}-frame-${at}.png`, 'image/png');
  });
  ui.saveSheet.addEventListener('click', async () => download(await save('sheet', 12), baseName() + '-sheet.png', 'image/png'));
  ui.stop.addEventListener('click', stopPlay);
  document.addEventListener('keydown', (event) => {
    if (event.target === ui.source || event.code !== 'Space') return;
    event.preventDefault();
    playing ? pause() : start();
  });
  document.addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dragging'); });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', async (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    const items = [...event.dataTransfer.items].map((item) => item.webkitGetAsEntry()).filter(Boolean);
    if (items.length === 1 && items[0].isFile && /\.(asc|credits|txt|csv|md)$/i.test(items[0].name)) {
      const file = event.dataTransfer.files[0];
      return openScriptFile(file.name, decodeScript(new Uint8Array(await file.arrayBuffer())));
    }
    const entries = await listDrop(items);
    await openGame(entries, items.length === 1 && items[0].isDirectory ? items[0].name : '');
  });
  for (const button of [ui.play, ui.back, ui.step, ui.stop, ui.saveGif, ui.savePng, ui.saveSheet]) button.disabled = true;

  // What the page's test drives: the same steps as a person's, without the file picker.
  // What the page's test drives: the same steps as a person's, without the
  // file picker. Each step's promise is kept once its play has ended.
  let typingEnds = Promise.resolve();
  window.rollwick = {
    ready,
    openGame: (files, name) => openGame(files.map((f) => {
      const bytes = Uint8Array.from(atob(f.base64), (c) => c.charCodeAt(0));
      return { path: f.path, size: f.size || bytes.length, read: async () => bytes };
    }), name),
    gameFilesRead: () => (game ? [...game.files.keys()] : []),
    openScript: openScriptFile,
    setEntry: (name) => { ui.entry.value = name; return play(); },
    fitTo: (length) => { ui.fitLength.value = length; return play(); },
    edit: (text) => { ui.source.value = text; ui.source.dispatchEvent(new Event('input')); },
    settled: async () => { await typingEnds; await lastPlay; },
    stop: stopPlay,
    busy: () => busy,
    show,
    start,
    pause,
    info: () => info,
    messages: () => messages,
    frame: () => frame,
    playing: () => playing,
    lastPlayMs: () => lastPlayMs,
    firstPictureMs: () => firstPictureMs,
    save: async (kind, argument) => {
      const bytes = await save(kind, argument);
      let text = '';
      for (let i = 0; bytes && i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      return btoa(text);
    },
  };
})();
