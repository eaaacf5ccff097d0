// The web edition's figures in Chromium, Firefox and WebKitGTK side by side (not a test;
// run by hand after make web; PONDERINO_WEB picks another build-web, PONDERINO_MOTORI
// fewer engines):
//   node bench/web.mjs
// - the size of build-web/, before compression;
// - the time from navigation to the first usable window (the start screen shown, the
//   core compiled, every picture decoded: the page's "ponderino-pronto" mark), the
//   slowest and the median of fresh loads from file://;
// - the time of one method click (handler, steps, picture and layout), the slowest
//   and the median of many. Firefox and WebKit give performance.now() in whole
//   milliseconds to a page like this one.
import { readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { avvia, spegni, sel, compila, CARTELLA, INDIRIZZO_FILE, METODI, MOTORI, SOGGETTO } from '../tests/web/browser.mjs';

const CARICAMENTI = 30;
const CLIC = 300;

function dimensione(cartella) {
  let totale = 0;
  for (const voce of readdirSync(cartella, { withFileTypes: true })) {
    const percorso = join(cartella, voce.name);
    totale += voce.isDirectory() ? dimensione(percorso) : statSync(percorso).size;
  }
  return totale;
}

const mediana = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];
const cifre = (v, d) => `${Math.max(...v).toFixed(d)} (${mediana(v).toFixed(d)})`.padStart(16);

const avvii = {};
const clic = {};
for (const motore of MOTORI) {
  const b = await avvia(motore);
  try {
    avvii[motore] = [];
    for (let i = 0; i < CARICAMENTI; ++i) {
      await b.vai(`${INDIRIZZO_FILE}?${i}`);
      avvii[motore].push(await b.valuta(() => performance.getEntriesByName('ponderino-pronto')[0].startTime));
    }
    await b.clic(sel('Form1', 'Command2'));
    await compila(b, SOGGETTO);
    // A click ends when its steps have run: the method's name printed on the window is
    // the first of them, and the others follow in the same turn.
    clic[motore] = await b.valuta(async (n, pulsanti) => {
      const superficie = document.querySelector('#finestra-Form2 .superficie');
      const tempi = [];
      for (let i = 0; i < n; ++i) {
        const stampata = new Promise((ok) => new MutationObserver((_, o) => { o.disconnect(); ok(); })
          .observe(superficie, { childList: true }));
        const t0 = performance.now();
        document.querySelector(pulsanti[i % pulsanti.length]).click();
        await stampata;
        document.body.getBoundingClientRect();             // the layout the click causes
        tempi.push(performance.now() - t0);
      }
      return tempi;
    }, CLIC, METODI.map(([pulsante]) => sel('Form2', pulsante)));
  } finally {
    await b.chiudi();
    await spegni(motore);
  }
}
console.log(`build-web/: ${(dimensione(CARTELLA) / 1024).toFixed(1)} KB (${CARTELLA})`);
console.log(`${'la più lenta (mediana)'.padEnd(48)}${MOTORI.map((m) => m.padStart(16)).join('')}`);
console.log(`${`prima finestra usabile, ms (${CARICAMENTI} caricamenti da file://)`.padEnd(48)}${MOTORI.map((m) => cifre(avvii[m], 0)).join('')}`);
console.log(`${`clic su un metodo, ms (${CLIC} clic)`.padEnd(48)}${MOTORI.map((m) => cifre(clic[m], 2)).join('')}`);
process.exit(0);
