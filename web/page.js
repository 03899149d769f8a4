// The Quillfray page: starts the game (quillfray.js, built by scripts/build-web) on the
// canvas, keeps the controls file in the browser's local storage, and runs the level
// playground: a level text checked by the game's own checker and played on "Play".
'use strict';

const gameFolder = '/game';
const controlsPath = gameFolder + '/quillfray.cfg';
const controlsKey = 'quillfray.cfg';
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
    for (const id of ['play', 'shipped-level', 'base-shipped', 'base-file', 'replay-file'])
      byId(id).disabled = false;
    canvas.focus();
    checkLevel();
    setInterval(keepControls, 1000);
  }],
};

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
  FS.writeFile(gameFolder + '/' + name, levelText.value);
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

// Checks the level and starts a run of it.
function play() {
  const name = checkLevel();
  Module.ccall('qf_play', null, ['string'], [name]);
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
  link.href = URL.createObjectURL(new Blob([levelText.value], {type: 'text/plain'}));
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
levelText.value = starterLevel;
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
byId('fullscreen').addEventListener('click', () => {
  canvas.requestFullscreen().then(() => canvas.focus(), error => note('Fullscreen: ' + error));
});
byId('level-file').addEventListener('change', event => readChosen(event.target, (name, text) => {
  levelName.value = name;
  levelText.value = text;
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
byId('base-shipped').addEventListener('click', () => {
  FS.writeFile(gameFolder + '/base.vec', shipped.base);
  byId('base-note').textContent = 'base.vec: shipped';
  checkLevel();
});
byId('shipped-level').addEventListener('click', () => {
  levelName.value = 'default.lev';
  levelText.value = shipped.level;
  checkLevel();
});
