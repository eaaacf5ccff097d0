// Keeps Ponderino's own files, so that it works with the network off once it has been
// loaded over http(s). Every file of one build is kept together, in a cache named after
// the folder the page is served from and the build's content: the page's files are
// served from it, never mixed with another build's, and a build at another folder of
// the same site keeps its own. A file enters the cache only when its bytes are the ones
// the build made (a stale copy from a proxy, a half-finished upload never do). A new
// build is fetched whole in the background; the page offers it, and it takes over when
// the person asks (or at the next start); the old cache is then deleted.
// scripts/web.sh writes the build's name and its files with their SHA-256 below.
'use strict';

const VERSIONE = '@VERSIONE@';
const FILE = {@FILE@};
const PREFISSO = 'ponderino ' + self.registration.scope + ' ';
const CACHE = PREFISSO + VERSIONE;

const esadecimale = (b) => Array.from(new Uint8Array(b), (x) => x.toString(16).padStart(2, '0')).join('');

async function prendi(cache, nome, impronta) {
  const risposta = await fetch(new Request(nome, { cache: 'reload' }));
  if (!risposta.ok) throw new Error(nome + ': ' + risposta.status);
  const byte = await risposta.clone().arrayBuffer();
  if (esadecimale(await crypto.subtle.digest('SHA-256', byte)) !== impronta) {
    throw new Error(nome + ': non è il file di questa versione');
  }
  await cache.put(nome, risposta);
}

self.addEventListener('install', (e) => {
  e.waitUntil(caches.has(CACHE).then((cera) => caches.open(CACHE)
    .then((c) => Promise.all(Object.entries(FILE).map(([nome, impronta]) => prendi(c, nome, impronta))))
    .catch((errore) => (cera ? null : caches.delete(CACHE)).then(() => { throw errore; }))));
});

self.addEventListener('activate', (e) => {
  e.waitUntil(caches.keys().then((nomi) => Promise.all(
    nomi.filter((n) => n.startsWith(PREFISSO) && n !== CACHE).map((n) => caches.delete(n)))));
});

// The page's «Aggiorna»: the new build takes over now.
self.addEventListener('message', (e) => { if (e.data === 'aggiorna') self.skipWaiting(); });

self.addEventListener('fetch', (e) => {
  const richiesta = e.request;
  if (richiesta.method !== 'GET' || new URL(richiesta.url).origin !== self.location.origin) return;
  e.respondWith(caches.open(CACHE)
    .then((c) => c.match(richiesta, { ignoreSearch: true }))
    .then((copia) => copia || fetch(richiesta)));
});
