// The browser build (build-web/, from scripts/build-web) served by scripts/serve-web and
// played in headless Chromium through puppeteer-core: the selection screen, a run steered
// with the keyboard and its sound, the playground's play and diagnostics, the F9 screen's save into local
// storage, the end of the game, a desktop replay played to the same check values and a
// browser's run verified by the desktop simulator, the
// hostile levels of tests/hostile/ with their own base.vec, the records and kept replays
// in IndexedDB (a replay file added, a run kept over a reload, downloaded as stored, a
// failed store told in the left strip), a scripted gamepad, the playground's editor (its
// text kept over a reload, lint marks, hover and completion, a 1 MB paste, the frame rate
// beside a 40,000-line level), a level shared by link, the page opened from disk (the
// single file plays, index.html says why it cannot), touch, fullscreen that leaves the run
// going, and a console free of errors.
// Run by tests/web/run.
import {after, before, test} from 'node:test';
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {launchChromium, median, openGame, pause, playReplay, root, serveGame, speedUpClock,
        timeFrames} from './browser.mjs';

const shots = path.join(root, 'build-web', 'test-screens');
let server, chromium, browser, page;
const consoleErrors = [];
// The dialogs the page opened (leaving with unsaved changes asks first); each is accepted.
const dialogs = [];

// Replaces the playground's level text (as a file opened would).
const setLevel = text => page.evaluate(text => levelText.setText(text), text);

// A level of whole stages, `lines` lines or a few more, each event `event` after its number.
function bigLevel(lines, event) {
  const out = [];
  for (let stage = 0; out.length < lines; ++stage) {
    out.push(`stage 600 { // stage ${stage}`);
    for (let k = 0; k < 98; ++k) out.push(`  event ${k * 5 + 5} ${event}`);
    out.push('}');
  }
  return out.join('\n') + '\n';
}

// Counts, in the canvas's rectangle [x0, x1) x [y0, y1), the pixels of colour `rgb`
// (any lit pixel when null) and their mean column, on `on` (the test's page by default).
function census(x0, y0, x1, y1, rgb = null, on = page) {
  return on.evaluate((x0, y0, x1, y1, rgb) => {
    const data = Module.canvas.getContext('2d').getImageData(x0, y0, x1 - x0, y1 - y0).data;
    let count = 0, sumX = 0;
    for (let i = 0; i < data.length; i += 4) {
      const lit = rgb ? data[i] === rgb[0] && data[i + 1] === rgb[1] && data[i + 2] === rgb[2]
                      : data[i] + data[i + 1] + data[i + 2] > 0;
      if (!lit) continue;
      count += 1;
      sumX += x0 + (i / 4) % (x1 - x0);
    }
    return {count, meanX: count ? sumX / count : NaN};
  }, x0, y0, x1, y1, rgb);
}

// Holds a key for `ms` milliseconds.
async function hold(key, ms) {
  await page.keyboard.down(key);
  await pause(ms);
  await page.keyboard.up(key);
  await pause(80);
}

// True once ten more frames than `before` have been shown: however slow a broken or
// hostile level makes them, the page lives (false after 20 s without them).
async function framesGoOn(before) {
  return page.waitForFunction(b => Module.framesShown > b + 10, {timeout: 20000}, before)
    .then(() => true, () => false);
}

// "Select your ship:" in the right strip: grey text pixels only the selection screen has.
const selectionText = (on = page) => census(610, 8, 790, 36, [191, 191, 191], on);
// The first ship's blue in the lower playfield, in the next frame that shows the ship
// (it blinks while it cannot be hit).
async function shipBlue(on = page) {
  for (let tries = 0; tries < 30; ++tries) {
    const ship = await census(200, 380, 600, 600, [140, 200, 255], on);
    if (ship.count > 0) return ship;
    await pause(20);
  }
  return {count: 0, meanX: NaN};
}

before(async () => {
  fs.mkdirSync(shots, {recursive: true});
  server = await serveGame();
  chromium = await launchChromium();
  browser = chromium.browser;
  page = await browser.newPage();
  await page.setViewport({width: 1400, height: 800});
  page.on('console', message => { if (message.type() === 'error') consoleErrors.push(message.text()); });
  page.on('pageerror', error => consoleErrors.push(error.message));
  page.on('dialog', dialog => {
    dialogs.push(dialog.type());
    dialog.accept();
  });
  // "Save the level" downloads nothing here.
  await (await page.createCDPSession()).send('Browser.setDownloadBehavior', {behavior: 'deny'});
  await timeFrames(page);
  await openGame(page, server.address);
});

