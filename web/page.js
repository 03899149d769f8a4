// The Quillfray page: starts the game (quillfray.js, built by scripts/build-web) on the
// canvas, keeps the controls file in the browser's local storage and the records with
// their replays in its IndexedDB, runs the level playground (a level text checked by the
// game's own checker and played on "Play"), and lists the kept replays to download,
// watch or add to.
'use strict';

const gameFolder = '/game';
const controlsPath = gameFolder + '/quillfray.cfg';
const controlsKey = 'quillfray.cfg';
// The records and kept replays (main_web.cpp names the same folder).
const homeFolder = '/home/quillfray';
const replayFolder = homeFolder + '/replays';
const recordsFolder = homeFolder + '/records';
// Names the playground's level may not take: the game's other files.
const reservedNames = ['base.vec', 'font.vec', 'quillfray.cfg'];
const starterLevel = `// A spiral: one pellet per step, each 10 degrees further round than the one
// before, for three turns; then the same again the other way round.
stage 240 {
  event 10 {
    cmd spawn {
      model pellet x 0.5 y 0.4
      count 36 time 36 times 3
      sfan 0 efan 360 order 1
      speed 0.004
      onleave clear
    }
  }
}
stage 240 {
  event 10 {
    cmd spawn {
      model pellet x 0.5 y 0.4
      count 36 time 36 times 3
      sfan 360 efan 0 order 1
      speed 0.004
      onleave clear
    }
  }
}
`;

const byId = id => document.getElementById(id);
const canvas = byId('canvas');
const levelText = byId('level-text');
const levelName = byId('level-name');
const messages = byId('messages');
// The shipped base.vec and default.lev as packed with the game, read once it has loaded.
const shipped = {base: '', level: ''};
// The controls file's text as last kept in local storage (or as shipped).
let savedControls = null;
// True once the game runs: the playground's buttons work from then on.
let ready = false;

// The level text as it stands, and putting a new one in its place: every other part of
// the page reads and writes the text through these two.
function levelTextNow() { return levelText.value; }
function setLevelText(text) { levelText.value = text; }

// Appends a line the game wrote to its standard output or error; the last 64 KiB stay.
function note(text) {
  messages.textContent = (messages.textContent + text + '\n').slice(-65536);
}

var Module = {
  canvas,
  print: note,
  printErr: note,
  onTitle: text => { byId('status').textContent = text; },
  onGameEnd: () => { byId('ended').hidden = false; },
  onAbort: what => {
    const loading = byId('loading');
    loading.textContent = 'The game stopped: ' + what;
    loading.hidden = false;
  },
  preRun: [restoreHome],
  onRecordsChanged: () => storeHome(),
  // Before the game starts: the controls the player saved in this browser.
  onRuntimeInitialized: () => {
    shipped.base = FS.readFile(gameFolder + '/base.vec', {encoding: 'utf8'});
    shipped.level = FS.readFile(gameFolder + '/default.lev', {encoding: 'utf8'});
    try {
      savedControls = localStorage.getItem(controlsKey);
    } catch (error) {
      note('Saved controls cannot be read: ' + error);
    }
    if (savedControls !== null) {
      FS.writeFile(controlsPath, savedControls);
    } else {
      savedControls = FS.readFile(controlsPath, {encoding: 'utf8'});
    }
  },
  postRun: [() => {
    ready = true;
    byId('loading').hidden = true;
    for (const id of ['play', 'shipped-level', 'base-shipped', 'base-file', 'replay-file',
                      'keep-replay'])
      byId(id).disabled = false;
    canvas.focus();
    checkLevel();
    listKeptReplays();
    if (home.problem) tellSaveProblem(home.problem);
    setInterval(keepControls, 1000);
    document.dispatchEvent(new Event('quillfray-ready'));
  }],
};

// The records folder in IndexedDB (emscripten's IDBFS): whether it is mounted, why it is
// not or could not be read, a store running and another one asked for meanwhile, and the
// stores finished so far.
const home = {mounted: false, problem: '', storing: false, again: false, stored: 0};

