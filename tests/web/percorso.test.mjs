// The road of one subject in Chromium, at desktop size in Italian: the start screen and
// the windows it opens, the subject typed, every method button, the confirmation with
// the stored and the downloaded bytes, the printed summary read back from a PDF, the
// missing-data path, clearing and leaving. Each window is also kept as a PNG beside its
// desktop twin in build-web/confronto/.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { avvia, apri, sel, valore, digita, davanti, messaggio, dati, CARTELLA, SOGGETTO, VALORI, RIGA, RIGA_ZERI } from './browser.mjs';

const RADICE = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const BUILD = process.env.PONDERINO_BUILD || join(RADICE, 'build');
const CONFRONTO = join(CARTELLA, 'confronto');

// The desktop's screenshots: those of the end-to-end road when they are there, else
// the road is run once here; none when the desktop program is not built.
function fotoDesktop() {
  const pronte = join(BUILD, 'e2e-artefatti', 'it_IT');
  if (existsSync(join(pronte, '01-Form1.png'))) return pronte;
  const programma = join(BUILD, 'bin', 'ponderino');
  if (!existsSync(programma) || spawnSync('which', ['Xvfb']).status !== 0) return null;
  const cartella = mkdtempSync(join(tmpdir(), 'ponderino-desktop-'));
  const r = spawnSync('python3', [join(RADICE, 'tests', 'e2e', 'percorso_utente.py'), '--programma', programma,
    '--artefatti', cartella], { env: { ...process.env, LANG: 'it_IT.UTF-8' }, timeout: 120000 });
  return r.status === 0 ? cartella : null;
}
const DESKTOP = { Form1: '01-Form1.png', form7: '02-form7.png', Form5: '03-Form5.png', Form2: '05-Form2-misure.png',
  form4: '14-form4.png', Form3: '17-Form3.png' };

