// Small checks beside the road: keyboard only, English settings, a phone, axe-core on
// every screen, offline from a local server, the guides' hold, bad input and a full or
// refused storage.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, existsSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { avvia, apri, servi, sel, valore, digita, davanti, messaggio, dati, CARTELLA, SOGGETTO, RIGA, RIGA_ZERI } from './browser.mjs';

const axe = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const attivo = (page) => page.evaluate(() => document.activeElement.dataset.nome || document.activeElement.id);
const clic = (page, finestra, nome) => page.click(sel(finestra, nome));

async function conBrowser(opzioni, prova) {
  const b = await avvia(opzioni);
  try { await prova(b.page, b); assert.deepEqual(b.errori, []); } finally { await b.chiudi(); }
}

test('solo tastiera: ordine di Tab e ogni Alt+lettera', () => conBrowser({}, async (page) => {
  await apri(page);
  const alt = async (tasto, maiuscolo = false) => {
    await page.keyboard.down('Alt');
    if (maiuscolo) await page.keyboard.down('Shift');
    await page.keyboard.press(tasto);
    if (maiuscolo) await page.keyboard.up('Shift');
    await page.keyboard.up('Alt');
  };
  const fronte = (finestra) => async () => assert.equal(await davanti(page), finestra);
  // The author picture and the author screen's "Esci" answer the keyboard too.
  await page.focus(sel('Form1', 'Image1'));
  await page.keyboard.press('Enter');
  await fronte('Form5')();
  await page.keyboard.press(' ');
  await fronte('Form1')();

  // Tab follows the table's TabIndex over the fields and buttons, and wraps both ways.
  const ordineTab = async () => {
    const ordine = await page.evaluate(() => FINESTRE.Form2.controlli
      .filter((c) => ['Casella', 'Pulsante'].includes(c.tipo) && c.tabIndex >= 0)
      .sort((a, b) => a.tabIndex - b.tabIndex).map((c) => c.nome));
    const visti = [];
    for (let i = 0; i <= ordine.length; ++i) { visti.push(await attivo(page)); await page.keyboard.press('Tab'); }
    assert.deepEqual(visti, [...ordine, ordine[0]]);
    await page.keyboard.down('Shift');
    await page.keyboard.press('Tab'); await page.keyboard.press('Tab');
    await page.keyboard.up('Shift');
    assert.equal(await attivo(page), ordine.at(-1));
  };
  await page.evaluate(() => { window.print = () => { document.body.dataset.stampato = 'si'; }; });

  // Every access key of every window: the window in front, the key, what shows it worked.
  const tasti = [
    ['Form1', 'i', fronte('form7')], ['form7', 'e', fronte('Form1')],
    ['Form1', 'c', async () => { await fronte('Form2')(); await ordineTab(); await digita(page, SOGGETTO); }],
    ['Form2', 'h', fronte('Form3')], ['Form3', 'e', fronte('Form2')], ['Form2', 'c', fronte('form4')], ['form4', 'e', fronte('Form2')],
    ['Form2', 's', async () => assert.equal(await page.evaluate(() => document.body.dataset.stampato), 'si')],
    ['Form2', 'p', async () => {
      assert.equal(await valore(page, 'Form2', 'alt'), '');
      // Alt+? moves among the three guide buttons that share it.
      const guide = [];
      for (let i = 0; i < 4; ++i) { await alt('Slash', true); guide.push(await attivo(page)); }
      assert.deepEqual(guide, ['Command1', 'Command3', 'Command11', 'Command1']);
    }],
    ['Form2', 'c', async () => {
      assert.equal(await messaggio(page), 'Mancano i dati ');
      await page.keyboard.press('Enter');
      assert.equal(await attivo(page), 'Command4');
    }],
    ['Form2', 'e', async () => { assert.equal(await attivo(page), 'ricomincia'); await page.keyboard.press('Enter'); }],
    ['Form1', 't', async () => assert.equal(await page.$eval('#chiuso', (c) => c.hidden), false)],
  ];
  for (const [finestra, tasto, controlla] of tasti) {
    assert.equal(await davanti(page), finestra, `Alt+${tasto}`);
    await alt(tasto);
    await controlla();
  }
}));

test('impostazioni inglesi: il separatore decimale è il punto', () => conBrowser({ lingua: 'en-US' }, async (page) => {
  await apri(page);
  await clic(page, 'Form1', 'Command2');
  await digita(page, { peso: '70', alt: '175', vita: '80', torace: '95' });
  await clic(page, 'Form2', 'Command7');
  assert.equal(await valore(page, 'Form2', 'kgp'), '22.8');
  await clic(page, 'Form2', 'lorent');
  assert.equal(await valore(page, 'Form2', 'kgp'), '0.98');
  await digita(page, { alt: '1,750' });                    // the grouping separator of English
  await clic(page, 'Form2', 'Command13');
  assert.equal(await valore(page, 'Form2', 'kgp'), '1650');
}));

