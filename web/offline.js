// The page without a server: the single file (scripts/build-web --single-file) carries the
// program and its data in window.qfEmbedded, handed here to the game in place of the files
// it would fetch; the normal page opened from disk says on the page why it cannot start;
// served over http(s), a service worker (sw.js) keeps the page's files for visits offline.
'use strict';

// Bytes of base64 text.
const embeddedBytes = text => Uint8Array.from(atob(text), c => c.charCodeAt(0));

// What the page says when it was opened from disk without the game inside.
const fromFileText = 'This page was opened from a file (file://), and browsers do not let such a ' +
    'page read the game beside it (quillfray.wasm and quillfray.data), so the game cannot ' +
    'start here. Serve the folder instead: scripts/serve-web, then open the address it ' +
    'prints (http://127.0.0.1:8000/). Or open quillfray.html, the single file that ' +
    '"scripts/build-web --single-file" writes, which works from disk.';

if (window.qfEmbedded) {
  Module.wasmBinary = embeddedBytes(window.qfEmbedded.wasm);
  const data = embeddedBytes(window.qfEmbedded.data);
  Module.getPreloadedPackage = () => data.buffer;
} else if (location.protocol === 'file:') {
  const loading = byId('loading');
  loading.textContent = fromFileText;
  loading.classList.add('problem');
  // The game is not started at all: nothing is fetched that cannot come.
  Module.instantiateWasm = () => ({});
  Module.getPreloadedPackage = () => new ArrayBuffer(0);
} else if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol)) {
  navigator.serviceWorker.register('sw.js').catch(error => note('Offline copy: ' + error));
}