after(async () => {
  await chromium?.close();
  server?.stop();
});

test('the selection screen shows at once: borders, texts, ship list and demo', async () => {
  const shownAt = await page.evaluate(() => Module.firstFrameTime);
  console.log(`first picture ${Math.round(shownAt)} ms after the page was opened`);
  assert.ok(shownAt < 2000, `first picture after ${shownAt} ms`);
  await page.screenshot({path: path.join(shots, 'selection.png')});
  for (const x of [200, 600]) assert.ok((await census(x, 0, x + 1, 600, [255, 255, 255])).count > 550);
  assert.ok((await selectionText()).count > 100);
  assert.ok((await census(15, 8, 190, 70, [191, 191, 191])).count > 100, 'ESC and F9 hints');
  assert.ok((await census(610, 50, 790, 300)).count > 100, 'ship list');
  assert.ok(await page.evaluate(() => document.activeElement === Module.canvas), 'canvas has the keys');
});

test('Fire starts a run and the arrow keys move the ship', async () => {
  await hold('z', 150);
  await pause(300);
  assert.equal((await selectionText()).count, 0, 'left the selection screen');
  const start = await shipBlue();
  await hold('ArrowLeft', 600);
  const left = await shipBlue();
  await hold('ArrowRight', 1200);
  const right = await shipBlue();
  await page.screenshot({path: path.join(shots, 'run.png')});
  assert.ok(start.count > 0 && left.count > 0 && right.count > 0, 'the ship is drawn');
  assert.ok(left.meanX < start.meanX - 30, `left: ${start.meanX} -> ${left.meanX}`);
  assert.ok(right.meanX > left.meanX + 60, `right: ${left.meanX} -> ${right.meanX}`);
  // The frame rate depends on the machine's load; the work of a frame far less.
  const [fps, work] = await page.evaluate(async () => {
    const first = Module.framesShown;
    window.frameWork = [];
    await new Promise(resolve => setTimeout(resolve, 3000));
    return [(Module.framesShown - first) / 3, window.frameWork];
  });
  console.log(`${fps.toFixed(1)} frames per second in a run of the shipped level, ` +
              `${median(work).toFixed(2)} ms of work per frame (median)`);
  assert.ok(fps > 25, `${fps} frames per second`);
  assert.ok(median(work) < 8, `${median(work)} ms per frame`);
});

test('the first key opened the sound, and the stage tune is in the mix', async () => {
  const state = await page.evaluate(() => Module.qfAudio?.context?.state ?? 'none');
  assert.notEqual(state, 'none', 'an AudioContext after the first key');
  // The frames the script processor would be handed next hold the tune.
  const loudest = await page.evaluate(() => {
    const at = _qf_web_audio_fill(4096);
    const stereo = new Float32Array(HEAPU8.buffer, at, 2 * 4096);
    return stereo.reduce((most, v) => Math.max(most, Math.abs(v)), 0);
  });
  assert.ok(loudest > 0.01 && loudest <= 1, `loudest sample ${loudest}`);
});

// A green box in the middle of the upper playfield.
const boxLevel = `model box {
  color 17 238 17
  line -0.05 -0.05 0.05 -0.05
  line 0.05 -0.05 0.05 0.05
  line 0.05 0.05 -0.05 0.05
  line -0.05 0.05 -0.05 -0.05
}
stage 600 {
  event 5 { cmd spawn { model box x 0.5 y 0.3 speed 0 } }
}
`;
// The green box's pixels.
const greenBox = (on = page) => census(340, 80, 460, 200, [17, 238, 17], on);

test('a level played from the playground runs its pattern', async () => {
  await setLevel(boxLevel);
  await page.click('#play');
  await pause(500);
  await page.screenshot({path: path.join(shots, 'playground.png')});
  const box = await greenBox();
  assert.ok(box.count > 100 && Math.abs(box.meanX - 400) < 3, JSON.stringify(box));
  assert.equal(await page.$eval('#summary', e => e.textContent), 'no warnings');
});

