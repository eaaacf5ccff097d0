// Keeps Ponderino's own files, so that it works with the network off once it has been
// loaded over http(s). Every file of one build is kept together, in a cache named after
// the build's content: the page's files are served from it, never mixed with another
// build's. A new build is fetched whole in the background and takes over at the next
// start, once no page of the old one is open; the old cache is then deleted.
// scripts/web.sh writes the build's name and its list of files below.
'use strict';

const VERSIONE = '@VERSIONE@';
const FILE = ['./', @FILE@];
const CACHE = 'ponderino-' + VERSIONE;

self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(CACHE).then((c) => c.addAll(FILE.map((f) => new Request(f, { cache: 'reload' })))));
});

self.addEventListener('activate', (e) => {
  e.waitUntil(caches.keys().then((nomi) => Promise.all(
    nomi.filter((n) => n.startsWith('ponderino') && n !== CACHE).map((n) => caches.delete(n)))));
});

self.addEventListener('fetch', (e) => {
  const richiesta = e.request;
  if (richiesta.method !== 'GET' || new URL(richiesta.url).origin !== self.location.origin) return;
  e.respondWith(caches.open(CACHE)
    .then((c) => c.match(richiesta, { ignoreSearch: true }))
    .then((copia) => copia || fetch(richiesta)));
});
