// How the page reaches the person, in Chromium: without its core, the windows still
// work; served and installed, a new build takes over whole at the next start, never
// mixed with the old one, not even when the network gives only part of it.
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { appendFileSync, cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { avvia, spegni, servi, vede, sel, valore, compila, davanti, messaggio, dati, CARTELLA, RIGA_ZERI } from './browser.mjs';

const clic = (b, finestra, nome) => b.clic(sel(finestra, nome));
after(() => spegni());

// A copy of the build, marked as build `versione` (none: the build as it is), less one file.
function copia(cartella, versione, senza) {
  rmSync(cartella, { recursive: true, force: true });
  cpSync(CARTELLA, cartella, { recursive: true });
  if (versione) {
    appendFileSync(join(cartella, 'finestre.js'), `\nvar VERSIONE_TABELLE = '${versione}';\n`);
    appendFileSync(join(cartella, 'ponderino.js'), `\nwindow.VERSIONE_PAGINA = '${versione}';\n`);
    const sw = join(cartella, 'sw.js');
    writeFileSync(sw, readFileSync(sw, 'utf8').replace(/const VERSIONE = '([^']*)'/, `const VERSIONE = '$1${versione}'`));
  }
  if (senza) rmSync(join(cartella, senza));
}
const versione = (b) => b.valuta(() => [window.VERSIONE_TABELLE || 'A', window.VERSIONE_PAGINA || 'A']);

test('senza il nucleo: le finestre e i comandi che non calcolano funzionano', async () => {
  const cartella = mkdtempSync(join(tmpdir(), 'ponderino-senza-nucleo-'));
  copia(cartella, null, 'ponderino-core.js');
  const b = await avvia('chromium');
  try {
    // The page asks to keep its storage, as browsers that forget unvisited sites offer.
    await b.page.evaluateOnNewDocument(() => {
      navigator.storage.persist = () => { window.persistenzaChiesta = true; return Promise.resolve(true); };
    });
    await b.page.goto(pathToFileURL(join(cartella, 'index.html')).href);
    await vede(() => messaggio(b), /^Ponderino non può calcolare: /);
    assert.equal(await b.valuta(() => window.persistenzaChiesta), true);
    await b.premi('Enter');
    for (const [finestra, nome, poi] of [['Form1', 'Command1', 'form7'], ['form7', 'Command1', 'Form1'], ['Form1', 'Command2', 'Form2']]) {
      await clic(b, finestra, nome);
      await vede(() => davanti(b), poi);
    }
    await clic(b, 'Form2', 'Command8');
    await vede(() => dati(b), RIGA_ZERI);
    await clic(b, 'Form2', 'Command13');
    await vede(() => messaggio(b), /^Ponderino non può calcolare: /);
  } finally {
    await b.chiudi();
    rmSync(cartella, { recursive: true, force: true });
  }
});

test('aggiornamento: una versione intera alla volta, alla partenza dopo, anche senza rete', async () => {
  const cartella = mkdtempSync(join(tmpdir(), 'ponderino-servita-'));
  copia(cartella);
  const server = await servi(cartella);
  let b = await avvia('chromium', { condiviso: true });
  const calcola = async () => {
    await clic(b, 'Form1', 'Command2');
    await compila(b, { alt: '170' });
    await clic(b, 'Form2', 'Command13');
    await vede(() => valore(b, 'Form2', 'kgp'), '70');
  };
  try {
    await b.vai(server.indirizzo);
    await b.valuta(() => navigator.serviceWorker.ready.then(() => true));
    await b.vai(server.indirizzo);
    await b.attendi(() => navigator.serviceWorker.controller !== null);
    // Build B, but the network gives it only in part: the page stays wholly A, and works.
    copia(cartella, 'B', 'ponderino-core.js');
    await b.vai(server.indirizzo);
    assert.deepEqual(await versione(b), ['A', 'A']);
    await calcola();
    // Build B whole: fetched in the background, it waits while a page of A is open.
    copia(cartella, 'B');
    await b.valuta(() => navigator.serviceWorker.getRegistration().then((r) => r.update()).then(() => true));
    await b.attendi(() => navigator.serviceWorker.getRegistration().then((r) => !!r && !!r.waiting));
    await b.vai(server.indirizzo);
    assert.deepEqual(await versione(b), ['A', 'A']);
    // The next start is wholly B, also offline, and only B's cache is left.
    await b.chiudi();
    b = await avvia('chromium', { condiviso: true });
    await b.vai(server.indirizzo);
    await vede(() => versione(b), ['B', 'B']);
    server.chiudi();
    await b.page.setOfflineMode(true);
    await b.vai(server.indirizzo);
    assert.deepEqual(await versione(b), ['B', 'B']);
    await calcola();
    assert.equal((await b.valuta(() => caches.keys())).length, 1);
  } finally {
    await b.chiudi();
    server.chiudi();
    rmSync(cartella, { recursive: true, force: true });
  }
});
