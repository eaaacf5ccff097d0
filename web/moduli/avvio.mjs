// Ponderino in the browser: the six windows built from FINESTRE (finestre.js, written
// from the same tables as the desktop windows), every command's steps from those tables
// or from the core in WebAssembly (ponderino-core.js), dati.txt kept in the browser's
// local storage. Bundled by scripts/web.sh into one classic script, ponderino.js.
import * as archivio from './archivio.mjs';
import { separatori, sistemaApple } from './disposizione.mjs';
import { mostra, ricomincia, preparaLayout } from './finestre.mjs';
import { preparaComandi } from './comandi.mjs';
import { preparaMessaggio, mostraMessaggio } from './messaggio.mjs';
import { preparaTastiera } from './tastiera.mjs';

// Regional settings: the browser's first language, as the desktop takes the system's.
const lingua = (navigator.languages && navigator.languages[0]) || navigator.language || 'it';

const tenute = [];
function avvia() {
  preparaLayout();
  preparaMessaggio();
  preparaTastiera(sistemaApple(navigator));
  document.getElementById('ricomincia').addEventListener('click', ricomincia);
  archivio.aggiornaScarica();
  archivio.chiediPersistenza();
  const pronto = preparaComandi(() => {
    if (typeof PonderinoCore !== 'function') throw new Error('ponderino-core.js manca');
    return PonderinoCore();
  }, separatori(lingua));
  mostra('Form1');
  // Every picture the windows and the commands may show, fetched now, so that nothing
  // is fetched later; kept alive, so that they stay in the page's memory cache.
  const immagini = new Set(Object.values(DISEGNI));
  for (const fin of Object.values(FINESTRE)) {
    for (const p of [fin.progetto.icona, fin.progetto.immagine]) if (p) immagini.add(p);
    for (const c of fin.controlli) if (c.immagine) immagini.add(c.immagine);
  }
  tenute.push(...Array.from(immagini, (src) => { const i = new Image(); i.src = src; return i; }));
  const caricate = tenute.map((i) => i.decode().catch(() => {}));
  Promise.all([pronto, ...caricate]).then(() => {
    document.documentElement.dataset.pronto = 'si';
    performance.mark('ponderino-pronto');
  }).catch((e) => mostraMessaggio('Ponderino non può calcolare: ' + e.message));
  // Installing and working offline need http(s); from a file the page simply runs.
  if (/^https?:$/.test(location.protocol)) {
    const manifesto = document.createElement('link');
    manifesto.rel = 'manifest';
    manifesto.href = 'manifest.webmanifest';
    document.head.append(manifesto);
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => { /* works online all the same */ });
  }
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', avvia);
else avvia();