test('telefono 390 × 844: una colonna, niente scorrimento orizzontale, ogni controllo raggiungibile', () =>
  conBrowser({ larghezza: 390, altezza: 844, tocco: true }, async (page) => {
    await apri(page);
    const controlla = async (finestra) => {
      assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), finestra);
      const piccoli = await page.$$eval(`#finestra-${finestra} button, #finestra-${finestra} input, #finestra-${finestra} [role="button"]`,
        (els) => els.filter((e) => e.offsetParent !== null).map((e) => [e.dataset.nome, e.getBoundingClientRect()])
          .filter(([, r]) => r.width < 44 || r.height < 44 || r.right > window.innerWidth).map(([n]) => n));
      assert.deepEqual(piccoli, [], finestra);
      const campi = await page.$$eval(`#finestra-${finestra} input`, (els) => els.map((e) => parseFloat(getComputedStyle(e).fontSize)));
      assert.ok(campi.every((px) => px >= 16), finestra);
    };
    const tocca = async (finestra, nome) => { await page.tap(sel(finestra, nome)); };
    await controlla('Form1');
    for (const [finestra, nome, poi] of [['Form1', 'Command1', 'form7'], ['form7', 'Command1', 'Form1'], ['Form1', 'Image1', 'Form5'],
      ['Form5', 'Label5', 'Form1'], ['Form1', 'Command2', 'Form2']]) {
      await tocca(finestra, nome);
      assert.equal(await davanti(page), poi);
      await controlla(poi);
    }
    assert.equal(await page.$eval(sel('Form2', 'eta'), (e) => e.inputMode), 'decimal');
    for (const [nome, testo] of Object.entries(SOGGETTO)) { await tocca('Form2', nome); await page.keyboard.type(testo); }
    await tocca('Form2', 'Command15');
    assert.equal(await valore(page, 'Form2', 'kgp'), '77,7');
    await tocca('Form2', 'Command4');
    assert.equal(await dati(page), RIGA);
    await controlla('form4');
    await tocca('form4', 'Command1');
    await page.setViewport({ width: 360, height: 740, hasTouch: true, isMobile: true });
    await controlla('Form2');
    await tocca('Form2', 'Command2');
    await controlla('Form3');
    // Only the window in front is seen; the list of open windows brings back any other.
    await page.tap('#elenco-finestre [data-finestra="Form1"]');
    assert.equal(await davanti(page), 'Form1');
  }));

