// Small checks beside the road, in every engine: keyboard only, English settings, a
// phone, axe-core on every screen, offline from a local server, the guides' hold, bad
// input and a full or refused storage.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, existsSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { FINESTRE, avvia, perMotore, servi, vede, sel, valore, compila, davanti, attivo, messaggio, dati, CARTELLA, SOGGETTO, METODI,
  RIGA, RIGA_ZERI } from './browser.mjs';

const axe = new Function(readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8'));
const clic = (b, finestra, nome) => b.clic(sel(finestra, nome));

// The calculation screen's Tab order, as its table gives it to both editions.
const ORDINE_TAB = FINESTRE.Form2.tab;

async function conBrowser(motore, opzioni, prova) {
  const b = await avvia(motore, opzioni);
  try { await b.vai(); await prova(b); assert.deepEqual(await b.errori(), []); } finally { await b.chiudi(); }
}

perMotore((motore) => {
  test('solo tastiera: ordine di Tab e ogni Alt+lettera', (t) => conBrowser(motore, {}, async (b) => {
    const fronte = (finestra) => async () => await vede(() => davanti(b), finestra);
    // The author picture and the author screen's "Esci" answer the keyboard too.
    await b.valuta((s) => document.querySelector(s).focus(), sel('Form1', 'Image1'));
    await b.premi('Enter');
    await fronte('Form5')();
    await b.premi(' ');
    await fronte('Form1')();

    // Tab follows the table's TabIndex over the fields and buttons, and wraps both ways.
    const ordineTab = async () => {
      const visti = [];
      for (let i = 0; i <= ORDINE_TAB.length; ++i) { visti.push(await attivo(b)); await b.premi('Tab'); }
      assert.deepEqual(visti, [...ORDINE_TAB, ORDINE_TAB[0]]);
      await b.premi('Tab', { shift: true });
      await b.premi('Tab', { shift: true });
      await vede(() => attivo(b), ORDINE_TAB.at(-1));
      // F6 leaves the window for the page's bar (no trap), and comes back where it left.
      const nellaBarra = () => b.valuta(() => !!document.activeElement.closest('#elenco-finestre, #piede'));
      await b.premi('F6');
      await vede(nellaBarra, true);
      await b.premi('F6');
      await vede(() => attivo(b), ORDINE_TAB.at(-1));
    };
    await b.valuta(() => { window.print = () => { document.body.dataset.stampato = 'si'; }; });
    // The browser's own print (Ctrl+P) gives the summary, or the line on how to print it.
    const stampaDelBrowser = (atteso) => async () => vede(() => b.valuta(() => {
      dispatchEvent(new Event('beforeprint'));
      return document.getElementById('stampa').textContent.slice(0, 200);
    }), atteso);
    await stampaDelBrowser(/^Per stampare il riepilogo/)();

    // Every access key of every window: the window in front, the key, what shows it worked.
    const tasti = [
      ['Form1', 'i', fronte('form7')], ['form7', 'e', fronte('Form1')],
      ['Form1', 'c', async () => { await fronte('Form2')(); await ordineTab(); await compila(b, SOGGETTO); }],
      ['Form2', 'h', fronte('Form3')], ['Form3', 'e', fronte('Form2')], ['Form2', 'c', fronte('form4')], ['form4', 'e', fronte('Form2')],
      ['Form2', 's', async () => {
        await vede(() => b.valuta(() => document.body.dataset.stampato), 'si');
        await stampaDelBrowser(/Programma per la determinazione/)();
      }],
      ['Form2', 'p', async () => {
        await vede(() => valore(b, 'Form2', 'alt'), '');
        // Alt+? moves among the three guide buttons that share it.
        const guide = [];
        for (let i = 0; i < 4; ++i) { await b.alt('Slash', { shift: true }); guide.push(await attivo(b)); }
        assert.deepEqual(guide, ['Command1', 'Command3', 'Command11', 'Command1']);
      }],
      ['Form2', 'c', async () => {
        await vede(() => messaggio(b), 'Mancano i dati ');
        await b.premi('Enter');
        await vede(() => attivo(b), 'Command4');
      }],
      ['Form2', 'e', async () => { await vede(() => attivo(b), 'ricomincia'); await b.premi('Enter'); }],
      ['Form1', 't', () => vede(() => b.valuta(() => document.getElementById('chiuso').hidden), false)],
    ];
    for (const [finestra, tasto, controlla] of tasti) {
      await vede(() => davanti(b), finestra, `Alt+${tasto}`);
      await b.alt(tasto);
      await controlla();
    }
  }));

  // Each language's separators; a stored line in any script never stops the page, and
  // can be downloaded.
  for (const [lingua, casi, riga] of [
    ['en-US', [['Command7', {}, '22.8'], ['lorent', {}, '0.98'], ['Command13', { alt: '1,750' }, '1650']],
      '"0.98","75","71.5","69.2","68.7","75","77.7","22.8"\r\n'],
    ['fa', [['Command7', {}, '22٫8'], ['Command13', { alt: '1٬750' }, '1650']], '"0٫98","75","71٫5","69٫2","68٫7","75","77٫7","22٫8"\r\n'],
    ['ar-EG', [['Command7', {}, '22٫8']], '"0٫98","75","71٫5","69٫2","68٫7","75","77٫7","22٫8"\r\n'],
  ]) {
    test(`impostazioni ${lingua}: i suoi separatori`, () => conBrowser(motore, { lingua }, async (b) => {
      await clic(b, 'Form1', 'Command2');
      await compila(b, { peso: '70', alt: '175', vita: '80', torace: '95' });
      for (const [pulsante, campi, atteso] of casi) {
        await compila(b, campi);
        await clic(b, 'Form2', pulsante);
        await vede(() => valore(b, 'Form2', 'kgp'), atteso, pulsante);
      }
      await compila(b, SOGGETTO);
      await clic(b, 'Form2', 'Command4');
      await vede(() => davanti(b), 'form4');
      assert.equal(await dati(b), riga);
      // After a new start, the download holds the very bytes, in UTF-8.
      await b.vai();
      if (b.limiti.scaricamento) return;
      await b.clic('#scarica');
      assert.equal((await b.scaricato('dati.txt')).toString('utf8'), riga);
    }));
  }

  // On a Mac, Option+letter types a character: only Control+Option+letter is an access key.
  test('Mac: Ctrl+Opzione+lettera', { skip: motore !== 'chromium' && 'the Apple platform is given to Chromium only' },
    () => conBrowser(motore, { mac: true }, async (b) => {
      await clic(b, 'Form1', 'Command2');
      assert.equal(await b.valuta((s) => document.querySelector(s).getAttribute('aria-keyshortcuts'), sel('Form2', 'Command4')),
        'Control+Alt+C');
      await compila(b, { alt: '170' });
      for (const tasto of ['e', 'c', 'p']) await b.alt(tasto);
      await vede(() => valore(b, 'Form2', 'alt'), '170');
      assert.deepEqual([await davanti(b), await messaggio(b)], ['Form2', null]);
      await b.page.keyboard.down('Control');
      await b.alt('c');
      await b.page.keyboard.up('Control');
      await vede(() => messaggio(b), 'Mancano i dati ');
    }));

  test('telefono 390 × 844 e 360 × 740: una colonna, niente scorrimento orizzontale, ogni controllo raggiungibile',
    (t) => conBrowser(motore, { larghezza: 390, altezza: 844, tocco: true }, async (b) => {
      if (b.limiti.tocco) t.diagnostic(b.limiti.tocco);
      const controlla = async (finestra) => assert.deepEqual(await b.valuta((f) => {
        const dentro = (q) => Array.from(document.querySelectorAll(`#finestra-${f} ${q}`));
        const piccoli = dentro('button, input, [role="button"]').filter((e) => e.offsetParent !== null).filter((e) => {
          const r = e.getBoundingClientRect();
          return r.width < 44 || r.height < 44 || r.right > innerWidth;
        });
        // The page's links are never under a window: each is hit at its middle.
        const coperti = ['scarica', 'aiuto'].filter((id) => {
          const a = document.getElementById(id);
          a.scrollIntoView();
          const r = a.getBoundingClientRect();
          return document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) !== a;
        });
        return [document.documentElement.scrollWidth <= innerWidth, piccoli.map((e) => e.dataset.nome),
          dentro('input').filter((e) => parseFloat(getComputedStyle(e).fontSize) < 16).map((e) => e.dataset.nome), coperti];
      }, finestra), [true, [], [], []], finestra);
      const tocca = (finestra, nome) => b.tocca(sel(finestra, nome));
      await controlla('Form1');
      for (const [finestra, nome, poi] of [['Form1', 'Command1', 'form7'], ['form7', 'Command1', 'Form1'], ['Form1', 'Image1', 'Form5'],
        ['Form5', 'Label5', 'Form1'], ['Form1', 'Command2', 'Form2']]) {
        await tocca(finestra, nome);
        await vede(() => davanti(b), poi);
        await controlla(poi);
      }
      assert.equal(await b.valuta((s) => document.querySelector(s).inputMode, sel('Form2', 'eta')), 'decimal');
      await compila(b, SOGGETTO);
      await tocca('Form2', 'Command15');
      await vede(() => valore(b, 'Form2', 'kgp'), '77,7');
      await tocca('Form2', 'Command4');
      await vede(() => dati(b), RIGA);
      await controlla('form4');
      await tocca('form4', 'Command1');
      // Upright, held sideways, and a short desktop window.
      for (const [larghezza, altezza] of [[844, 390], [1200, 520], [360, 740]]) {
        await b.dimensiona(larghezza, altezza);
        await controlla('Form2');
      }
      await tocca('Form2', 'Command2');
      await controlla('Form3');
      // Only the window in front is seen; the list of open windows brings back any other.
      await b.tocca('#elenco-finestre [data-finestra="Form1"]');
      await vede(() => davanti(b), 'Form1');
    }));

  test('axe-core: nessuna violazione in ogni schermata', () => conBrowser(motore, {}, async (b) => {
    await b.valuta(axe);
    const controlla = async (schermata) => assert.deepEqual(await b.valuta(async () =>
      (await window.axe.run(document, { preload: false })).violations
        .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`)), [], schermata);
    await controlla('Form1');
    for (const [finestra, nome] of [['Form1', 'Command1'], ['form7', 'Command1'], ['Form1', 'Image1'], ['Form5', 'Label5'],
      ['Form1', 'Command2'], ['Form2', 'Command2'], ['Form3', 'Command1'], ['Form2', 'Command4']]) {
      await clic(b, finestra, nome);
      if (nome === 'Command4') await vede(() => messaggio(b), 'Mancano i dati ');   // the message box
      await controlla(`${finestra}.${nome}`);
    }
    await b.premi('Enter');
    await compila(b, SOGGETTO);
    await clic(b, 'Form2', 'Command4');
    await vede(() => davanti(b), 'form4');
    await controlla('form4');
    await b.dimensiona(390, 844);
    await clic(b, 'form4', 'Command1');
    await controlla('Form2 in una colonna');
    // Every field has a name a screen reader speaks.
    assert.deepEqual(await b.valuta(() => Array.from(document.querySelectorAll('#finestra-Form2 input'))
      .filter((e) => !e.labels.length && !e.getAttribute('aria-label')).map((e) => e.dataset.nome)), []);
  }));

  test('senza rete: servita da 127.0.0.1, caricata, poi senza server e ricaricata', async (t) => {
    const server = await servi();
    const b = await avvia(motore, { condiviso: true });
    try {
      const esterne = [];
      if (b.page) {
        b.page.on('request', (r) => {
          const u = r.url();
          if (!u.startsWith(server.indirizzo) && !u.startsWith('data:')) esterne.push(u);
        });
      } else t.diagnostic('no request log over WebDriver: only the server\'s own log is checked');
      const strada = async () => {
        await clic(b, 'Form1', 'Command2');
        await compila(b, SOGGETTO);
        for (const [pulsante] of METODI) await clic(b, 'Form2', pulsante);
        await vede(() => valore(b, 'Form2', 'kgp'), '22,8');
        await clic(b, 'Form2', 'Command4');
        await vede(() => dati(b), RIGA);
        await clic(b, 'form4', 'Command1');
        await clic(b, 'Form2', 'Command1');
        await b.attendi((s) => document.querySelector(s).dataset.immagine.includes('grayne1'), sel('Form2', 'help1'));
        await clic(b, 'Form2', 'Command8');
      };
      await b.vai(server.indirizzo);
      await b.valuta(() => navigator.serviceWorker.ready.then(() => true));
      await b.vai(server.indirizzo);
      await b.attendi(() => navigator.serviceWorker.controller !== null);
      // Installable: the browser finds nothing missing in the manifest and the worker.
      await t.test('installabile', { skip: b.limiti.cdp }, async () => {
        const cdp = await b.page.createCDPSession();
        assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
      });
      // Once loaded, the road asks the server for nothing (the browser's own check for a
      // newer worker may come at any time).
      const caricate = server.richieste.length;
      await strada();
      assert.deepEqual(server.richieste.slice(caricate).filter((p) => p !== '/sw.js'), []);
      // The server gone, and where the browser has the switch, the page offline too: the
      // service worker's own requests are not held back by the page's offline mode.
      await t.test('pagina offline', { skip: b.limiti.cdp }, () => b.page.setOfflineMode(true));
      server.chiudi();
      await b.vai(server.indirizzo);
      await strada();
      assert.deepEqual(esterne, []);
      const estranee = server.richieste.filter((p) => !existsSync(join(CARTELLA, p === '/' ? 'index.html' : p)));
      assert.deepEqual(estranee, [], 'solo i file della pagina');
      assert.deepEqual((await b.errori()).filter((e) => !/ERR_INTERNET_DISCONNECTED/.test(e)), []);
    } finally {
      await b.chiudi();
      server.chiudi();
    }
  });

  test('le guide: l\'immagine resta un secondo e intanto i comandi aspettano', () => conBrowser(motore, {}, async (b) => {
    await clic(b, 'Form1', 'Command2');
    // All within the page, so that the hold cannot end in between: the first guide, and
    // while it holds the input, the second one, a click on the height and typing.
    const durante = await b.valuta(async (s1, s11, salt, shelp) => {
      document.querySelector(s1).click();
      while (document.documentElement.getAttribute('aria-busy') !== 'true') await new Promise((ok) => setTimeout(ok));
      const guida = document.querySelector(shelp).dataset.immagine;
      document.querySelector(s11).click();                   // taken after the hold
      document.querySelector(salt).click();
      // Keys that move the caret and a paste wait in line with the typing.
      for (const key of ['1', '7', '0', 'Home', '9']) {
        document.activeElement.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true }));
      }
      const appunti = new DataTransfer();
      appunti.setData('text/plain', '5');
      const incolla = new Event('paste', { bubbles: true });     // Chromium drops a constructed clipboardData
      Object.defineProperty(incolla, 'clipboardData', { value: appunti });
      document.activeElement.dispatchEvent(incolla);
      return [guida, document.querySelector(shelp).dataset.immagine, document.querySelector(salt).value];
    }, sel('Form2', 'Command1'), sel('Form2', 'Command11'), sel('Form2', 'alt'), sel('Form2', 'help1'));
    assert.deepEqual(durante, ['disegni/biac.svg', 'disegni/biac.svg', '']);
    // The second guide runs after the first, and the typing after the second.
    await b.attendi((s) => document.querySelector(s).dataset.immagine === 'disegni/vita.svg', sel('Form2', 'help1'));
    assert.equal(await valore(b, 'Form2', 'alt'), '');
    await b.attendi((s) => document.querySelector(s).dataset.immagine === 'disegni/grayne2.svg', sel('Form2', 'help1'));
    await vede(() => valore(b, 'Form2', 'alt'), '95170');
  }));

  // Real input during a hold, on a phone: a tap (Chromium's touch), a Tab, an Enter, each
  // acts once, after it. Showing the calculation screen by a tap focuses no field.
  test('le guide: tocco, Tab e Invio veri durante la trattenuta', (t) => conBrowser(motore,
    { larghezza: 390, altezza: 844, tocco: true }, async (b) => {
      if (b.limiti.tocco) t.diagnostic(b.limiti.tocco);
      await b.tocca(sel('Form1', 'Command2'));
      await vede(() => davanti(b), 'Form2');
      if (!b.limiti.tocco) assert.notEqual(await b.valuta(() => document.activeElement.tagName), 'INPUT');
      await compila(b, { alt: '170' });
      for (const [nome, fuoco, durante, dopo] of [
        ['Tab', 'alt', () => b.premi('Tab'), () => vede(() => attivo(b), 'Command4')],
        ['Invio', 'Command13', () => b.premi('Enter'), () => vede(() => valore(b, 'Form2', 'kgp'), '70')],
        ['tocco', 'alt', () => b.tocca(sel('Form2', 'Command13')), () => vede(() => valore(b, 'Form2', 'kgp'), '70')],
      ]) {
        await b.valuta((sf, sk, sg) => {
          document.querySelector(sk).value = '';
          document.querySelector(sf).focus();
          document.querySelector(sg).click();
        }, sel('Form2', fuoco), sel('Form2', 'kgp'), sel('Form2', 'Command1'));
        await durante();
        assert.equal(await b.valuta(() => document.documentElement.getAttribute('aria-busy')), 'true', nome);
        assert.equal(await valore(b, 'Form2', 'kgp'), '', nome);
        await b.attendi(() => !document.documentElement.hasAttribute('aria-busy'));
        await dopo();
      }
    }));

  test('testi sbagliati e memoria piena o rifiutata', async () => {
    await conBrowser(motore, {}, async (b) => {
      await clic(b, 'Form1', 'Command2');
      // Texts of the desktop's fault tests, each in the height for the B.M.I.
      const testi = ['abc', ' ', '17O', '175cm', '0', '1E309', '1,7976931348623157E308', '-', ',', '.', 'E5',
        '\u{1F3CB}\uFE0F 70', '\u0667\u0660', '\u200F170', '1\u0301' + '70', '9'.repeat(1000)];
      for (const testo of testi) {
        await b.valuta((sp, sa, t) => {
          document.querySelector(sp).value = '70';
          document.querySelector(sa).value = t;
        }, sel('Form2', 'peso'), sel('Form2', 'alt'), testo);
        await clic(b, 'Form2', 'Command7');
        await vede(() => messaggio(b), 'Mancano i dati ', JSON.stringify(testo).slice(0, 30));
        await b.premi('Enter');
      }
      // A full storage: the message, and what was stored before stays.
      await compila(b, SOGGETTO);
      await b.valuta((v) => {
        localStorage.setItem('ponderino/dati.txt', v);
        Storage.prototype.setItem = function () { throw new DOMException('piena', 'QuotaExceededError'); };
      }, RIGA_ZERI);
      for (const comando of ['Command4', 'Command8']) {
        await clic(b, 'Form2', comando);
        await vede(() => messaggio(b), /memoria del browser è piena/);
        await b.premi('Enter');
        await vede(() => dati(b), RIGA_ZERI);
      }
      assert.notEqual(await davanti(b), 'form4');
    });
    // A refused storage (a private window): the page starts and says so when storing.
    await conBrowser(motore, { memoria: 'rifiutata' }, async (b) => {
      await clic(b, 'Form1', 'Command2');
      await compila(b, SOGGETTO);
      await clic(b, 'Form2', 'Command4');
      await vede(() => messaggio(b), /non è disponibile/);
      await b.premi('Enter');
      await clic(b, 'Form2', 'Command10');
      await vede(() => messaggio(b), /Impossibile leggere il file dati.txt/);
      // OK gives the focus back as it closes the box, not a task later over a field typed in.
      assert.equal(await b.valuta(async (s) => {
        document.getElementById('messaggio-ok').click();
        document.querySelector(s).focus();
        await new Promise((fatto) => setTimeout(fatto, 50));
        return document.activeElement.dataset.nome;
      }, sel('Form2', 'peso')), 'peso');
    });
  });
});