test('la strada di un soggetto', async () => {
  const { page, errori, chiudi } = await avvia();
  const desktop = fotoDesktop();
  mkdirSync(CONFRONTO, { recursive: true });
  const foto = async (finestra) => {
    const web = join(CONFRONTO, `${finestra}-web.png`);
    await (await page.$(`#finestra-${finestra} .cliente`)).screenshot({ path: web });
    if (!desktop) return;
    const gemella = join(desktop, DESKTOP[finestra]);
    // The window at 1:1 has the desktop client area's size, pixel for pixel.
    const dimensioni = (f) => execFileSync('identify', ['-format', '%wx%h', f]).toString();
    assert.equal(dimensioni(web), dimensioni(gemella), `${finestra}: dimensioni`);
    execFileSync('convert', [gemella, web, '-background', 'white', '-splice', '12x0', '+append',
      join(CONFRONTO, `${finestra}-desktop-web.png`)]);
  };
  const clic = async (finestra, nome) => page.click(sel(finestra, nome));
  try {
    await apri(page);
    // Start: the start screen alone, then the windows it opens and their way back.
    assert.deepEqual(await page.$$eval('.finestra', (s) => s.map((f) => f.dataset.finestra)), ['Form1']);
    await foto('Form1');
    const strada = [
      ['Form1', 'Command1', 'form7'], ['form7', 'Command1', 'Form1'], ['Form1', 'Image1', 'Form5'],
      ['Form5', 'Label5', 'Form1'], ['Form1', 'Command2', 'Form2'],
    ];
    for (const [finestra, controllo, attesa] of strada) {
      await clic(finestra, controllo);
      assert.equal(await davanti(page), attesa, `${finestra}.${controllo}`);
      if (['form7', 'Form5'].includes(attesa)) await foto(attesa);
    }
    assert.equal(await page.$$eval('#finestra-form7 .superficie > div', (r) => r.length), 16);
    assert.equal(await page.evaluate(() => document.activeElement.dataset.nome), 'nome');

    // The subject, then every method button: value, name, unit, picture file.
    await digita(page, SOGGETTO);
    await foto('Form2');
    const metodi = await page.evaluate(() => FINESTRE.Form2.metodi);
    for (const m of metodi) {
      await clic('Form2', m.pulsante);
      assert.equal(await messaggio(page), null, m.nome);
      assert.equal(await valore(page, 'Form2', 'kgp'), VALORI[m.metodo], m.nome);
      assert.equal(await valore(page, 'Form2', 'metodo'), m.nome);
      assert.equal(await valore(page, 'Form2', 'Text5'), m.unita);
      assert.equal(await page.$eval(sel('Form2', 'formula'), (el) => el.dataset.immagine),
        'disegni/' + m.immagine.replace('.bmp', '.svg'));
    }

    // The confirmation: the stored bytes, the info screen, the downloaded bytes.
    await clic('Form2', 'Command4');
    assert.equal(await dati(page), RIGA);
    assert.equal(await davanti(page), 'form4');
    await foto('form4');
    const scaricati = mkdtempSync(join(tmpdir(), 'ponderino-scaricati-'));
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: scaricati });
    await page.click('#scarica');
    const file = join(scaricati, 'dati.txt');
    for (let i = 0; i < 50 && !existsSync(file); ++i) await new Promise((ok) => setTimeout(ok, 100));
    assert.equal(readFileSync(file, 'latin1'), RIGA);
    await clic('form4', 'Command1');
    assert.equal(await davanti(page), 'Form2');

    // The summary: the print dialog is asked for, and the print document holds the 47
    // lines in order, read back from a PDF.
    await page.evaluate(() => { window.stampe = 0; window.print = () => { window.stampe++; }; });
    await clic('Form2', 'Command10');
    assert.equal(await page.evaluate(() => window.stampe), 1);
    const righe = await page.$$eval('#stampa .riga', (r) => r.map((l) => l.textContent));
    assert.equal(righe.length, 47);
    const pdf = join(scaricati, 'riepilogo.pdf');
    writeFileSync(pdf, await page.pdf({ format: 'A4' }));
    const piena = (s) => s.replace(/\s+/g, ' ').trim();
    const letto = execFileSync('pdftotext', ['-layout', pdf, '-']).toString().split('\n').map(piena).filter(Boolean);
    assert.deepEqual(letto, righe.map(piena).filter(Boolean));
    const oggi = new Date();
    const due = (n) => String(n).padStart(2, '0');
    assert.equal(letto[1], `data ${due(oggi.getDate())}/${due(oggi.getMonth() + 1)}/${oggi.getFullYear()}`);
    assert.equal(letto[2], 'nome Mario Rossi');
    assert.deepEqual(letto.slice(11, 19).map((l) => l.split(' ').pop()), VALORI);
    assert.equal(await page.$eval('#stampa', (s) => getComputedStyle(s).fontFamily), 'Arial, "Liberation Sans", sans-serif');
    // As on the desktop, every label ends before the 14-column mark, so the values stand
    // there; the age follows its spacer, at the 28-column mark.
    const zone = await page.$$eval('#stampa .riga', (r) => r.slice(7, 14).map((l) => parseFloat(l.lastChild.style.left)));
    assert.deepEqual(zone.map((x) => x / zone[0]), [1, 2, 1, 1, 1, 1, 1]);

    // Clearing: the zero line, empty boxes, the grey board. Then the missing-data path:
    // two lines on the surface, the message box, focus back on the button.
    await clic('Form2', 'Command8');
    assert.equal(await dati(page), RIGA_ZERI);
    assert.equal(await valore(page, 'Form2', 'kgp'), '');
    assert.equal(await page.$eval(sel('Form2', 'formula'), (el) => el.dataset.immagine), 'disegni/gray.svg');
    const superficie = () => page.$$eval('#finestra-Form2 .superficie > div', (r) => r.map((l) => l.textContent));
    const prima = (await superficie()).length;
    await clic('Form2', 'Command4');
    assert.equal(await messaggio(page), 'Mancano i dati ');
    assert.deepEqual((await superficie()).slice(prima), ['Mancano i dati ', 'Mancano i dati ']);
    await page.keyboard.press('Enter');
    assert.equal(await messaggio(page), null);
    assert.equal(await page.evaluate(() => document.activeElement.dataset.nome), 'Command4');
    assert.equal(await dati(page), RIGA_ZERI);

    // "&Help metodi" opens the warning screen once.
    await clic('Form2', 'Command2');
    await clic('Form3', 'Command1');
    await clic('Form2', 'Command2');
    assert.equal(await page.$$eval('#finestra-Form3 .superficie > div', (r) => r.length), 6);
    await foto('Form3');
    await clic('Form3', 'Command1');

    // Leaving after a confirmation: the zero line, and the closing screen starts again.
    await digita(page, SOGGETTO);
    await clic('Form2', 'Command4');
    assert.equal(await dati(page), RIGA);
    await clic('form4', 'Command1');
    await clic('Form2', 'Command9');
    assert.equal(await dati(page), RIGA_ZERI);
    assert.equal(await page.$$eval('.finestra', (s) => s.length), 0);
    await page.click('#ricomincia');
    assert.equal(await davanti(page), 'Form1');
    assert.deepEqual(errori, []);
  } finally {
    await chiudi();
  }
});
