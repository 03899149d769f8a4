// The Quillfray page: starts the game (quillfray.js, built by scripts/build-web) on the
// canvas, keeps the controls file in the browser's local storage and the records with
// their replays in its IndexedDB, runs the level playground (a level text checked by the
// game's own checker and played on "Play"), and lists the kept replays to download,
// watch or add to. The playground's editor, the keeping of its files and the checker's
// worker come from editor.js (web/editor/).
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
// The playground's files as last kept in this browser: {name, level, base, baseName,
// unsaved}; `unsaved` is true once the level changed after it was last saved or loaded.
const keeper = QuillfrayEditor.keeper('quillfray.playground', text => note(text));
const kept = Object.assign({name: 'playground.lev', level: starterLevel, base: null, baseName: '',
                            unsaved: false}, keeper.load());
// True while the page itself replaces the level's text (a file opened, the shipped level).
let replacing = false;
const levelText = QuillfrayEditor.create(byId('level-text'), {
  text: kept.level,
  onChange: () => {
    if (!replacing) kept.unsaved = true;
    keepFiles();
    clearTimeout(checkTimer);
    if (ready) checkTimer = setTimeout(checkLevel, 400);
  },
});
const levelName = byId('level-name');
const messages = byId('messages');
// The shipped base.vec and default.lev as packed with the game, read once it has loaded.
const shipped = {base: '', level: ''};
// The controls file's text as last kept in local storage (or as shipped).
let savedControls = null;
// True once the game runs: the playground's buttons work from then on.
let ready = false;

// The level text as it stands: every other part of the page reads it through this, and
// puts a new one in its place with loadLevel.
function levelTextNow() { return levelText.getText(); }

// Appends a line the game wrote to its standard output or error; the last 64 KiB stay.
function note(text) {
  messages.textContent = (messages.textContent + text + '\n').slice(-65536);
}

var Module = {
  canvas,
  print: note,
  printErr: note,
  onTitle: showStatus,
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
    if (kept.base !== null) FS.writeFile(gameFolder + '/base.vec', kept.base);
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
    levelText.setHelp({
      hover: (line, column) => Module.ccall('qf_hover', 'string', ['string', 'number'], [line, column]),
      complete: before => Module.ccall('qf_complete', 'string', ['string'], [before]).split('\n')
          .filter(Boolean).map(line => {
            const [label, kind, detail] = line.split('\t');
            return {label, kind, detail};
          }),
    });
    levelText.setVocabulary(Module.ccall('qf_vocabulary', 'string', [], []).split('\n')
        .filter(Boolean).map(line => {
          const [kind, name] = line.split('\t');
          return {kind, name};
        }));
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

// The checker's warnings listed at most, and marked in the editor at most.
const listedWarnings = 500, markedWarnings = 5000;

// Lists the checker's report under the text (lines of the level itself highlight it) and
// marks the level's warnings in the editor.
function showDiagnostics(report, name) {
  const list = byId('diagnostics');
  list.replaceChildren();
  const lines = report.split('\n').filter(line => line.length > 0);
  byId('summary').textContent =
      lines.length === 0 ? 'no warnings' : lines.length === 1 ? '1 warning' : lines.length + ' warnings';
  const marks = [];
  for (const line of lines) {
    const where = /^(.*?):(\d+):(\d+): (?:warning: )?(.*)$/.exec(line);
    if (where && where[1] === name && marks.length < markedWarnings)
      marks.push({line: Number(where[2]), column: Number(where[3]), message: where[4]});
  }
  levelText.setDiagnostics(marks);
  for (const line of lines.slice(0, listedWarnings)) {
    const item = document.createElement('li');
    item.textContent = line;
    const where = /^(.*?):(\d+):(\d+): /.exec(line);
    if (where && where[1] === name) {
      item.className = 'here';
      item.title = 'Show line ' + where[2];
      item.addEventListener('click', () => {
        for (const other of list.children) other.classList.remove('chosen');
        item.classList.add('chosen');
        levelText.selectLine(Number(where[2]));
      });
    }
    list.append(item);
  }
  if (lines.length > listedWarnings) {
    const more = document.createElement('li');
    more.textContent = `… and ${lines.length - listedWarnings} more`;
    list.append(more);
  }
}

// The checker's worker, started with the first check.
let checker = null;

// Writes the level into the game's folder and has the checker's worker check base.vec,
// font.vec and it; the report is listed when it comes (unless another check was asked for
// meanwhile). Returns the level's file name.
function checkLevel() {
  clearTimeout(checkTimer);
  const name = writeLevel();
  checker ??= QuillfrayEditor.checker('checker_worker.js', files =>
      Module.ccall('qf_check', 'string', ['string'], [files.name]));
  checker.check({name, text: levelTextNow(), base: kept.base}).then(({report, ms}) => {
    lastCheck.ms = ms;
    showDiagnostics(report, name);
  });
  return name;
}
// How long the last check took in the worker, in milliseconds.
const lastCheck = {ms: 0};

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
  kept.unsaved = false;
  keepFiles();
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

// Keeps the playground's files in this browser a moment after the last change.
function keepFiles() {
  keeper.keep(() => {
    kept.name = levelName.value;
    kept.level = levelTextNow();
    return kept;
  });
}

// Puts a base.vec of the author's (`text`, called `name`) in the game's folder and keeps
// it; null puts the shipped one back.
function useBase(name, text) {
  FS.writeFile(gameFolder + '/base.vec', text === null ? shipped.base : text);
  byId('base-note').textContent = 'base.vec: ' + (text === null ? 'shipped' : name);
  Object.assign(kept, {base: text, baseName: text === null ? '' : name});
  keepFiles();
  if (ready) checkLevel();
}

// Replaces the level's text with a file's, which then counts as saved.
function loadLevel(name, text) {
  levelName.value = name;
  replacing = true;
  levelText.setText(text);
  replacing = false;
  kept.unsaved = false;
  keepFiles();
  if (ready) checkLevel();
}

// The game's status line with its numbers labelled, written only when it changes.
let statusShown = '';
function showStatus(text) {
  const f = /^(-?\d+) \/ (-?\d+) \/ (-?\d+) \/ (-?\d+)$/.exec(text);
  const shown = f ? `${f[1]} fps · ${f[2]} actors · step ${f[3]} · multiplier ${(f[4] / 1000).toFixed(3)}` : text;
  if (shown === statusShown) return;
  statusShown = shown;
  byId('status').textContent = shown;
}

let checkTimer = 0;
levelName.value = kept.name;
if (kept.base !== null) byId('base-note').textContent = 'base.vec: ' + kept.baseName;
levelName.addEventListener('change', keepFiles);
addEventListener('pagehide', () => keeper.flush());
addEventListener('beforeunload', event => {
  keeper.flush();
  if (!kept.unsaved) return;
  event.preventDefault();
  event.returnValue = 'The level has changed since it was saved.';
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
byId('level-file').addEventListener('change', event => readChosen(event.target, loadLevel));
byId('base-file').addEventListener('change', event => readChosen(event.target, useBase));
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
byId('base-shipped').addEventListener('click', () => useBase('', null));
byId('shipped-level').addEventListener('click', () => loadLevel('default.lev', shipped.level));
