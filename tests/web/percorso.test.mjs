// The road of one subject in every engine, at desktop size in Italian: the start screen
// and the windows it opens, the subject typed, every method button, the confirmation
// with the stored and the downloaded bytes, the printed summary against
// tests/report/riepilogo_atteso.txt (on the page, and read back from a PDF), the
// missing-data path, clearing and leaving. Each window is also kept as a PNG in
// $PONDERINO_BUILD/confronto-web/<engine>/, beside its desktop twin when the desktop
// program is built.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { avvia, perMotore, vede, cartellaTemporanea, sel, valore, compila, davanti, attivo, messaggio, dati, riepilogoAtteso,
  SOGGETTO, METODI, VALORI, RIGA, RIGA_ZERI } from './browser.mjs';

const RADICE = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const BUILD = process.env.PONDERINO_BUILD || join(RADICE, 'build');
const PROGRAMMA = join(BUILD, 'bin', 'ponderino');

// The desktop's screenshots: those of the end-to-end road when they are there, else the
// road is run once here. None only when the desktop program is not built; built, a road
// that leaves no screenshots fails the test.
let desktop;
function fotoDesktop() {
  if (desktop === undefined) {
    const pronte = join(BUILD, 'e2e-artefatti', 'it_IT');
    if (existsSync(join(pronte, '01-Form1.png'))) desktop = pronte;
    else if (!existsSync(PROGRAMMA)) desktop = null;
    else {
      const cartella = cartellaTemporanea('ponderino-desktop-');
      const r = spawnSync(join(RADICE, 'tests', 'x_privato.sh'), ['--schermo', '1280x1024x24', 'python3',
        join(RADICE, 'tests', 'e2e', 'percorso_utente.py'), '--programma', PROGRAMMA,
        '--artefatti', cartella], { env: { ...process.env, LANG: 'it_IT.UTF-8', PONDERINO_TABELLE: join(BUILD, 'finestre.mjs') },
        timeout: 180000 });
      desktop = existsSync(join(cartella, '01-Form1.png')) ? cartella
        : new Error(`${PROGRAMMA} is built but its road left no screenshots (${r.status}): ${r.stdout}${r.stderr}`);
    }
  }
  if (desktop instanceof Error) throw desktop;
  return desktop;
}
const DESKTOP = { Form1: '01-Form1.png', form7: '02-form7.png', Form5: '03-Form5.png', Form2: '05-Form2-misure.png',
  form4: '14-form4.png', Form3: '17-Form3.png' };

const oggi = new Date();
const due = (n) => String(n).padStart(2, '0');
const ATTESE = riepilogoAtteso({ data: `${due(oggi.getDate())}/${due(oggi.getMonth() + 1)}/${oggi.getFullYear()}`,
  ...SOGGETTO, ...Object.fromEntries(VALORI.map((v, i) => [`r${i + 1}`, v])) });
const piena = (s) => s.replace(/\s+/g, ' ').trim();