test('a broken level lists its diagnostics and the game goes on', async () => {
  await setLevel('stage 100 {\n  event 10 {\n    cmd spawn { model nosuch speed fast }\n  }\n');
  await page.waitForFunction(() => document.querySelector('#diagnostics li.here'), {timeout: 5000});
  const lines = await page.$$eval('#diagnostics li', items => items.map(item => item.textContent));
  assert.ok(lines.every(line => /^[\w.]+(:\d+:\d+)?: warning: /.test(line)), lines.join('\n'));
  assert.ok(lines.some(line => line.startsWith('playground.lev:3:')), lines.join('\n'));
  const third = await page.$$eval('#diagnostics li.here', items => {
    const item = items.find(i => i.textContent.startsWith('playground.lev:3:'));
    item.click();
    return levelText.selection();
  });
  assert.equal(third, '    cmd spawn { model nosuch speed fast }');
  const before = await page.evaluate(() => Module.framesShown);
  await page.click('#play');
  assert.ok(await framesGoOn(before), 'frames go on');
});

test('F9 setup saves the bindings into local storage', async () => {
  await hold('Escape', 100);  // the run back to ship selection
  await pause(200);
  assert.ok((await selectionText()).count > 100);
  await hold('F9', 100);
  for (const key of ['ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowDown',
                     'ArrowRight', 'Space', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowRight'])
    await hold(key, 60);
  await page.waitForFunction(() => localStorage.getItem('quillfray.cfg'), {timeout: 3000});
  const saved = await page.evaluate(() => localStorage.getItem('quillfray.cfg'));
  assert.match(saved, /^control 5 key 32$/m);
  assert.ok((await selectionText()).count > 100, 'back on ship selection');
  await openGame(page, server.address);
  assert.equal(await page.evaluate(() => FS.readFile('/game/quillfray.cfg', {encoding: 'utf8'})),
               saved, 'the saved controls are read again');
  await hold('Space', 150);
  await pause(300);
  assert.equal((await selectionText()).count, 0, 'Space now fires');
});

test('the Options screen sets the size of the picture on the page', async () => {
  await hold('Escape', 100);  // the run back to ship selection
  await pause(200);
  const maxWidth = () => page.evaluate(() => Module.canvas.parentElement.style.maxWidth);
  assert.equal(await maxWidth(), '', 'the page starts as large as the window allows');
  // P opens the menu; Options is its fourth row, the window scale the Options screen's fifth.
  for (const key of ['p', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Space',
                     'ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowRight'])
    await hold(key, 60);
  assert.match(await maxWidth(), /800px/, '1x');
  await hold('ArrowRight', 60);
  assert.match(await maxWidth(), /1600px/, '2x');
  await hold('ArrowRight', 60);
  assert.equal(await maxWidth(), '', 'fit again');
  for (const key of ['Escape', 'Escape']) await hold(key, 60);  // the menu, the selection
  assert.ok((await selectionText()).count > 100, 'back on ship selection');
  await hold('Space', 150);  // a run again, for the next test
  await pause(300);
});

test('Escape on ship selection ends the game until a key is pressed', async () => {
  await hold('Escape', 100);
  await pause(300);
  await hold('Escape', 100);
  await page.waitForSelector('#ended:not([hidden])', {timeout: 3000});
  const frames = await page.evaluate(() => Module.framesShown);
  await pause(300);
  assert.equal(await page.evaluate(() => Module.framesShown), frames, 'no frames while ended');
  await hold('x', 100);
  await pause(300);
  assert.ok((await selectionText()).count > 100);
});

test('a replay recorded on the desktop plays identically', async () => {
  // A page whose clock runs eight times as fast: the game catches up eight steps a frame.
  const fast = await browser.newPage();
  fast.on('pageerror', error => consoleErrors.push(error.message));
  await speedUpClock(fast, 8);
  await openGame(fast, server.address);
  const status = await playReplay(fast, path.join(root, 'tests/replays/ship3-stage2-bombs.qfr'));
  await fast.close();
  assert.match(status, /Played: (\d+) of \1 check values matched$/);
});

test('hostile levels with their own base.vec play without stopping the page', async () => {
  const hostile = path.join(root, 'tests/hostile');
  await (await page.$('#base-file')).uploadFile(path.join(hostile, 'base.vec'));
  await page.waitForFunction(() => document.getElementById('base-note').textContent === 'base.vec: base.vec');
  for (const level of fs.readdirSync(hostile).filter(name => name.endsWith('.lev'))) {
    await page.$eval('#level-name', (box, name) => { box.value = name; }, level);
    await setLevel(fs.readFileSync(path.join(hostile, level), 'utf8'));
    await page.click('#play');
    const before = await page.evaluate(() => Module.framesShown);
    assert.ok(await framesGoOn(before), level);
  }
  await page.click('#base-shipped');
  assert.equal(await page.$eval('#base-note', e => e.textContent), 'base.vec: shipped');
  assert.ok(await page.$eval('#loading', e => e.hidden), 'the game never stopped');
});

// The file names of the page's kept replays, newest first.
const keptNames = () => page.$$eval('#kept-replays a', links => links.map(link => link.download));

// Adds a file through the page's "Add a replay"; resolves to the status line it leaves.
async function addReplay(file) {
  await page.$eval('#kept-status', status => { status.textContent = ''; });
  await (await page.$('#keep-replay')).uploadFile(file);
  await page.waitForFunction(() => document.getElementById('kept-status').textContent !== '',
                             {timeout: 5000});
  return page.$eval('#kept-status', status => status.textContent);
}

// The run line of the records that keeps the replay `name`, or null; read through FS.
const recordLine = name => page.evaluate(name => {
  const folder = '/home/quillfray/records';
  for (const file of FS.readdir(folder).filter(n => n.endsWith('.txt'))) {
    const line = FS.readFile(folder + '/' + file, {encoding: 'utf8'}).split('\n')
        .find(l => l.startsWith('run ') && l.split(' ')[9] === name);
    if (line) return line;
  }
  return null;
}, name);

// Plays a run of the shipped level for a moment and ends it with Escape.
async function playShortRun() {
  await hold('Space', 150);  // Space fires since the F9 test
  await pause(1000);
  assert.equal((await selectionText()).count, 0, 'a run started');
  await hold('Escape', 100);
  await pause(200);
  assert.ok((await selectionText()).count > 100, 'back on ship selection');
}

test('a replay file is added to the kept replays, a damaged one is refused', async () => {
  const good = path.join(root, 'tests/replays/ship3-stage2-bombs.qfr');
  assert.equal(await addReplay(good), 'ship3-stage2-bombs.qfr kept');
  await page.waitForFunction(() => [...document.querySelectorAll('#kept-replays a')]
                                       .some(link => link.download === 'ship3-stage2-bombs.qfr'));
  const stored = await page.evaluate(() => [...FS.readFile('/home/quillfray/replays/ship3-stage2-bombs.qfr')]);
  assert.deepEqual(Buffer.from(stored), fs.readFileSync(good));
  const cut = path.join(os.tmpdir(), `quillfray-cut-${process.pid}.qfr`);
  fs.writeFileSync(cut, fs.readFileSync(good).subarray(0, 100));
  const refused = await addReplay(cut);
  fs.rmSync(cut);
  assert.match(refused, /^quillfray-cut-\d+\.qfr refused: truncated: 100 of \d+ bytes/);
  assert.ok(!(await keptNames()).some(name => name.startsWith('quillfray-cut')));
});

test('a run played is kept with its replay and found again after a reload', async () => {
  await openGame(page, server.address);
  const before = await keptNames();
  await playShortRun();
  await page.waitForFunction(before => [...document.querySelectorAll('#kept-replays a')]
                                           .some(link => !before.includes(link.download)),
                             {timeout: 10000}, before);
  const added = (await keptNames()).filter(name => !before.includes(name));
  assert.equal(added.length, 1, added.join(' '));
  const [name] = added;
  assert.match(name, /^run-\d{8}T\d{6}Z(-\d+)?\.qfr$/);
  const line = await recordLine(name);
  assert.match(line ?? '', /^run \d+ \d+ 1 \d+ \d+ [1-9]\d* \S+Z - run-\S+ \S+$/);
  assert.ok(await page.evaluate(() => home.stored > 0), 'stored into IndexedDB');
  // The playground's runs stand in level sets of their own.
  const levelSets = await page.evaluate(() => {
    const folder = '/home/quillfray/records';
    return FS.readdir(folder).filter(n => /^records-[0-9a-f]{16}\.txt$/.test(n)).map(n =>
      FS.readFile(folder + '/' + n, {encoding: 'utf8'}).split('\n')
        .filter(l => l.startsWith('file ')).map(l => l.split(' ')[2]).join(' '));
  });
  assert.ok(levelSets.includes('base.vec font.vec default.lev'), levelSets.join(' | '));
  assert.ok(levelSets.includes('base.vec font.vec playground.lev'), levelSets.join(' | '));

  await openGame(page, server.address);
  const names = await keptNames();
  assert.ok(names.includes(name), `${name} in ${names.join(' ')}`);
  assert.ok(names.includes('ship3-stage2-bombs.qfr'), 'the added replay stays too');
  assert.equal(await recordLine(name), line, 'the same record after the reload');
  const same = await page.evaluate(async name => {
    const link = [...document.querySelectorAll('#kept-replays a')].find(l => l.download === name);
    const downloaded = new Uint8Array(await (await fetch(link.href)).arrayBuffer());
    const file = FS.readFile('/home/quillfray/replays/' + name);
    return downloaded.length > 0 && downloaded.length === file.length &&
           downloaded.every((byte, k) => byte === file[k]);
  }, name);
  assert.ok(same, 'the download holds the stored bytes');
});

test('a store that fails is told in the left strip and the game goes on', async () => {
  await openGame(page, server.address);
  await page.evaluate(() => {
    FS.syncfs = (populate, done) => done(new Error('the quota is used up'));
  });
  await playShortRun();
  await page.waitForFunction(() => document.getElementById('messages').textContent
                                       .includes('Record not saved in this browser: the quota is used up'),
                             {timeout: 5000});
  assert.ok((await census(10, 60, 195, 590, [255, 128, 128])).count > 50, 'the note in the left strip');
  const before = await page.evaluate(() => Module.framesShown);
  assert.ok(await framesGoOn(before), 'frames go on');
});

test('a scripted gamepad starts a run with A and moves the ship with the D-pad and stick', async () => {
  const padPage = await browser.newPage();
  padPage.on('pageerror', error => consoleErrors.push(error.message));
  await padPage.setViewport({width: 1400, height: 800});
  // A standard-mapped pad in place of the browser's: buttons 0 A ... 15 D-pad right.
  await padPage.evaluateOnNewDocument(() => {
    const buttons = Array.from({length: 17}, () => ({pressed: false, touched: false, value: 0}));
    window.testPad = {id: 'Scripted standard pad', index: 0, connected: true, mapping: 'standard',
                      timestamp: 0, buttons, axes: [0, 0, 0, 0]};
    navigator.getGamepads = () => [window.testPad, null, null, null];
    window.pressPad = (button, down) => {
      buttons[button].pressed = down;
      buttons[button].value = down ? 1 : 0;
    };
  });
  await openGame(padPage, server.address);
  const keyboardPage = page;
  page = padPage;  // the picture helpers read `page`
  try {
    const padHold = async (button, ms) => {
      await padPage.evaluate(b => window.pressPad(b, true), button);
      await pause(ms);
      await padPage.evaluate(b => window.pressPad(b, false), button);
      await pause(80);
    };
    assert.ok((await selectionText()).count > 100, 'the selection screen first');
    await padHold(0, 150);  // A
    await pause(300);
    assert.equal((await selectionText()).count, 0, 'A left the selection screen');
    const start = await shipBlue();
    await padHold(15, 800);  // D-pad right
    const right = await shipBlue();
    await padPage.evaluate(() => { window.testPad.axes[0] = -1; });  // left stick full left
    await pause(600);
    await padPage.evaluate(() => { window.testPad.axes[0] = 0; });
    await pause(80);
    const left = await shipBlue();
    await padPage.screenshot({path: path.join(shots, 'pad-run.png')});
    assert.ok(start.count > 0 && right.count > 0 && left.count > 0, 'the ship is drawn');
    assert.ok(right.meanX > start.meanX + 30, `D-pad right: ${start.meanX} -> ${right.meanX}`);
    assert.ok(left.meanX < right.meanX - 30, `stick left: ${right.meanX} -> ${left.meanX}`);
  } finally {
    page = keyboardPage;
    await padPage.close();
  }
});

test('a level typed into the editor is kept over a reload, and leaving asks first', async () => {
  await openGame(page, server.address);
  await page.click('#level-text .cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  const typed = '// typed in the editor\nmodel kept line 0 0 0.1 0.1';
  await page.keyboard.type(typed);
  await page.keyboard.press('Escape');  // a completion list open at the end
  assert.equal(await page.evaluate(() => levelText.getText()), typed);
  const asked = dialogs.length;
  await openGame(page, server.address);
  assert.deepEqual(dialogs.slice(asked), ['beforeunload'], 'leaving asked first');
  assert.equal(await page.evaluate(() => levelText.getText()), typed, 'the text came back');
  await page.click('#save');  // saved: leaving asks no more
  await openGame(page, server.address);
  assert.equal(dialogs.length, asked + 1);
  assert.equal(await page.evaluate(() => levelText.getText()), typed);
});

test('the editor marks the warnings, and hovers and completes from the vocabulary', async () => {
  await setLevel('stage 100 {\n  event 10 { cmd spawn { model nosuch speed 1 } }\n}\n');
  // The marks of the text before stay (mapped onto the new one) until its check answers.
  const marked = () => page.$$eval('#level-text .cm-lintRange-warning', marks => marks.map(e => e.textContent).join());
  for (let waited = 0; (await marked()) !== 'nosuch' && waited < 5000; waited += 100) await pause(100);
  assert.equal(await marked(), 'nosuch');
  assert.ok(await page.$('#level-text .cm-lint-marker-warning'), 'a mark in the gutter');
  const spot = await page.evaluate(() => {
    const at = levelText.getText().indexOf('stage') + 2;
    const {left, top, bottom} = levelText.view.coordsAtPos(at);
    return {x: left, y: (top + bottom) / 2};
  });
  await page.mouse.move(spot.x, spot.y);
  await page.waitForSelector('.cm-tooltip-hover .qf-hover', {timeout: 5000});
  assert.match(await page.$eval('.qf-hover', e => e.textContent), /Appends length frames to the timeline/);
  await page.mouse.move(0, 0);
  await page.evaluate(() => levelText.view.dispatch({selection: {anchor: levelText.length()}}));
  await page.click('#level-text .cm-content');
  await page.keyboard.type('cmd sp');
  await page.waitForSelector('.cm-tooltip-autocomplete li', {timeout: 5000});
  const offered = await page.$$eval('.cm-tooltip-autocomplete li', items => items.map(i => i.textContent));
  assert.ok(offered.some(item => item.startsWith('spawn')), offered.join(' | '));
  await page.keyboard.press('Escape');
});

test('pasting a 1 MB level over another keeps the page answering', async () => {
  await setLevel(bigLevel(15000, '{ cmd spawn { model pellet x 0.5 y 0.4 speed 0.004 } }'));
  const pasted = bigLevel(15000, '{ cmd spawn { model pellet x 0.25 y 0.3 speed 0.006 } }');
  assert.ok(pasted.length > 1e6, `${pasted.length} characters`);
  const timing = await page.evaluate(async text => {
    levelText.focus();
    levelText.view.dispatch({selection: {anchor: 0, head: levelText.length()}});
    const data = new DataTransfer();
    data.setData('text/plain', text);
    const started = performance.now();
    document.querySelector('#level-text .cm-content').dispatchEvent(
        new ClipboardEvent('paste', {clipboardData: data, bubbles: true, cancelable: true}));
    const done = performance.now();
    const frames = Module.framesShown;
    const nextFrame = await new Promise(resolve => requestAnimationFrame(() => resolve(performance.now())));
    // The frames of the next two seconds: the text is kept and checked meanwhile.
    let last = performance.now(), longest = 0;
    while (performance.now() < done + 2000) {
      await new Promise(resolve => requestAnimationFrame(resolve));
      longest = Math.max(longest, performance.now() - last);
      last = performance.now();
    }
    return {paste: done - started, nextFrame: nextFrame - done, longest, framesAfter: Module.framesShown - frames,
            same: levelText.getText() === text};
  }, pasted);
  console.log(`a 1 MB paste took ${timing.paste.toFixed(0)} ms; the next frame came ` +
              `${timing.nextFrame.toFixed(0)} ms after it, the longest frame of the next 2 s ` +
              `${timing.longest.toFixed(0)} ms`);
  assert.ok(timing.same, 'the pasted text is the level');
  assert.ok(timing.nextFrame < 100, `next frame after ${timing.nextFrame} ms`);
  assert.ok(timing.framesAfter > 60, `${timing.framesAfter} frames in 2 s`);
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '', {timeout: 20000});
  console.log(`the worker checked it in ${(await page.evaluate(() => lastCheck.ms)).toFixed(0)} ms`);
});

test('the selection screen keeps 60 frames per second beside a 40,000-line level', async () => {
  await setLevel(bigLevel(40000, '{ cmd spawn { model pellet } }'));
  assert.ok(await page.evaluate(() => levelText.view.state.doc.lines) > 40000);
  await page.focus('#canvas');
  await pause(1000);  // the text kept and checked
  assert.ok((await selectionText()).count > 100, 'on the selection screen');
  const fps = await page.evaluate(async () => {
    const first = Module.framesShown;
    await new Promise(resolve => setTimeout(resolve, 2000));
    return (Module.framesShown - first) / 2;
  });
  console.log(`${fps.toFixed(1)} frames per second on the selection screen beside 40,000 lines`);
  assert.ok(fps >= 55, `${fps} frames per second`);
  assert.match(await page.$eval('#status', e => e.textContent), /^\d+ fps · \d+ actors · step \d+ · multiplier /);
});

// A page of its own browser context (its own storage, so the shipped keys), showing the game.
async function freshPage(viewport = {width: 1400, height: 800}, address = server.address) {
  const context = await browser.createBrowserContext();
  const fresh = await context.newPage();
  fresh.on('pageerror', error => consoleErrors.push(error.message));
  await fresh.setViewport(viewport);
  if (address) await openGame(fresh, address);
  return {fresh, close: () => context.close()};
}

test('a shared link opens the same level and plays it; a link too long is refused', async () => {
  const {fresh, close} = await freshPage();
  try {
    await fresh.evaluate(text => { loadLevel('playground.lev', text); }, boxLevel);
    await fresh.click('#share');
    const link = await (await fresh.waitForSelector('#share-status input.link')).evaluate(box => box.value);
    assert.ok(link.startsWith(server.address + '#level='), link);
    assert.equal(await fresh.evaluate(() => location.href), link, 'the link is the address');

    const opened = await fresh.browserContext().newPage();
    await opened.goto(link, {waitUntil: 'load'});
    await opened.waitForFunction(() => document.getElementById('share-status').textContent
                                           .startsWith('Playing the level of the link'), {timeout: 20000});
    assert.equal(await opened.evaluate(() => levelTextNow()), boxLevel);
    await pause(500);
    const box = await greenBox(opened);
    assert.ok(box.count > 100 && Math.abs(box.meanX - 400) < 3, JSON.stringify(box));
    await opened.close();

    // Random letters do not pack: over 2,000,000 characters of link.
    await fresh.evaluate(() => {
      const letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789';
      const bytes = crypto.getRandomValues(new Uint8Array(65536));
      let text = '';
      for (let k = 0; k < 40; ++k) {
        crypto.getRandomValues(bytes);
        text += '// ' + Array.from(bytes, b => letters[b % 62]).join('') + '\n';
      }
      loadLevel('playground.lev', text);
    });
    await fresh.click('#share');
    await fresh.waitForFunction(() => document.getElementById('share-status').textContent.startsWith('No link made'),
                                {timeout: 20000});
    assert.match(await fresh.$eval('#share-status', e => e.textContent), /browsers take at most about 2,000,000/);
    assert.equal(await fresh.evaluate(() => location.href), link, 'the address stays as it was');

    const damaged = await fresh.browserContext().newPage();
    await openGame(damaged, server.address + '#level=bm90IGEgbGV2ZWw');
    await damaged.waitForFunction(() => document.getElementById('share-status').textContent
                                            .startsWith('This link holds no level'), {timeout: 20000});
    assert.ok((await selectionText(damaged)).count > 100, 'the normal page');
  } finally {
    await close();
  }
});

test('from disk the single file plays and index.html says why it cannot',
     {skip: !fs.existsSync(path.join(root, 'build-web/quillfray.html')) &&
            'no build-web/quillfray.html (scripts/build-web --single-file)'}, async () => {
  const {fresh, close} = await freshPage({width: 1400, height: 800}, null);
  try {
    await openGame(fresh, 'file://' + path.join(root, 'build-web/quillfray.html'));
    assert.ok((await selectionText(fresh)).count > 100, 'the selection screen');
    await fresh.goto('file://' + path.join(root, 'build-web/index.html'), {waitUntil: 'load'});
    await pause(1000);
    const cover = await fresh.$eval('#loading', e => ({hidden: e.hidden, text: e.textContent}));
    assert.ok(!cover.hidden, 'the message shows');
    assert.match(cover.text, /opened from a file \(file:\/\/\).*scripts\/serve-web.*quillfray\.html/);
  } finally {
    await close();
  }
});

test('touch: a tap chooses a ship, a drag steers it and fires while the finger is down', async () => {
  const {fresh, close} = await freshPage({width: 800, height: 600, hasTouch: true, isMobile: true});
  try {
    assert.ok(await fresh.evaluate(() => document.body.classList.contains('touch')), 'the touch layout');
    const cdp = await fresh.createCDPSession();
    const box = await fresh.evaluate(() => pictureBox());
    const at = (x, y) => ({x: box.left + x * box.scale, y: box.top + y * box.scale});
    const touch = (type, point) => cdp.send('Input.dispatchTouchEvent', {type, touchPoints: point ? [point] : []});
    await touch('touchStart', at(700, 67));  // the first ship of the list
    await touch('touchEnd');
    await pause(400);
    assert.equal((await selectionText(fresh)).count, 0, 'the tap started a run');
    const needles = () => census(200, 0, 600, 560, [255, 255, 150], fresh);
    const start = await shipBlue(fresh);
    await touch('touchStart', at(400, 300));
    for (let k = 1; k <= 10; ++k) {
      await touch('touchMove', at(400 - 15 * k, 300));
      await pause(20);
    }
    await pause(1200);
    const firing = await needles();
    const left = await shipBlue(fresh);
    await touch('touchEnd');
    await pause(1000);
    const after = await needles();
    await fresh.screenshot({path: path.join(shots, 'touch-run.png')});
    assert.ok(start.count > 0 && left.count > 0, 'the ship is drawn');
    assert.ok(left.meanX < start.meanX - 100, `dragged left: ${start.meanX} -> ${left.meanX}`);
    assert.ok(firing.count > 20 && after.count === 0, `shots ${firing.count}, then ${after.count}`);
  } finally {
    await close();
  }
});

test('the Fullscreen button leaves the run going', async () => {
  const {fresh, close} = await freshPage();
  try {
    await fresh.click('canvas');
    await fresh.keyboard.down('z');
    await pause(150);
    await fresh.keyboard.up('z');
    await pause(300);
    assert.equal((await selectionText(fresh)).count, 0, 'a run started');
    await fresh.click('#fullscreen');
    await pause(500);
    const start = await shipBlue(fresh);
    await fresh.keyboard.down('ArrowLeft');
    await pause(600);
    await fresh.keyboard.up('ArrowLeft');
    const left = await shipBlue(fresh);
    assert.ok(left.meanX < start.meanX - 30, `not paused: ${start.meanX} -> ${left.meanX}`);
  } finally {
    await close();
  }
});

// The desktop simulator of build/, when there is one, to check the browser's replays.
const desktopSim = path.join(root, 'build', 'quillfray-sim');

test('a run recorded in the browser verifies on the desktop',
     {skip: !fs.existsSync(desktopSim) && 'no desktop build in build/'}, async () => {
  // Eight steps a frame: a few seconds of steering and firing make a run of thousands of
  // steps, with check values every 300.
  const fast = await browser.newPage();
  fast.on('pageerror', error => consoleErrors.push(error.message));
  await speedUpClock(fast, 8);
  await openGame(fast, server.address);
  const folder = '/home/quillfray/replays';
  const before = await fast.evaluate(folder => FS.readdir(folder), folder);
  const press = async (key, ms) => {
    await fast.keyboard.down(key);
    await pause(ms);
    await fast.keyboard.up(key);
  };
  await press('Space', 150);  // Space fires since the F9 test
  await fast.keyboard.down('Space');
  await press('ArrowLeft', 700);
  await press('ArrowUp', 400);
  await press('ArrowRight', 1200);
  await fast.keyboard.up('Space');
  await pause(500);
  await press('Escape', 100);
  await fast.waitForFunction((folder, before) => FS.readdir(folder).some(n => !before.includes(n)),
                             {timeout: 10000}, folder, before);
  const [name, bytes] = await fast.evaluate((folder, before) => {
    const name = FS.readdir(folder).find(n => !before.includes(n));
    return [name, [...FS.readFile(folder + '/' + name)]];
  }, folder, before);
  await fast.close();
  const file = path.join(os.tmpdir(), `quillfray-browser-${process.pid}-${name}`);
  fs.writeFileSync(file, Buffer.from(bytes));
  const state = file + '.state.json';
  const played = spawnSync(desktopSim, ['--replay', file, '--verify', '--state-json', state],
                           {cwd: path.join(root, 'data'), encoding: 'utf8'});
  fs.rmSync(file);
  assert.equal(played.status, 0, `${name}: ${played.stdout}${played.stderr}`);
  const steps = JSON.parse(fs.readFileSync(state, 'utf8')).frameCounter;
  fs.rmSync(state);
  assert.ok(steps > 600, `${name} played ${steps} steps on the desktop`);
});

test('no errors on the console', () => {
  assert.deepEqual(consoleErrors, []);
});
