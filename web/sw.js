// Keeps Ponderino's own files, so that it works with the network off once it has been
// loaded over http(s). Each file is fetched from the network when there is one (and the
// copy kept up to date), else taken from the copy.
'use strict';
importScripts('finestre.js');

const CACHE = 'ponderino';

function fileDellaPagina() {
  const disegno = (f) => 'disegni/' + f.replace(/\.[^.]*$/, '') + '.svg';
  const file = new Set(['./', 'index.html', 'stile.css', 'ponderino.js', 'finestre.js', 'ponderino-core.js',
    'manifest.webmanifest', 'Help.htm']);
  for (const fin of Object.values(FINESTRE)) {
    for (const p of [fin.progetto.icona, fin.progetto.immagine]) if (p) file.add(p);
    for (const c of fin.controlli) if (c.immagine) file.add(c.immagine);
  }
  const f2 = FINESTRE.Form2;
  for (const m of f2.metodi) file.add(disegno(m.immagine));
  for (const g of f2.guide) { file.add(disegno(g.guida)); file.add(disegno(g.neutra)); }
  file.add(disegno(f2.pulisci));
  return Array.from(file);
}

self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(CACHE).then((c) => c.addAll(fileDellaPagina())).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (e) => {
  e.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', (e) => {
  const richiesta = e.request;
  if (richiesta.method !== 'GET' || new URL(richiesta.url).origin !== self.location.origin) return;
  e.respondWith(
    fetch(richiesta).then((risposta) => {
      if (risposta.ok) {
        const copia = risposta.clone();
        e.waitUntil(caches.open(CACHE).then((c) => c.put(richiesta, copia)));
      }
      return risposta;
    }).catch(() => caches.match(richiesta, { ignoreSearch: true }).then((r) => r || Response.error())),
  );
});