// Before the game starts: mounts the records folder and fills it from IndexedDB. Without
// IndexedDB (or when it fails) the records live only as long as the page.
function restoreHome() {
  try {
    FS.mkdirTree(homeFolder);
    if (typeof indexedDB === 'undefined') throw new Error('this browser has no IndexedDB');
    FS.mount(FS.filesystems.IDBFS, {}, homeFolder);
    home.mounted = true;
  } catch (error) {
    home.problem = 'Records kept for this visit only: ' + (error.message || error);
    return;
  }
  addRunDependency('quillfray-home');
  FS.syncfs(true, error => {
    if (error) home.problem = 'Records could not be read from this browser: ' + (error.message || error);
    removeRunDependency('quillfray-home');
  });
  navigator.storage?.persist?.().catch(() => {});
}

// Says in the left strip (and among the game's messages) that the records are not stored.
function tellSaveProblem(text) {
  note(text);
  Module.ccall('qf_save_problem', null, ['string'], [text]);
}

// Stores the records folder back into IndexedDB after the game changed it (one store at a
// time; a change meanwhile stores again), then lists the kept replays afresh.
function storeHome() {
  if (!home.mounted) {
    if (home.problem) tellSaveProblem(home.problem);
    listKeptReplays();
    return;
  }
  if (home.storing) {
    home.again = true;
    return;
  }
  home.storing = true;
  FS.syncfs(false, error => {
    home.storing = false;
    if (error) tellSaveProblem('Record not saved in this browser: ' + (error.message || error));
    else home.stored += 1;
    if (home.again) {
      home.again = false;
      storeHome();
    } else {
      listKeptReplays();
    }
  });
}

// The files of a folder, none when it does not exist.
function filesOf(folder) {
  try {
    return FS.readdir(folder).filter(name => !name.startsWith('.'));
  } catch (error) {
    return [];
  }
}

// What the records say about each kept replay, by file name: ship, score, stage, steps,
// flags and the level set's level files (docs/records.md describes the run lines).
function recordedRuns() {
  const runs = new Map();
  for (const name of filesOf(recordsFolder).filter(n => /^records-[0-9a-f]{16}\.txt$/.test(n))) {
    const lines = FS.readFile(recordsFolder + '/' + name, {encoding: 'utf8'}).split('\n');
    const levels = lines.filter(line => line.startsWith('file ')).map(line => line.split(' ').slice(2).join(' '))
                        .filter(file => file !== 'base.vec' && file !== 'font.vec');
    for (const line of lines) {
      const f = line.split(' ');
      // run SHIP SCORE STAGE START FRAME STEPS DATE FLAGS REPLAY SHIPNAME
      if (f[0] !== 'run' || f.length < 11 || f[9] === '-') continue;
      runs.set(f[9], {ship: f.slice(10).join(' '), score: f[2], stage: f[3], steps: Number(f[6]),
                      flags: f[8], levels: levels.join(', ')});
    }
  }
  return runs;
}

// Lists the kept replays newest first, each with a download link, what its run was and
// a button that watches it.
let keptLinks = [];
function listKeptReplays() {
  const list = byId('kept-replays');
  keptLinks.forEach(url => URL.revokeObjectURL(url));
  keptLinks = [];
  const runs = recordedRuns();
  const kept = filesOf(replayFolder).filter(name => name.endsWith('.qfr'))
      .map(name => ({name, time: FS.stat(replayFolder + '/' + name).mtime.getTime()}))
      .sort((a, b) => b.time - a.time || (a.name < b.name ? 1 : -1));
  list.replaceChildren();
  for (const {name} of kept) {
    const bytes = FS.readFile(replayFolder + '/' + name);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
    link.download = name;
    link.textContent = name;
    keptLinks.push(link.href);
    const run = runs.get(name);
    const about = document.createElement('span');
    about.className = 'note';
    if (run) {
      const time = Math.floor(run.steps / 60);
      about.textContent = ` ${run.ship} · score ${run.score} · stage ${run.stage} · ` +
          `${Math.floor(time / 60)}:${String(time % 60).padStart(2, '0')} · ${run.levels}` +
          (run.flags.includes('p') ? ' · practice' : '') + (run.flags.includes('n') ? ' · pinned' : '');
    } else {
      about.textContent = ' added from a file';
    }
    const watch = document.createElement('button');
    watch.type = 'button';
    watch.textContent = 'Watch';
    watch.addEventListener('click', () => watchReplay(name, FS.readFile(replayFolder + '/' + name)));
    const item = document.createElement('li');
    item.append(link, about, ' ', watch);
    list.append(item);
  }
  byId('kept-summary').textContent = kept.length === 1 ? '1 kept' : kept.length + ' kept';
}

