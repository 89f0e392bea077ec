// The page in Debian's headless Chromium, driven through its DevTools
// protocol: every engine reference case plays frame for frame as the command
// line plays it, a long roll keeps the game's speed, warnings and errors show
// with their lines, and a GIF saved from the page is the command line's GIF.
//   node tests/web/page_test.js PAGE_DIR BUILD_DIR
// PAGE_DIR holds rollwick.html; BUILD_DIR the command line (rollwick-preview).
// Prints the figures, then "N passed, N failed"; exits 1 on a failure.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync, spawnSync } = require('child_process');
const puppeteer = require('puppeteer-core');

const [pageDir, buildDir] = process.argv.slice(2).map((p) => path.resolve(p));
const root = path.resolve(__dirname, '..', '..');
const preview = path.join(buildDir, 'rollwick-preview');
const cases = fs.readdirSync(path.join(root, 'tests/engine-reference'))
  .filter((name) => fs.existsSync(path.join(root, 'tests/engine-reference', name, 'game')))
  .sort();
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'rollwick-page-'));
let passed = 0;
let failed = 0;
const check = (ok, what, detail) => {
  if (ok) passed += 1;
  else failed += 1;
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}${detail ? ` (${detail})` : ''}`);
};

// The command line's frames of SCRIPT (with the game in GAME, if given), as
// paths in order; what it said goes in SAID, as the page words a message
// ("FILE:LINE: KIND: TEXT", or "KIND: TEXT").
function commandLineFrames(script, game, out, said = []) {
  const run = spawnSync(preview, [script, ...(game ? ['--game', game] : []), '--frames', out, '-q'], { encoding: 'utf8' });
  if (run.status !== 0) throw new Error(`the command line failed on ${script}: ${run.stderr}`);
  // The page names the script by its name and the game's files from the
  // game's folder on.
  const folder = path.dirname(script) + '/';
  const gameParent = game ? path.dirname(game) + '/' : folder;
  for (const line of run.stderr.split('\n').filter(Boolean)) {
    // (Each front end words its own hint: the command line's names an option.)
    let text = line.replace(/ \((give|name|install) [^()]*\)$/, '');
    if (text.startsWith('rollwick-preview: ')) text = text.slice('rollwick-preview: '.length);
    said.push(text.startsWith(folder) ? text.slice(folder.length) : text.replace(gameParent, ''));
  }
  return fs.readdirSync(out).filter((f) => f.endsWith('.png')).sort().map((f) => path.join(out, f));
}

// The page's messages as the command line prints them, each without its hint. A typing sound with no
// file is the page's alone: it plays the sounds, as a video does, and a GIF has none.
function pageMessages(messages) {
  return messages.filter((m) => !/; the typing is silent/.test(m.text))
    .map((m) => `${m.file && m.line ? `${m.file}:${m.line}: ` : ''}${m.kind}: ${m.text}`);
}

// Shows every frame the page played and compares it, byte for byte, with
// the command line's PNG read through the browser's own decoder.
function compareFrames(page, frames) {
  return page.evaluate(async (urls) => {
    const digest = async (bytes) => Array.from(new Uint8Array(await crypto.subtle.digest('SHA-1', bytes)))
      .map((b) => b.toString(16).padStart(2, '0')).join('');
    const canvas = document.getElementById('frame');
    const context = canvas.getContext('2d');
    const scratchCanvas = document.createElement('canvas');
    const scratchContext = scratchCanvas.getContext('2d', { willReadFrequently: true });
    const info = window.rollwick.info();
    let same = 0;
    const differing = [];
    let showMs = 0;
    for (let i = 0; i < urls.length; ++i) {
      const t = performance.now();
      await window.rollwick.show(i);
      showMs += performance.now() - t;
      const shown = await digest(context.getImageData(0, 0, canvas.width, canvas.height).data);
      const image = await createImageBitmap(await (await fetch(urls[i])).blob(), { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
      scratchCanvas.width = image.width;
      scratchCanvas.height = image.height;
      scratchContext.drawImage(image, 0, 0);
      const expected = await digest(scratchContext.getImageData(0, 0, image.width, image.height).data);
      if (shown === expected) same += 1;
      else if (differing.length < 5) differing.push(i);
    }
    return { frames: info.frames, same, differing, showMs: showMs / Math.max(1, urls.length), playMs: window.rollwick.lastPlayMs(), firstMs: window.rollwick.firstPictureMs(), errors: window.rollwick.messages().filter((m) => m.kind === 'error') };
  }, frames.map((f) => 'file://' + f));
}

// The tab's memory in MB: the resident size of the page's renderer process
// (its worker runs in it too), the largest of the renderers of the browser
// BROWSER_PID; the browser's shared libraries count in it.
function rendererMegabytes(browserPid) {
  const parent = (pid) => Number(fs.readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /, '').split(' ')[1]);
  let kilobytes = 0;
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!command.includes('--type=renderer')) continue;
      let above = Number(pid);
      for (let i = 0; i < 8 && above > 1 && above !== browserPid; ++i) above = parent(above);
      if (above !== browserPid) continue;
      const rss = /VmRSS:\s+(\d+) kB/.exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'));
      if (rss) kilobytes = Math.max(kilobytes, Number(rss[1]));
    } catch (e) { /* gone meanwhile */ }
  }
  return kilobytes / 1024;
}

// Runs in the page: window.sampleAnswers() starts sampling, every 20 ms, how
// long the page's thread is kept from an event; the function it returns stops
// and gives the longest, in ms.
function installAnswerSampling() {
  window.sampleAnswers = () => {
    let worst = 0;
    let last = performance.now();
    let sampling = true;
    const sample = () => {
      const now = performance.now();
      worst = Math.max(worst, now - last - 20);
      last = now;
      if (sampling) setTimeout(sample, 20);
    };
    setTimeout(sample, 20);
    return () => {
      sampling = false;
      return worst;
    };
  };
}

// Whether the page's frames and messages are FRAMES and SAID, the command line's; and how they differ.
async function sameAsCommandLine(page, frames, said) {
  const result = await compareFrames(page, frames);
  const listed = pageMessages(await page.evaluate(() => window.rollwick.messages()));
  return {
    ok: result.frames === frames.length && result.same === frames.length && JSON.stringify(listed) === JSON.stringify(said),
    detail: `${result.same} / ${frames.length} identical, ${result.frames} frames on the page; first differing ` +
      `${result.differing.join(', ')}; page: ${JSON.stringify(listed)}; command line: ${JSON.stringify(said)}`,
  };
}

// Opens FILE as a script without a game and compares the page's play of it with the command line's.
async function scriptPlaysAsCommandLine(page, file, out) {
  const said = [];
  const frames = commandLineFrames(file, '', out, said);
  await page.evaluate((name, text) => window.rollwick.openScript(name, text), path.basename(file), fs.readFileSync(file, 'utf8'));
  return sameAsCommandLine(page, frames, said);
}

function gameFiles(folder) {
  return fs.readdirSync(folder).map((name) => ({ path: name, base64: fs.readFileSync(path.join(folder, name)).toString('base64') }));
}

(async () => {
  const launch = () => puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--allow-file-access-from-files', '--autoplay-policy=no-user-gesture-required'],
  });
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(installAnswerSampling);
    await page.setViewport({ width: 1400, height: 900 });
    const pageErrors = [];
    page.on('pageerror', (error) => pageErrors.push(String(error)));
    const opened = Date.now();
    await page.goto('file://' + path.join(pageDir, 'rollwick.html'));
    await page.evaluate(() => window.rollwick.ready.then(() => true));
    console.log(`page: ${fs.statSync(path.join(pageDir, 'rollwick.html')).size} bytes, ready in ${Date.now() - opened} ms`);

    // Reads every frame back from the canvas, and the command line's PNGs
    // through the browser's own decoder, and compares them byte for byte.
    for (const name of cases) {
      const caseDir = path.join(root, 'tests/engine-reference', name);
      const said = [];
      const frames = commandLineFrames(path.join(caseDir, 'credits.credits'), path.join(caseDir, 'game'), path.join(scratch, name), said);
      await page.evaluate((files) => window.rollwick.openGame(files, 'game'), gameFiles(path.join(caseDir, 'game')));
      await page.evaluate((text) => window.rollwick.openScript('credits.credits', text),
        fs.readFileSync(path.join(caseDir, 'credits.credits'), 'utf8'));
      const result = await compareFrames(page, frames);
      check(result.frames === frames.length && result.same === frames.length, `${name}: frames identical to the command line's`,
        `${result.same} / ${frames.length} identical, ${result.frames} frames on the page; first differing ${result.differing.join(', ')}; ` +
        `first picture ${result.firstMs.toFixed(0)} ms after opening, played in ${result.playMs.toFixed(0)} ms, ${result.showMs.toFixed(2)} ms a frame shown` +
        (result.errors.length ? `; ${JSON.stringify(result.errors)}` : ''));
      const listed = pageMessages(await page.evaluate(() => window.rollwick.messages()));
      check(JSON.stringify(listed) === JSON.stringify(said), `${name}: the page's messages are the command line's`,
        `page: ${JSON.stringify(listed)}; command line: ${JSON.stringify(said)}`);
    }

    // The tab's memory with each case open and played, each in a browser of
    // its own (the comparison above decodes thousands of pictures in the page).
    {
      const figures = [];
      for (const name of cases) {
        const caseDir = path.join(root, 'tests/engine-reference', name);
        const alone = await launch();
        const fresh = await alone.newPage();
        await fresh.goto('file://' + path.join(pageDir, 'rollwick.html'));
        await fresh.evaluate(() => window.rollwick.ready.then(() => true));
        await fresh.evaluate((files) => window.rollwick.openGame(files, 'game'), gameFiles(path.join(caseDir, 'game')));
        await fresh.evaluate((text) => window.rollwick.openScript('credits.credits', text),
          fs.readFileSync(path.join(caseDir, 'credits.credits'), 'utf8'));
        figures.push(`${name.split('-')[0]} ${rendererMegabytes(alone.process().pid).toFixed(0)} MB`);
        await alone.close();
      }
      console.log(`the tab with each case played: ${figures.join(', ')}`);
    }

    // A script opened without a game draws in the default font the page carries, as the command line draws it.
    {
      await page.goto('file://' + path.join(pageDir, 'rollwick.html'));
      await page.evaluate(() => window.rollwick.ready.then(() => true));
      const same = await scriptPlaysAsCommandLine(page, path.join(root, 'examples/demo.credits'), path.join(scratch, 'no-game'));
      check(same.ok, 'a script without a game: frames and messages identical to the command line\'s', same.detail);
    }

    // A sheet opened as a script plays as the command line plays it.
    {
      const sheet = path.join(root, 'examples/credits-sheet.md');
      const same = await scriptPlaysAsCommandLine(page, sheet, path.join(scratch, 'sheet'));
      check(same.ok, 'a sheet: frames and messages identical to the command line\'s', same.detail);
      // Fitted to a length, as --duration fits it.
      await page.evaluate(() => window.rollwick.fitTo('0:20'));
      const fitted = await page.evaluate(() => ({ frames: window.rollwick.info().frames, said: window.rollwick.messages().map((m) => m.text) }));
      const cli = spawnSync(preview, [sheet, '--duration', '0:20', '--frames', path.join(scratch, 'sheet-fitted'), '-q'], { encoding: 'utf8' });
      const cliFrames = fs.readdirSync(path.join(scratch, 'sheet-fitted')).length;
      check(Math.abs(fitted.frames - 800) <= 1 && fitted.frames === cliFrames && fitted.said.some((t) => t.startsWith('fitted to 20.00 s (800 frames at 40 a second)')),
        'a sheet fitted to 0:20 on the page lasts the command line\'s 800 frames', `page ${fitted.frames} frames, command line ${cliFrames} (${cli.status}); ${JSON.stringify(fitted.said)}`);
    }

    // An ANSI game whose script is Windows-1252 (accents, the euro sign, the oe
    // ligature) in TrueType and WFN: the page passes the bytes as they are.
    {
      const ansi = path.join(scratch, 'ansi-game');
      fs.mkdirSync(ansi);
      const source = path.join(root, 'tests/engine-reference', cases.find((c) => c.startsWith('A9')), 'game');
      for (const name of fs.readdirSync(source)) fs.copyFileSync(path.join(source, name), path.join(ansi, name));
      const agf = path.join(ansi, 'Game.agf');
      fs.writeFileSync(agf, fs.readFileSync(agf, 'utf8').replace('<GameTextEncoding>utf-8</GameTextEncoding>', '<GameTextEncoding>ANSI</GameTextEncoding>'));
      const text = 'SetCredit(1, 1, "Zoë Brand", -1, 0, 15);\nSetCredit(1, 2, "Cœur<.>5 €", 10, 0, 15);\n' +
        'SetCredit(1, 3, "Zoë Brand", -1, 1, 15);\nSetCredit(1, 4, "Cœur<.>5 €", 10, 1, 15);\n' +
        'SequenceSettings(1, 0, 0, 1, 1, 10);\nRunCreditSequence(1);\nwhile (IsSequenceFinished(1) == 0) Wait(1);\n';
      const script = path.join(ansi, 'ansi.credits');
      fs.writeFileSync(script, Buffer.from(text.replace(/œ/g, '\x9c').replace(/€/g, '\x80'), 'latin1'));
      const said = [];
      const frames = commandLineFrames(script, ansi, path.join(scratch, 'ansi-frames'), said);
      await page.evaluate((files) => window.rollwick.openGame(files, 'ansi-game'), gameFiles(ansi));
      const same = await sameAsCommandLine(page, frames, said);
      check(same.ok, 'an ANSI game with a Windows-1252 script: frames and messages identical to the command line\'s', same.detail);
    }

    // The functions offered are those the core reads: none from a comment or
    // from code the preprocessor leaves out; one that takes parameters is
    // listed with why, and cannot be chosen.
    {
      await page.evaluate((text) => window.rollwick.openScript('listed.asc', text),
        '// function in_a_comment() {}\n#ifdef NEVER\nfunction left_out() {}\n#endif\n' +
        'function credit(int n) {\n  Wait(n);\n}\nfunction play_credits() {\n  credit(2);\n}\n');
      const offered = await page.evaluate(() => [...document.querySelectorAll('#entry option')].map((o) => `${o.textContent}${o.disabled ? ' [disabled]' : ''}`));
      const expected = ['(as the command line chooses)', 'credit (takes 1 parameter) [disabled]', 'play_credits'];
      check(JSON.stringify(offered) === JSON.stringify(expected), 'the functions offered are the ones the core reads', offered.join(', '));
    }

    // A GIF saved from the page is the command line's GIF.
    const demo = path.join(root, 'tests/engine-reference', cases[0]);
    const cliGif = path.join(scratch, 'cli.gif');
    execFileSync(preview, [path.join(demo, 'credits.credits'), '--game', path.join(demo, 'game'), '-o', cliGif, '-q']);
    await page.evaluate((files) => window.rollwick.openGame(files, 'game'), gameFiles(path.join(demo, 'game')));
    await page.evaluate((text) => window.rollwick.openScript('credits.credits', text), fs.readFileSync(path.join(demo, 'credits.credits'), 'utf8'));
    const gif = Buffer.from(await page.evaluate(() => window.rollwick.save('gif', 0)), 'base64');
    check(gif.equals(fs.readFileSync(cliGif)), 'a GIF saved from the page is the command line\'s', `${gif.length} and ${fs.statSync(cliGif).size} bytes`);
    await page.evaluate(() => window.rollwick.show(300));
    await page.screenshot({ path: path.join(pageDir, 'screenshot.png') });

    // A warning and an error, each with its line, in the list.
    const warned = await page.evaluate(async () => {
      window.rollwick.edit('SetCredit(1, 1, "Hello", -1, 0, 70000);\nSequenceSettings(1, 0, 0, 1, 1, 0);\nRunCreditSequence(1);\nwhile (IsSequenceFinished(1) == 0) Wait(1);\n');
      await window.rollwick.settled();
      return window.rollwick.messages();
    });
    const warning = warned.find((m) => m.kind === 'warning' && m.line === 1);
    check(Boolean(warning), 'a warning is listed with its line', warning ? `${warning.file}:${warning.line}: ${warning.text}` : JSON.stringify(warned));
    const failedPlay = await page.evaluate(async () => {
      window.rollwick.edit('SetCredit(1, 1, "Hello", -1, 0, 15);\nSequenceSettings(1, 0, 0, 1, 1 0);\n');
      await window.rollwick.settled();
      return {
        messages: window.rollwick.messages(),
        listed: [...document.querySelectorAll('#messages li.error[data-line]')].map((li) => li.textContent),
      };
    });
    const kept = await page.evaluate(() => {
      const canvas = document.getElementById('frame');
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let lit = false;
      for (let i = 0; i < pixels.length && !lit; i += 4) lit = pixels[i] !== pixels[0] || pixels[i + 1] !== pixels[1] || pixels[i + 2] !== pixels[2];
      return { lit, marked: [...document.querySelectorAll('#gutter .error-line')].map((n) => n.textContent.trim()) };
    });
    check(kept.lit && kept.marked.join() === '2', 'after an error the last picture stays and the line is marked',
      `picture kept: ${kept.lit}; marked lines: ${kept.marked.join(', ')}`);
    const error = failedPlay.messages.find((m) => m.kind === 'error' && m.line === 2);
    check(Boolean(error) && failedPlay.listed.length === 1, 'an error is listed with its line, and clicking goes there',
      error ? failedPlay.listed[0] : JSON.stringify(failedPlay));
    const selected = await page.evaluate(() => {
      document.querySelector('#messages li.error[data-line]').click();
      const source = document.getElementById('source');
      return source.value.slice(source.selectionStart, source.selectionEnd);
    });
    check(selected === 'SequenceSettings(1, 0, 0, 1, 1 0);', 'clicking the error selects its line', selected);
    // Scripts that never end stop with the command line's messages.
    const endless = await page.evaluate(async () => {
      window.rollwick.edit('SetCredit(1, 1, "Hello", -1, 0, 15);\nwhile (IsSequenceFinished(1) == 0) Wait(1);\n');
      await window.rollwick.settled();
      return window.rollwick.messages();
    });
    const never = endless.find((m) => m.kind === 'error' && /will never answer 1/.test(m.text));
    check(Boolean(never) && never.line === 2, 'a wait that never ends is an error at its line', never ? never.text : JSON.stringify(endless));
    // Meanwhile the page answers: the longest its thread is kept from an
    // event, sampled every 20 ms, and the time a click on Stop takes to end
    // a play that would go on.
    const capped = await page.evaluate(async () => {
      const longestWait = window.sampleAnswers();
      window.rollwick.edit('RunCreditSequence(7);\nwhile (IsSequenceFinished(7) == 0) Wait(1);\n');
      await window.rollwick.settled();
      return { messages: window.rollwick.messages(), frames: window.rollwick.info().frames, worst: longestWait() };
    });
    check(capped.worst < 100, 'the page answers throughout a play that runs to the limit', `longest wait for an event ${capped.worst.toFixed(0)} ms`);
    {
      await page.evaluate(() => window.rollwick.edit('RunCreditSequence(7);\nwhile (IsSequenceFinished(7) == 0) Wait(1);\n'));
      await page.waitForFunction(() => window.rollwick.busy(), { polling: 10 });
      await new Promise((resolve) => setTimeout(resolve, 1000));
      const stopMs = await page.evaluate(() => {
        const clicked = performance.now();
        document.getElementById('stop').click();
        return window.rollwick.busy() ? Infinity : performance.now() - clicked;
      });
      const after = await page.evaluate(() => window.rollwick.messages().map((m) => m.text));
      check(stopMs < 100 && after.some((t) => t.includes('stopped')), 'Stop ends a play at once', `${stopMs.toFixed(1)} ms; ${after.join(' | ')}`);
    }
    const cap = capped.messages.find((m) => m.kind === 'error');
    check(Boolean(cap) && capped.frames === 0 && cap.text.startsWith('the credits did not end within 100000 frames (2500 s of the game)'),
      'a script that waits for ever stops at the command line\'s limit', cap ? cap.text : JSON.stringify(capped));

    // A 640x400 roll of 60 s at 40 frames a second keeps up with the clock.
    let roll = 'CreditsSettings(8);\n';
    for (let i = 1; i <= 100; ++i) roll += `SetCredit(1, ${i}, "Role number ${i}<.>Person ${i}", -1, 0, 15);\n`;
    roll += 'SequenceSettings(1, 0, 0, 1, 1, 797);\nRunCreditSequence(1);\nwhile (IsSequenceFinished(1) == 0) Wait(1);\n';
    const big = path.join(scratch, 'big');
    fs.mkdirSync(big);
    const agf = fs.readFileSync(path.join(demo, 'game', 'Game.agf'), 'utf8')
      .replace(/<CustomResolution>[^<]*<\/CustomResolution>/, '<CustomResolution>640,400</CustomResolution>');
    const files = gameFiles(path.join(demo, 'game')).map((f) => (f.path === 'Game.agf' ? { path: f.path, base64: Buffer.from(agf).toString('base64') } : f));
    await page.evaluate((f) => window.rollwick.openGame(f, 'big'), files);
    await page.evaluate((text) => window.rollwick.openScript('roll.credits', text), roll);
    const timing = await page.evaluate(() => new Promise((resolve) => {
      const info = window.rollwick.info();
      window.rollwick.show(0);
      window.rollwick.start();
      const began = performance.now();  // the page's clock starts as start() returns
      let draws = 0;
      const count = () => { draws += 1; if (window.rollwick.playing()) requestAnimationFrame(count); };
      requestAnimationFrame(count);
      setTimeout(() => {
        const seconds = (performance.now() - began) / 1000;
        const at = window.rollwick.frame();
        window.rollwick.pause();
        (async () => {
          let showMs = 0;
          for (let i = 0; i < 200; ++i) { const t = performance.now(); await window.rollwick.show(i * 10); showMs += performance.now() - t; }
          resolve({ width: info.width, height: info.height, frames: info.frames, fps: info.fps, seconds, at, draws, playMs: window.rollwick.lastPlayMs(), showMs: showMs / 200 });
        })();
      }, 5000);
    }));
    const expected = Math.floor(timing.seconds * timing.fps);
    check(timing.width === 640 && timing.height === 400 && Math.abs(timing.at - expected) <= 3,
      'a 640x400 roll plays at the game\'s speed',
      `${timing.frames} frames at ${timing.fps} a second; after ${timing.seconds.toFixed(2)} s at frame ${timing.at} (due ${expected}); ` +
      `played in ${timing.playMs.toFixed(0)} ms; ${timing.showMs.toFixed(2)} ms a frame shown`);
    // The default scale is the largest whole one that fits the window, on a large screen and a small one.
    for (const [width, height] of [[1400, 900], [1366, 768]]) {
      await page.setViewport({ width, height });
      const fit = await page.evaluate(() => new Promise((resolve) => setTimeout(() => {
        const canvas = document.getElementById('frame').getBoundingClientRect();
        const pane = document.getElementById('view-pane').getBoundingClientRect();
        resolve({ width: canvas.width, bottom: canvas.bottom, right: canvas.right, pane: pane.right, window: window.innerHeight });
      }, 100)));
      check(fit.width >= 640 && fit.width % 640 === 0 && fit.right <= fit.pane + 1 && fit.bottom <= fit.window,
        `a 640x400 game fits a ${width}x${height} window`, `${fit.width} pixels wide, right edge ${fit.right} of ${fit.pane}, bottom ${fit.bottom} of ${fit.window}`);
    }
    await page.setViewport({ width: 1400, height: 900 });

    // A 1280x720 game of 100 lines shows its first picture within a second of opening.
    {
      const files720 = files.map((f) => (f.path === 'Game.agf'
        ? { path: f.path, base64: Buffer.from(agf.replace('<CustomResolution>640,400</CustomResolution>', '<CustomResolution>1280,720</CustomResolution>')).toString('base64') }
        : f));
      await page.evaluate((f) => window.rollwick.openGame(f, 'wide'), files720);
      const wide = await page.evaluate(async (text) => {
        const longestWait = window.sampleAnswers();
        await window.rollwick.openScript('roll.credits', text);
        return { first: window.rollwick.firstPictureMs(), played: window.rollwick.lastPlayMs(), info: window.rollwick.info(), worst: longestWait() };
      }, roll);
      check(wide.info.width === 1280 && wide.first >= 0 && wide.first < 1000 && wide.worst < 100,
        'a 1280x720 game of 100 lines shows its first picture within a second, the page answering throughout',
        `first picture after ${wide.first.toFixed(0)} ms; the whole play (${wide.info.frames} frames) took ${wide.played.toFixed(0)} ms; ` +
        `longest wait for an event ${wide.worst.toFixed(0)} ms; the tab ${rendererMegabytes(browser.process().pid).toFixed(0)} MB`);
    }

    // Messages name the game's folder as the author knows it; a folder with no script is no error;
    // a script just opened shows a picture with something on it.
    {
      const files = gameFiles(path.join(demo, 'game')).filter((f) => f.path !== 'agsfnt1.wfn');
      files.push({ path: 'credits.credits', base64: fs.readFileSync(path.join(demo, 'credits.credits')).toString('base64') });
      await page.evaluate((f) => window.rollwick.openGame(f, 'lighthouse'), files);
      const opened = await page.evaluate(() => {
        const canvas = document.getElementById('frame');
        const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        let lit = false;
        for (let i = 0; i < pixels.length && !lit; i += 4) lit = pixels[i] !== pixels[0] || pixels[i + 1] !== pixels[1] || pixels[i + 2] !== pixels[2];
        return { messages: window.rollwick.messages().map((m) => m.text), lit, frame: window.rollwick.frame() };
      });
      check(opened.messages.some((t) => t.includes('agsfnt1.wfn is not in lighthouse')) && !opened.messages.some((t) => t.includes('/game')),
        'messages name the game\'s folder', opened.messages.join(' | '));
      await page.evaluate(() => window.rollwick.edit('SetCreditImage(1, 1, 0, 77, -1);\nfunction a() {}\nWait(1);\n'));
      const hinted = await page.evaluate(() => window.rollwick.settled().then(() => window.rollwick.messages().map((m) => m.text + m.hint)));
      check(hinted.some((t) => t.includes('slot 77')) && !hinted.some((t) => /--[a-z]/.test(t)),
        'the page\'s messages name no command-line option', hinted.join(' | '));
      check(opened.lit, 'a script just opened shows a picture with something on it', `frame ${opened.frame}`);
      await page.evaluate((f) => window.rollwick.openGame(f, 'notes'), [{ path: 'notes.txt', base64: Buffer.from('not a game').toString('base64') }]);
      const empty = await page.evaluate(() => window.rollwick.messages());
      check(empty.length === 0, 'a folder with no script is no error', JSON.stringify(empty));
    }
    // A folder with 300 MB the previewer does not need (rooms other than the
    // one the credits play in) is opened through the folder picker: those
    // files are never read, and the tab (its page and worker, one renderer
    // process) stays small.
    {
      const heavy = path.join(scratch, 'heavy');
      fs.mkdirSync(heavy);
      for (const name of fs.readdirSync(path.join(demo, 'game'))) fs.copyFileSync(path.join(demo, 'game', name), path.join(heavy, name));
      fs.copyFileSync(path.join(demo, 'credits.credits'), path.join(heavy, 'credits.credits'));
      for (let i = 2; i <= 4; ++i) {
        const fd = fs.openSync(path.join(heavy, `room${i}.crm`), 'w');
        fs.ftruncateSync(fd, 100 * 1048576);
        fs.closeSync(fd);
      }
      // A browser of its own, so that nothing of the tests before counts.
      const alone = await launch();
      const page = await alone.newPage();
      await page.setViewport({ width: 1400, height: 900 });
      await page.goto('file://' + path.join(pageDir, 'rollwick.html'));
      await page.evaluate(() => window.rollwick.ready.then(() => true));
      // (The browser's test driver cannot pick a folder: the same input takes the folder's files.)
      await page.evaluate(() => document.getElementById('open-folder').removeAttribute('webkitdirectory'));
      const input = await page.$('#open-folder');
      await input.uploadFile(...fs.readdirSync(heavy).map((name) => path.join(heavy, name)));
      await page.waitForFunction(() => window.rollwick.info().frames > 0 && !window.rollwick.busy(), { timeout: 60000 });
      const read = await page.evaluate(() => window.rollwick.gameFilesRead());
      const megabytes = rendererMegabytes(alone.process().pid);
      check(!read.some((name) => name.endsWith('.crm')) && megabytes > 0 && megabytes < 250,
        'a folder with 300 MB the previewer does not need: those files are not read, the tab stays under 250 MB',
        `read ${read.join(', ')}; the tab holds ${megabytes.toFixed(0)} MB`);
      await alone.close();
    }
    // A failure inside the page is said in words, in place of the messages before it.
    {
      let body = '';
      for (let i = 0; i < 40; ++i) body += 'if (n > 0) {\n';
      body += 'if (n > 0) down(n - 1);\n' + '}\n'.repeat(40);
      const deep = `function down(int n) {\n${body}}\nfunction play_credits() {\n  down(45);\n  Wait(1);\n}\n`;
      const said = await page.evaluate(async (text) => {
        await window.rollwick.openScript('deep.asc', text);
        return window.rollwick.messages();
      }, deep);
      // (The browser's stack runs out first; one that holds more meets the core's own limit on nesting.)
      check(said.length === 1 && said[0].kind === 'error' && /^the play stopped inside the page: |nested more than/.test(said[0].text),
        'a failure inside the page is said in words', JSON.stringify(said));
    }
    check(pageErrors.length === 0, 'no script error on the page', pageErrors.join('; '));
  } finally {
    await browser.close();
    fs.rmSync(scratch, { recursive: true, force: true });
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})().catch((error) => {
  console.error(error);
  console.log(`${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
