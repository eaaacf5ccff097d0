// The web edition's figures, measured in Debian's chromium (not a test; run by hand):
//   node bench/web.mjs            (after make web; PONDERINO_WEB picks another build-web)
// - the size of build-web/ (the screenshots of confronto/ left out), before compression;
// - the time from navigation to the first usable window (the start screen shown, the
//   core compiled, every picture decoded), median of several fresh loads;
// - the time of one method click (handler, result, picture and layout), median of many.
import { readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { avvia, apri, sel, digita, CARTELLA, INDIRIZZO_FILE, SOGGETTO } from '../tests/web/browser.mjs';

const CARICAMENTI = 15;
const CLIC = 300;

function dimensione(cartella) {
  let totale = 0;
  for (const voce of readdirSync(cartella, { withFileTypes: true })) {
    if (voce.name === 'confronto') continue;
    const percorso = join(cartella, voce.name);
    totale += voce.isDirectory() ? dimensione(percorso) : statSync(percorso).size;
  }
  return totale;
}

const mediana = (v) => { const s = [...v].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };

const { page, chiudi } = await avvia();
try {
  const avvii = [];
  for (let i = 0; i < CARICAMENTI; ++i) {
    await apri(page, `${INDIRIZZO_FILE}?${i}`);
    avvii.push(await page.evaluate(() => performance.getEntriesByName('ponderino-pronto')[0].startTime));
  }
  await page.click(sel('Form1', 'Command2'));
  await digita(page, SOGGETTO);
  const clic = await page.evaluate((n, pulsanti) => {
    const tempi = [];
    for (let i = 0; i < n; ++i) {
      const b = document.querySelector(pulsanti[i % pulsanti.length]);
      const t0 = performance.now();
      b.click();
      document.body.getBoundingClientRect();               // the layout the click causes
      tempi.push(performance.now() - t0);
    }
    return tempi;
  }, CLIC, (await page.evaluate(() => FINESTRE.Form2.metodi.map((m) => m.pulsante))).map((p) => sel('Form2', p)));
  const kb = (dimensione(CARTELLA) / 1024).toFixed(1);
  console.log(`build-web/: ${kb} KB (${CARTELLA})`);
  console.log(`prima finestra usabile: mediana ${mediana(avvii).toFixed(0)} ms, massimo ${Math.max(...avvii).toFixed(0)} ms (${CARICAMENTI} caricamenti da file://)`);
  console.log(`clic su un metodo: mediana ${mediana(clic).toFixed(2)} ms, massimo ${Math.max(...clic).toFixed(2)} ms (${CLIC} clic)`);
} finally {
  await chiudi();
}
