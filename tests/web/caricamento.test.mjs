// How the page reaches the person: without its core, the windows still work (Chromium);
// served and installed, a new build is offered and taken whole, never mixed with the
// old one, not even when the network gives only part of it (Chromium and Firefox).
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { appendFileSync, cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createHash } from 'node:crypto';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { avvia, spegni, servi, MOTORI, vede, sel, valore, compila, davanti, messaggio, dati, script, CARTELLA, RIGA_ZERI } from './browser.mjs';

const clic = (b, finestra, nome) => b.clic(sel(finestra, nome));
after(() => spegni());

// A copy of the build, marked as build `versione` (none: the build as it is), less one
// script; the worker's list holds the marked scripts' hashes (`falsa`: it does not).
function copia(cartella, versione, senza, falsa) {
  rmSync(cartella, { recursive: true, force: true });
  cpSync(CARTELLA, cartella, { recursive: true });
  if (versione) {
    const sw = join(cartella, 'sw.js');
    let lavoratore = readFileSync(sw, 'utf8').replace(/const VERSIONE = '([^']*)'/, `const VERSIONE = '$1${versione}'`);
    const pagina = script('ponderino', cartella);
    appendFileSync(join(cartella, pagina), `\nwindow.VERSIONE_PAGINA = '${versione}';\n`);
    if (!falsa) {
      lavoratore = lavoratore.replace(new RegExp(`('${pagina}': ')[0-9a-f]+`),
        `$1${createHash('sha256').update(readFileSync(join(cartella, pagina))).digest('hex')}`);
    }
    writeFileSync(sw, lavoratore);
  }
  if (senza) rmSync(join(cartella, script(senza, cartella)));
}
const versione = (b) => b.valuta(() => window.VERSIONE_PAGINA || 'A');

test('senza il nucleo: le finestre e i comandi che non calcolano funzionano', async () => {
  const cartella = mkdtempSync(join(tmpdir(), 'ponderino-senza-nucleo-'));
  copia(cartella, null, 'ponderino-core');
  const b = await avvia('chromium');
  try {
    // The page asks to keep its storage, as browsers that forget unvisited sites offer.
    await b.page.evaluateOnNewDocument(() => {
      navigator.storage.persist = () => { window.persistenzaChiesta = true; return Promise.resolve(true); };
    });
    await b.page.goto(pathToFileURL(join(cartella, 'index.html')).href);
    await vede(() => messaggio(b), /^Ponderino non può calcolare: /);
    assert.equal(await b.valuta(() => window.persistenzaChiesta), undefined);
    await b.premi('Enter');
    for (const [finestra, nome, poi] of [['Form1', 'Command1', 'form7'], ['form7', 'Command1', 'Form1'], ['Form1', 'Command2', 'Form2']]) {
      await clic(b, finestra, nome);
      await vede(() => davanti(b), poi);
    }
    await clic(b, 'Form2', 'Command8');
    await vede(() => dati(b), RIGA_ZERI);
    // Asked once a line is stored; a line stored in another tab is the one downloaded.
    assert.equal(await b.valuta(() => window.persistenzaChiesta), true);
    const scarica = () => b.valuta(() => document.getElementById('scarica').href);
    const prima = await scarica();
    const altra = await b.page.browserContext().newPage();
    await altra.goto(b.page.url());
    await altra.evaluate(() => localStorage.setItem('ponderino/dati.txt', '"1","2"\r\n'));
    await altra.close();
    await vede(async () => (await scarica()) !== prima, true);
    await clic(b, 'Form2', 'Command13');
    await vede(() => messaggio(b), /^Ponderino non può calcolare: /);
  } finally {
    await b.chiudi();
    rmSync(cartella, { recursive: true, force: true });
  }
});

for (const motore of ['chromium', 'firefox'].filter((m) => MOTORI.includes(m))) {
test(`${motore}: aggiornamento, una versione intera alla volta, offerta e presa con «Aggiorna», anche senza rete`, async () => {
  // Two builds at two folders of one site: /a/ is updated, /b/ keeps its own copy.
  const sito = mkdtempSync(join(tmpdir(), 'ponderino-servita-'));
  const cartella = join(sito, 'a');
  copia(cartella);
  const server = await servi(sito);
  const a = server.indirizzo + 'a/';
  const b = await avvia(motore, { condiviso: true });
  const calcola = async () => {
    await clic(b, 'Form1', 'Command2');
    await compila(b, { alt: '170' });
    await clic(b, 'Form2', 'Command13');
    await vede(() => valore(b, 'Form2', 'kgp'), '70');
  };
  const installa = async (indirizzo) => {
    await b.vai(indirizzo);
    await b.valuta(() => navigator.serviceWorker.ready.then(() => true));
    await b.vai(indirizzo);
    await b.attendi(() => navigator.serviceWorker.controller !== null);
  };
  const offerta = () => b.valuta(() => !document.getElementById('aggiornamento').hidden &&
    document.getElementById('aggiornamento').textContent);
  try {
    await installa(a);
    // Build B, but the network gives it only in part, or a file that is not B's: never
    // installed; the page stays wholly A, offers nothing, and works.
    for (const [senza, falsa] of [['ponderino-core', false], [null, true]]) {
      copia(cartella, 'B', senza, falsa);
      // The new worker found by the update ends discarded, not waiting.
      assert.equal(await b.valuta(() => navigator.serviceWorker.getRegistration().then((r) => new Promise((ok) => {
        r.addEventListener('updatefound', () => {
          const w = r.installing;
          w.addEventListener('statechange', () => { if (w.state === 'installed' || w.state === 'redundant') ok(w.state); });
        });
        r.update().catch(() => ok('redundant'));
      }))), 'redundant', String(senza));
      await b.vai(a);
      assert.deepEqual([await versione(b), await offerta()], ['A', false]);
      await calcola();
    }
    // Build B whole: fetched in the background, offered; «Aggiorna» moves to it at once,
    // the calculation screen's boxes as they were.
    copia(cartella, 'B');
    await b.valuta(() => navigator.serviceWorker.getRegistration().then((r) => r.update()).then(() => true));
    await vede(offerta, 'È disponibile una nuova versione di Ponderino — Aggiorna');
    assert.equal(await versione(b), 'A');
    await compila(b, { peso: '71' });
    await b.clic('#aggiorna');
    await vede(() => versione(b).catch(() => null), 'B');
    await b.attendi(() => document.documentElement.dataset.pronto === 'si');
    assert.deepEqual([await davanti(b), await valore(b, 'Form2', 'alt'), await valore(b, 'Form2', 'peso'), await valore(b, 'Form2', 'kgp')],
      ['Form2', '170', '71', '70']);
    copia(join(sito, 'b'));
    await installa(server.indirizzo + 'b/');
    // Offline (the server gone; Chromium's offline switch too), /a/ is wholly B and /b/
    // wholly A: one cache each.
    server.chiudi();
    if (!b.limiti.cdp) await b.page.setOfflineMode(true);
    for (const [cartella, attesa] of [['a/', 'B'], ['b/', 'A']]) {
      await b.vai(server.indirizzo + cartella);
      assert.equal(await versione(b), attesa, cartella);
      await calcola();
    }
    assert.equal((await b.valuta(() => caches.keys())).length, 2);
  } finally {
    await b.chiudi();
    server.chiudi();
    rmSync(sito, { recursive: true, force: true });
  }
});
}