// Adds a replay file to the kept replays once the game's reader has accepted it.
function keepReplay(name, bytes) {
  const path = '/tmp/kept.qfr';
  FS.writeFile(path, bytes);
  const problem = Module.ccall('qf_keep_replay', 'string', ['string', 'string'], [path, name]);
  FS.unlink(path);
  byId('kept-status').textContent = problem ? name + ' refused: ' + problem : name + ' kept';
}

// Copies the controls file into local storage when "Exit & save" has changed it.
function keepControls() {
  let text;
  try {
    text = FS.readFile(controlsPath, {encoding: 'utf8'});
  } catch (error) {
    return;
  }
  if (text === savedControls) return;
  savedControls = text;
  try {
    localStorage.setItem(controlsKey, text);
  } catch (error) {
    note('The controls cannot be kept in this browser: ' + error);
  }
}

// The level's file name: its last path part in safe characters, never one of the game's
// other files.
function safeLevelName() {
  let name = levelName.value.split(/[\\/]/).pop().replace(/[^A-Za-z0-9._-]/g, '_').slice(0, 64);
  if (!name || name.startsWith('.') || reservedNames.includes(name)) name = 'playground.lev';
  levelName.value = name;
  return name;
}

// Writes the level text into the game's folder; returns its file name.
function writeLevel() {
  const name = safeLevelName();
  FS.writeFile(gameFolder + '/' + name, levelTextNow());
  return name;
}

// Selects line `line` (from 1) of the level text, so that it shows highlighted.
function highlightLine(line) {
  const lines = levelText.value.split('\n');
  let start = 0;
  for (let k = 0; k < line - 1 && k < lines.length; ++k) start += lines[k].length + 1;
  const end = start + (lines[line - 1] || '').length;
  levelText.focus();
  levelText.setSelectionRange(start, end);
  const lineHeight = parseFloat(getComputedStyle(levelText).lineHeight) || 17;
  levelText.scrollTop = Math.max(0, (line - 3) * lineHeight);
}

// Lists the checker's report under the text; lines of the level itself highlight it.
function showDiagnostics(report, name) {
  const list = byId('diagnostics');
  list.replaceChildren();
  const lines = report.split('\n').filter(line => line.length > 0);
  byId('summary').textContent =
      lines.length === 0 ? 'no warnings' : lines.length === 1 ? '1 warning' : lines.length + ' warnings';
  for (const line of lines) {
    const item = document.createElement('li');
    item.textContent = line;
    const where = /^(.*?):(\d+):(\d+): /.exec(line);
    if (where && where[1] === name) {
      item.className = 'here';
      item.title = 'Show line ' + where[2];
      item.addEventListener('click', () => {
        for (const other of list.children) other.classList.remove('chosen');
        item.classList.add('chosen');
        highlightLine(Number(where[2]));
      });
    }
    list.append(item);
  }
}

// Runs the game's checker on base.vec, font.vec and the level text.
function checkLevel() {
  const name = writeLevel();
  showDiagnostics(Module.ccall('qf_check', 'string', ['string'], [name]), name);
  return name;
}

// Checks the level and starts a run of it, from the stage or frame chosen under the text.
function play() {
  const name = checkLevel();
  const option = byId('start-at').value;
  const problem = Module.ccall('qf_play', 'string', ['string', 'string', 'string'],
                               [name, option, option ? String(byId('start-value').value) : '']);
  byId('start-problem').textContent = problem;
  byId('ended').hidden = true;
  canvas.focus();
}

