// Ponderino in the browser: the six windows built from FINESTRE (ponderino-tabelle,
// written from the same tables as the desktop windows), every command's steps from those tables
// or from the core in WebAssembly (ponderino-core-<hash>.js, fetched after the first window),
// dati.txt kept in the browser's local storage. Bundled by scripts/web.sh into one
// classic script, ponderino-<hash>.js.
import { FINESTRE, DISEGNI } from 'ponderino-tabelle';
import * as archivio from './archivio.mjs';
import { separatori, sistemaApple } from './disposizione.mjs';
import { stato, mostra, ricomincia, preparaLayout } from './finestre.mjs';
import { preparaComandi } from './comandi.mjs';
import { preparaMessaggio, mostraMessaggio } from './messaggio.mjs';
import { preparaTastiera } from './tastiera.mjs';
import { registra, ripristina } from './aggiornamento.mjs';

// Regional settings: the browser's first language, as the desktop takes the system's.
const lingua = (navigator.languages && navigator.languages[0]) || navigator.language || 'it';

// The core's script, fetched once the first window stands: nothing but the commands
// that calculate waits for it.
function caricaNucleo() {
  return new Promise((fatto, errore) => {
    const script = document.createElement('script');
    script.src = NUCLEO;       // the core's file name, with its content hash (scripts/web.sh)
    script.onload = () => (typeof PonderinoCore === 'function' ? fatto(PonderinoCore())
      : errore(new Error('ponderino-core.js non contiene il nucleo')));
    script.onerror = () => errore(new Error('ponderino-core.js manca'));
    document.head.append(script);
  });
}

// Every picture the windows and the commands may show, fetched at the start, so that
// nothing is fetched later; kept alive, so that they stay in the page's memory cache.
const tenute = [];
function precarica(file) {
  const i = new Image();
  i.src = file;
  tenute.push(i);
  return i.decode().catch(() => {});
}

function avvia() {
  preparaLayout();
  preparaMessaggio();
  stato.apple = sistemaApple(navigator);
  preparaTastiera(stato.apple);
  document.getElementById('ricomincia').addEventListener('click', ricomincia);
  archivio.aggiornaScarica();
  archivio.seguiAltreSchede();
  const f = mostra('Form1');
  document.documentElement.dataset.avviata = 'si';
  ripristina();
  const nucleo = preparaComandi(caricaNucleo, separatori(lingua));
  // The first window is usable once its own pictures are drawn.
  const prime = [...Array.from(f.sezione.querySelectorAll('[data-immagine]'), (el) => el.dataset.immagine),
    ...Array.from(f.sezione.querySelectorAll('img'), (el) => el.getAttribute('src'))].filter(Boolean);
  const altre = new Set(Object.values(DISEGNI));
  for (const fin of Object.values(FINESTRE)) {
    for (const p of [fin.progetto.icona, fin.progetto.immagine]) if (p) altre.add(p);
    for (const c of fin.controlli) if (c.immagine) altre.add(c.immagine);
  }
  Promise.all(prime.map(precarica)).then(() => {
    document.documentElement.dataset.pronto = 'si';
    performance.mark('ponderino-pronto');
  });
  for (const p of altre) if (!prime.includes(p)) precarica(p);
  nucleo.then(() => performance.mark('ponderino-nucleo'),
    (e) => mostraMessaggio('Ponderino non può calcolare: ' + e.message));
  // Installing and working offline need http(s); from a file the page simply runs.
  if (/^https?:$/.test(location.protocol)) {
    const manifesto = document.createElement('link');
    manifesto.rel = 'manifest';
    manifesto.href = 'manifest.webmanifest';
    document.head.append(manifesto);
    if ('serviceWorker' in navigator) registra();
  }
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', avvia);
else avvia();
