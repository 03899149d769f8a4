// The page's service worker (offline.js registers it over http(s)): keeps a copy of the
// page's files, those index.html names and the game's program and data, so that the page
// opens offline after its first visit. Online, every file still comes from the server
// (a new build shows at once) and the copy is brought up to date.
'use strict';

const cacheName = 'quillfray';
// Fetched besides the files index.html names.
const gameFiles = ['./', 'index.html', 'quillfray.js', 'quillfray.wasm', 'quillfray.data'];

// The files index.html names in its src and href attributes (this folder's only).
async function pageFiles() {
  const page = await (await fetch('index.html', {cache: 'no-store'})).text();
  const named = [...page.matchAll(/\s(?:src|href)="([^":#?]+)"/g)].map(found => found[1]);
  return [...new Set([...gameFiles, ...named])];
}

self.addEventListener('install', event => {
  event.waitUntil((async () => {
    const cache = await caches.open(cacheName);
    // One missing file (an optional script) does not keep the others out.
    await Promise.all((await pageFiles()).map(file => cache.add(file).catch(() => {})));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', event => event.waitUntil(self.clients.claim()));

self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(cacheName);
    try {
      const response = await fetch(request);
      if (response.ok) await cache.put(request, response.clone());
      return response;
    } catch (error) {
      const kept = await cache.match(request, {ignoreSearch: true});
      if (kept) return kept;
      throw error;
    }
  })());
});
