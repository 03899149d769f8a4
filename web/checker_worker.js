// The playground's checker in a Web Worker: checker.js (web/checker_web.cpp) checks each
// level the page posts, {id, name, text, base}, and answers {id, report, ms}. `base` is the
// author's base.vec, or null for the shipped one.
'use strict';

const pending = [];
let ready = false;
var Module = {
  print: () => {},
  printErr: () => {},
  onRuntimeInitialized: () => {
    FS.chdir('/game');
    FS.writeFile('/game/shipped-base.vec', FS.readFile('/game/base.vec'));
    ready = true;
    pending.splice(0).forEach(check);
  },
};

// Checks one posted level and posts the report back.
function check({id, name, text, base}) {
  const started = performance.now();
  FS.writeFile('/game/base.vec', base === null ? FS.readFile('/game/shipped-base.vec') : base);
  FS.writeFile('/game/' + name, text);
  const report = Module.ccall('qf_check', 'string', ['string'], [name]);
  FS.unlink('/game/' + name);
  postMessage({id, report, ms: performance.now() - started});
}

onmessage = event => (ready ? check(event.data) : pending.push(event.data));
importScripts('checker.js');