test('axe-core: nessuna violazione in ogni schermata', () => conBrowser({}, async (page) => {
  await apri(page);
  const controlla = async (schermata) => {
    await page.evaluate(axe);
    const violazioni = await page.evaluate(async () => (await window.axe.run(document, { preload: false })).violations
      .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
    assert.deepEqual(violazioni, [], schermata);
  };
  await controlla('Form1');
  for (const [finestra, nome] of [['Form1', 'Command1'], ['form7', 'Command1'], ['Form1', 'Image1'], ['Form5', 'Label5'],
    ['Form1', 'Command2'], ['Form2', 'Command2'], ['Form3', 'Command1'], ['Form2', 'Command4']]) {
    await clic(page, finestra, nome);
    await controlla(`${finestra}.${nome}`);                // the last one shows the message box
  }
  await page.keyboard.press('Enter');
  await digita(page, SOGGETTO);
  await clic(page, 'Form2', 'Command4');
  await controlla('form4');
  await page.setViewport({ width: 390, height: 844 });
  await clic(page, 'form4', 'Command1');
  await controlla('Form2 in una colonna');
  // Every field has a name a screen reader speaks.
  const senzaNome = await page.$$eval('#finestra-Form2 input', (els) =>
    els.filter((e) => !e.labels.length && !e.getAttribute('aria-label')).map((e) => e.dataset.nome));
  assert.deepEqual(senzaNome, []);
}));

test('senza rete: servita da 127.0.0.1, caricata, poi offline e ricaricata', async () => {
  const server = await servi();
  const b = await avvia();
  try {
    const { page } = b;
    const esterne = [];
    page.on('request', (r) => {
      const u = r.url();
      if (!u.startsWith(server.indirizzo) && !u.startsWith('data:')) esterne.push(u);
    });
    const strada = async () => {
      await clic(page, 'Form1', 'Command2');
      await digita(page, SOGGETTO);
      for (const m of await page.evaluate(() => FINESTRE.Form2.metodi.map((x) => x.pulsante))) await clic(page, 'Form2', m);
      assert.equal(await valore(page, 'Form2', 'kgp'), '22,8');
      await clic(page, 'Form2', 'Command4');
      assert.equal(await dati(page), RIGA);
      await clic(page, 'form4', 'Command1');
      await clic(page, 'Form2', 'Command1');
      await page.waitForFunction((s) => document.querySelector(s).dataset.immagine.includes('grayne1'), {}, sel('Form2', 'help1'));
      await clic(page, 'Form2', 'Command8');
    };
    await apri(page, server.indirizzo);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload();
    await page.waitForFunction(() => document.documentElement.dataset.pronto === 'si' && navigator.serviceWorker.controller);
    // Installable: the browser finds nothing missing in the manifest and the worker.
    const cdp = await page.createCDPSession();
    assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    // Once loaded, the road asks the server for nothing.
    const caricate = server.richieste.length;
    await strada();
    assert.deepEqual(server.richieste.slice(caricate), []);
    // Offline for the page, and the server gone too: the service worker's own requests
    // are not held back by the page's offline mode.
    await page.setOfflineMode(true);
    server.chiudi();
    await page.reload();
    await page.waitForFunction(() => document.documentElement.dataset.pronto === 'si', { timeout: 10000 });
    await strada();
    assert.deepEqual(esterne, []);
    const estranee = server.richieste.filter((p) => !existsSync(join(CARTELLA, p === '/' ? 'index.html' : p)));
    assert.deepEqual(estranee, [], 'solo i file della pagina');
    assert.deepEqual(b.errori.filter((e) => !/ERR_INTERNET_DISCONNECTED/.test(e)), []);
  } finally {
    await b.chiudi();
    server.chiudi();
  }
});

test('le guide: l\'immagine resta un secondo e intanto i comandi aspettano', () => conBrowser({}, async (page) => {
  await apri(page);
  await clic(page, 'Form1', 'Command2');
  // All within one turn of the page, so that the hold cannot end in between.
  const durante = await page.evaluate((s1, s11, salt, shelp) => {
    document.querySelector(s1).click();
    const guida = document.querySelector(shelp).dataset.immagine;
    document.querySelector(s11).click();                   // taken after the hold
    document.querySelector(salt).click();
    for (const key of '170') document.activeElement.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true }));
    return [guida, document.querySelector(shelp).dataset.immagine, document.querySelector(salt).value];
  }, sel('Form2', 'Command1'), sel('Form2', 'Command11'), sel('Form2', 'alt'), sel('Form2', 'help1'));
  assert.deepEqual(durante, ['disegni/biac.svg', 'disegni/biac.svg', '']);
  // The second guide runs after the first, and the typing after the second.
  await page.waitForFunction((s) => document.querySelector(s).dataset.immagine === 'disegni/vita.svg',
    { timeout: 4000 }, sel('Form2', 'help1'));
  await page.waitForFunction((s) => document.querySelector(s).dataset.immagine === 'disegni/grayne2.svg',
    { timeout: 4000 }, sel('Form2', 'help1'));
  assert.equal(await valore(page, 'Form2', 'alt'), '170');
}));

test('testi sbagliati e memoria piena o rifiutata', () => conBrowser({}, async (page) => {
  await apri(page);
  await clic(page, 'Form1', 'Command2');
  // Texts of the desktop's fault tests, each in the height for the B.M.I.
  const testi = ['abc', ' ', '17O', '175cm', '0', '1E309', '1,7976931348623157E308', '-', ',', '.', 'E5',
    '\u{1F3CB}\uFE0F 70', '\u0667\u0660', '\u200F170', '1\u0301' + '70', '9'.repeat(1000)];
  for (const testo of testi) {
    await page.$eval(sel('Form2', 'peso'), (e) => { e.value = '70'; });
    await page.$eval(sel('Form2', 'alt'), (e, t) => { e.value = t; }, testo);
    await clic(page, 'Form2', 'Command7');
    assert.equal(await messaggio(page), 'Mancano i dati ', JSON.stringify(testo).slice(0, 30));
    await page.keyboard.press('Enter');
  }
  // A full storage: the message, and what was stored before stays.
  await digita(page, SOGGETTO);
  await page.evaluate((v) => localStorage.setItem('ponderino/dati.txt', v), RIGA_ZERI);
  await page.evaluate(() => {
    Storage.prototype.setItem = function () { throw new DOMException('piena', 'QuotaExceededError'); };
  });
  for (const comando of ['Command4', 'Command8']) {
    await clic(page, 'Form2', comando);
    assert.match(await messaggio(page), /memoria del browser è piena/);
    await page.keyboard.press('Enter');
    assert.equal(await dati(page), RIGA_ZERI);
  }
  assert.notEqual(await davanti(page), 'form4');
  // A refused storage (a private window): the page starts and says so when storing.
  await page.evaluateOnNewDocument(() => {
    Object.defineProperty(window, 'localStorage', { get() { throw new DOMException('rifiutata', 'SecurityError'); } });
  });
  await apri(page);
  await clic(page, 'Form1', 'Command2');
  await digita(page, SOGGETTO);
  await clic(page, 'Form2', 'Command4');
  assert.match(await messaggio(page), /non è disponibile/);
  await page.keyboard.press('Enter');
  await clic(page, 'Form2', 'Command10');
  assert.match(await messaggio(page), /Impossibile leggere il file dati.txt/);
}));
