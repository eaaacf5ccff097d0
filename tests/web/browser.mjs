// What the browser tests share: Debian's chromium started headless with a fresh
// profile, the page opened and ready, a tiny static server on 127.0.0.1 with a log of
// every request, and the desktop's sample subject with its expected results.
import { mkdtempSync, readFileSync, rmSync, existsSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join, extname, resolve, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

export const CARTELLA = resolve(process.env.PONDERINO_WEB ||
  join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'build-web'));
export const INDIRIZZO_FILE = pathToFileURL(join(CARTELLA, 'index.html')).href;

// The desktop's sample subject (tests/e2e/x_privato.py) and its eight result texts in
// file order, under Italian settings.
export const SOGGETTO = { nome: 'Mario Rossi', eta: '30', peso: '70', spalle: '45', torace: '95', vita: '80', alt: '175' };
export const VALORI = ['0,98', '75', '71,5', '69,2', '68,7', '75', '77,7', '22,8'];
export const RIGA = VALORI.map((v) => `"${v}"`).join(',') + '\r\n';
export const RIGA_ZERI = '0,0,0,0,0,0,0,0\r\n';
export const CAMPI = ['nome', 'eta', 'peso', 'spalle', 'torace', 'vita', 'alt'];

export async function avvia({ lingua = 'it-IT', larghezza = 1280, altezza = 900, tocco = false } = {}) {
  const profilo = mkdtempSync(join(tmpdir(), 'ponderino-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: 'new',
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run', `--user-data-dir=${profilo}`,
      `--lang=${lingua}`],
    env: { ...process.env, LANG: lingua.replace('-', '_') + '.UTF-8', LANGUAGE: lingua.replace('-', '_') },
  });
  const page = await browser.newPage();
  const errori = [];
  page.on('pageerror', (e) => errori.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') errori.push(m.text()); });
  await page.setViewport({ width: larghezza, height: altezza, hasTouch: tocco, isMobile: tocco });
  await page.setExtraHTTPHeaders({ 'Accept-Language': lingua });
  await page.evaluateOnNewDocument((l) => {
    Object.defineProperty(navigator, 'languages', { get: () => [l] });
    Object.defineProperty(navigator, 'language', { get: () => l });
  }, lingua);
  const chiudi = async () => { await browser.close(); rmSync(profilo, { recursive: true, force: true }); };
  return { browser, page, errori, chiudi };
}

export async function apri(page, indirizzo = INDIRIZZO_FILE) {
  await page.goto(indirizzo);
  await page.waitForFunction(() => document.documentElement.dataset.pronto === 'si', { timeout: 10000 });
}

// A control of a window, by the names the windows give it.
export const sel = (finestra, nome) => `#finestra-${finestra} [data-nome="${nome}"]`;

export async function valore(page, finestra, nome) {
  return page.$eval(sel(finestra, nome), (el) => el.value);
}

export async function digita(page, campi) {
  for (const [nome, testo] of Object.entries(campi)) {
    await page.$eval(sel('Form2', nome), (el) => { el.value = ''; });
    if (testo) await page.type(sel('Form2', nome), testo);
  }
}

// The window in front, and the message box's text when it is open.
export const davanti = (page) => page.$eval('.finestra.davanti', (s) => s.dataset.finestra);
export const messaggio = (page) =>
  page.$eval('#messaggio', (d) => (d.open ? document.getElementById('messaggio-testo').textContent : null));
export const dati = (page) => page.evaluate(() => localStorage.getItem('ponderino/dati.txt'));

const TIPI = { '.html': 'text/html', '.htm': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.svg': 'image/svg+xml', '.webmanifest': 'application/manifest+json', '.png': 'image/png' };

// Serves the build folder on 127.0.0.1; richieste lists every path asked for.
export async function servi(cartella = CARTELLA) {
  const richieste = [];
  const server = createServer((req, res) => {
    const percorso = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    richieste.push(percorso);
    const file = join(cartella, percorso === '/' ? 'index.html' : percorso);
    if (!file.startsWith(cartella) || !existsSync(file) || !statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'Content-Type': TIPI[extname(file)] || 'application/octet-stream' });
    res.end(readFileSync(file));
  });
  await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
  const chiudi = () => { server.close(); server.closeAllConnections(); };
  return { indirizzo: `http://127.0.0.1:${server.address().port}/`, richieste, chiudi };
}