perMotore((motore) => test('la strada di un soggetto', async (t) => {
  const b = await avvia(motore);
  const cartella = join(BUILD, 'confronto-web', motore);
  mkdirSync(cartella, { recursive: true });
  const foto = (finestra) => b.screenshot(join(cartella, `${finestra}-web.png`), `#finestra-${finestra} .cliente`);
  const clic = (finestra, nome) => b.clic(sel(finestra, nome));
  const righe = (s) => b.valuta((q) => Array.from(document.querySelectorAll(q), (r) => r.textContent), s);
  try {
    await b.vai();
    // Start: the start screen alone, then the windows it opens and their way back.
    assert.deepEqual(await b.valuta(() => Array.from(document.querySelectorAll('.finestra'), (f) => f.dataset.finestra)), ['Form1']);
    await foto('Form1');
    for (const [finestra, controllo, attesa] of [['Form1', 'Command1', 'form7'], ['form7', 'Command1', 'Form1'],
      ['Form1', 'Image1', 'Form5'], ['Form5', 'Label5', 'Form1'], ['Form1', 'Command2', 'Form2']]) {
      await clic(finestra, controllo);
      await vede(() => davanti(b), attesa, `${finestra}.${controllo}`);
      if (['form7', 'Form5'].includes(attesa)) await foto(attesa);
    }
    assert.equal((await righe('#finestra-form7 .superficie > div')).length, 16);
    await vede(() => attivo(b), 'nome');

    // The subject, then every method button: no message, value, name, unit, picture file.
    await compila(b, SOGGETTO);
    await foto('Form2');
    for (const [i, [pulsante, nome, unita, disegno]] of METODI.entries()) {
      await clic('Form2', pulsante);
      await vede(() => b.valuta(() => {
        const c = (n) => document.querySelector(`#finestra-Form2 [data-nome="${n}"]`);
        return [document.getElementById('messaggio').open, c('kgp').value, c('metodo').value, c('Text5').value, c('formula').dataset.immagine];
      }), [false, VALORI[i], nome, unita, `disegni/${disegno}.svg`], nome);
    }

    // The confirmation: the stored bytes, the info screen, the downloaded bytes.
    await clic('Form2', 'Command4');
    await vede(() => dati(b), RIGA);
    await vede(() => davanti(b), 'form4');
    await foto('form4');
    await t.test('dati.txt scaricato', { skip: b.limiti.scaricamento }, async () => {
      await b.clic('#scarica');
      assert.equal((await b.scaricato('dati.txt')).toString('latin1'), RIGA);
    });
    await clic('form4', 'Command1');
    await vede(() => davanti(b), 'Form2');

    // The summary: the print dialog is asked for once; the print document holds the 47
    // lines item by item, and a PDF of it reads as they do.
    await b.valuta(() => { window.stampe = 0; window.print = () => { window.stampe++; }; });
    await clic('Form2', 'Command10');
    await vede(() => b.valuta(() => window.stampe), 1);
    assert.deepEqual(await b.valuta(() => Array.from(document.querySelectorAll('#stampa .riga'),
      (r) => Array.from(r.children, (s) => s.textContent))), ATTESE.map((r) => r.map((v) => v.testo)));
    await t.test('il riepilogo letto da un PDF', { skip: b.limiti.pdf }, async () => {
      const pdf = join(cartella, 'riepilogo.pdf');
      writeFileSync(pdf, await b.pdf());
      const letto = execFileSync('pdftotext', ['-layout', pdf, '-']).toString().split('\n').map(piena).filter(Boolean);
      assert.deepEqual(letto, ATTESE.map((r) => piena(r.map((v) => (v.zona ? ' ' : '') + v.testo).join(''))).filter(Boolean));
    });
    // Newer WebKitGTK (Debian 13) gives the family names without their quotes.
    assert.equal((await b.valuta(() => getComputedStyle(document.getElementById('stampa')).fontFamily))
      .replaceAll('"', ''), 'Arial, Liberation Sans, sans-serif');
    // As on the desktop, every label ends before the 14-column mark, so the values stand
    // there; the age follows its spacer, at the 28-column mark.
    const zone = await b.valuta(() => Array.from(document.querySelectorAll('#stampa .riga'))
      .slice(7, 14).map((l) => parseFloat(l.lastChild.style.left)));
    assert.deepEqual(zone.map((x) => x / zone[0]), [1, 2, 1, 1, 1, 1, 1]);

    // Clearing: the zero line, empty boxes, the grey board. Then the missing-data path:
    // two lines on the surface, the message box, focus back on the button.
    await clic('Form2', 'Command8');
    await vede(() => dati(b), RIGA_ZERI);
    await vede(() => valore(b, 'Form2', 'kgp'), '');
    await vede(() => b.valuta((s) => document.querySelector(s).dataset.immagine, sel('Form2', 'formula')), 'disegni/gray.svg');
    const prima = (await righe('#finestra-Form2 .superficie > div')).length;
    await clic('Form2', 'Command4');
    await vede(() => messaggio(b), 'Mancano i dati ');
    assert.deepEqual((await righe('#finestra-Form2 .superficie > div')).slice(prima), ['Mancano i dati ', 'Mancano i dati ']);
    await b.premi('Enter');
    await vede(() => messaggio(b), null);
    await vede(() => attivo(b), 'Command4');
    await vede(() => dati(b), RIGA_ZERI);

    // "&Help metodi" opens the warning screen once.
    for (const [finestra, controllo, attesa] of [['Form2', 'Command2', 'Form3'], ['Form3', 'Command1', 'Form2'],
      ['Form2', 'Command2', 'Form3']]) {
      await clic(finestra, controllo);
      await vede(() => davanti(b), attesa, `${finestra}.${controllo}`);
    }
    assert.equal((await righe('#finestra-Form3 .superficie > div')).length, 6);
    await foto('Form3');
    await clic('Form3', 'Command1');

    // Leaving after a confirmation: the zero line, and the closing screen starts again.
    await compila(b, SOGGETTO);
    await clic('Form2', 'Command4');
    await vede(() => dati(b), RIGA);
    await clic('form4', 'Command1');
    await clic('Form2', 'Command9');
    await vede(() => dati(b), RIGA_ZERI);
    await vede(async () => (await righe('.finestra')).length, 0);
    await b.clic('#ricomincia');
    await vede(() => davanti(b), 'Form1');
    assert.deepEqual(await b.errori(), []);
  } finally {
    await b.chiudi();
  }

  // Each window beside its desktop twin: the same size pixel for pixel, and the same
  // picture seen at a sixteenth of its size, where the two font engines' glyphs blur into
  // the same grey, but for at most 3 % of it (a misplaced control or a missing picture is
  // more than that).
  const gemelle = fotoDesktop();
  await t.test('accanto al desktop', { skip: !gemelle && `no desktop program at ${PROGRAMMA}` }, () => {
    const dimensioni = (f) => execFileSync('identify', ['-format', '%wx%h', f]).toString();
    const piccola = (f, n) => { execFileSync('convert', [f, '-scale', '6.25%', join(cartella, n)]); return join(cartella, n); };
    for (const [finestra, file] of Object.entries(DESKTOP)) {
      const web = join(cartella, `${finestra}-web.png`);
      assert.equal(dimensioni(web), dimensioni(join(gemelle, file)), `${finestra}: dimensioni`);
      const [a, b] = [piccola(join(gemelle, file), 'desktop.ppm'), piccola(web, 'web.ppm')];
      const diversi = Number(spawnSync('compare', ['-metric', 'AE', '-fuzz', '20%', a, b, 'null:']).stderr.toString());
      const [w, h] = dimensioni(a).split('x').map(Number);
      assert.ok(diversi <= 0.03 * w * h, `${finestra}: ${diversi} pixel diversi su ${w * h}`);
      execFileSync('convert', [join(gemelle, file), web, '-background', 'white', '-splice', '12x0', '+append',
        join(cartella, `${finestra}-desktop-web.png`)]);
    }
  });
}));