// After the game ended: ship selection again.
function restart() {
  byId('ended').hidden = true;
  Module.ccall('qf_restart', null, [], []);
  canvas.focus();
}

// Plays a replay file (from the desktop game or quillfray-sim) and shows, while it plays
// and after, how its check values compare with the recording.
let replayTimer = 0;
function watchReplay(name, bytes) {
  const path = '/tmp/watched.qfr';
  FS.writeFile(path, bytes);
  const problem = Module.ccall('qf_replay', 'string', ['string'], [path]);
  byId('ended').hidden = true;
  canvas.focus();
  clearInterval(replayTimer);
  const show = () => {
    const status = problem || Module.ccall('qf_replay_status', 'string', [], []);
    byId('replay-status').textContent = name + ': ' + status;
    if (!status.startsWith('Playing')) clearInterval(replayTimer);
  };
  replayTimer = setInterval(show, 250);
  show();
}

// Offers the level text as a file download.
function saveLevel() {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([levelTextNow()], {type: 'text/plain'}));
  link.download = safeLevelName();
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

// Reads a chosen file as text.
function readChosen(input, use) {
  const file = input.files[0];
  if (!file) return;
  file.text().then(text => use(file.name, text));
  input.value = '';
}

// Pixel-sharp when the picture is shown at full size or larger; smoothed when shrunk, where
// dropping whole pixel rows would break thin lines apart.
function chooseScaling() {
  canvas.style.imageRendering = canvas.clientWidth >= canvas.width ? 'pixelated' : 'auto';
}
new ResizeObserver(chooseScaling).observe(canvas);

let checkTimer = 0;
setLevelText(starterLevel);
levelText.addEventListener('input', () => {
  clearTimeout(checkTimer);
  if (ready) checkTimer = setTimeout(checkLevel, 400);
});
byId('play').addEventListener('click', play);
byId('save').addEventListener('click', saveLevel);
byId('ended').addEventListener('click', restart);
canvas.addEventListener('click', () => canvas.focus());
canvas.addEventListener('keydown', () => { if (!byId('ended').hidden) restart(); });
// A pad button going down starts the game again after it ended, as a key does (a button
// held since the game ended, such as its Back, does not).
let padWasDown = true;
setInterval(() => {
  const pads = navigator.getGamepads ? Array.from(navigator.getGamepads() || []) : [];
  const down = pads.some(pad => pad && Array.from(pad.buttons || []).some(b => b && b.pressed));
  if (down && !padWasDown && !byId('ended').hidden) restart();
  padWasDown = down;
}, 100);
// The button does not take the keyboard from the canvas: a lost focus would pause the run.
byId('fullscreen').addEventListener('mousedown', event => event.preventDefault());
byId('fullscreen').addEventListener('click', () => {
  canvas.requestFullscreen().then(() => canvas.focus(), error => note('Fullscreen: ' + error));
});
byId('level-file').addEventListener('change', event => readChosen(event.target, (name, text) => {
  levelName.value = name;
  setLevelText(text);
  if (ready) checkLevel();
}));
byId('base-file').addEventListener('change', event => readChosen(event.target, (name, text) => {
  FS.writeFile(gameFolder + '/base.vec', text);
  byId('base-note').textContent = 'base.vec: ' + name;
  checkLevel();
}));
byId('replay-file').addEventListener('change', event => {
  const file = event.target.files[0];
  if (file) file.arrayBuffer().then(bytes => watchReplay(file.name, new Uint8Array(bytes)));
  event.target.value = '';
});
byId('keep-replay').addEventListener('change', event => {
  const file = event.target.files[0];
  if (file) file.arrayBuffer().then(bytes => keepReplay(file.name, new Uint8Array(bytes)));
  event.target.value = '';
});
byId('base-shipped').addEventListener('click', () => {
  FS.writeFile(gameFolder + '/base.vec', shipped.base);
  byId('base-note').textContent = 'base.vec: shipped';
  checkLevel();
});
byId('shipped-level').addEventListener('click', () => {
  levelName.value = 'default.lev';
  setLevelText(shipped.level);
  checkLevel();
});
