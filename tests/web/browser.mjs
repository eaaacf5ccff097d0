// What the browser tests share: one small driver over three engines, the same methods
// in each (Chromium and Firefox through puppeteer-core, WebKitGTK's MiniBrowser through
// W3C WebDriver over HTTP in a private Xvfb), a tiny static server with a log of every
// request, the desktop's sample subject with its expected results, and the printed
// summary's lines as tests/report/riepilogo_atteso.txt writes them out.
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createServer as createNetServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join, extname, resolve, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import assert from 'node:assert/strict';
import { after, describe } from 'node:test';
import { isDeepStrictEqual } from 'node:util';
import puppeteer from 'puppeteer-core';

export const RADICE = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
export const CARTELLA = resolve(process.env.PONDERINO_WEB || join(RADICE, 'build-web'));
export const INDIRIZZO_FILE = pathToFileURL(join(CARTELLA, 'index.html')).href;
// The window tables as the page has them (written out by ponderino_finestre_js).
export const { FINESTRE } = await import(pathToFileURL(join(resolve(process.env.PONDERINO_BUILD || join(RADICE, 'build')), 'finestre.mjs')).href);
export const MOTORI = (process.env.PONDERINO_MOTORI || 'chromium,firefox,webkit').split(',');
// A script of the build by the start of its name: 'ponderino', 'ponderino-core' (each
// name carries its content hash).
export const script = (inizio, cartella = CARTELLA) =>
  readdirSync(cartella).find((f) => new RegExp(`^${inizio}-[0-9a-f]{12}\\.js$`).test(f));

// The tests' sample subject and its eight result texts in file order, under Italian
// settings (tests/esempio.txt); the method buttons in the same order with the name,
// unit and formula picture each shows.
const ESEMPIO = Object.fromEntries(readFileSync(join(RADICE, 'tests', 'esempio.txt'), 'utf8').split('\n')
  .filter((r) => r.includes('=') && !r.startsWith('#')).map((r) => [r.slice(0, r.indexOf('=')), r.slice(r.indexOf('=') + 1)]));
export const VALORI = ESEMPIO.risultati.split(' ');
export const SOGGETTO = Object.fromEntries(Object.entries(ESEMPIO).filter(([k]) => k !== 'risultati'));
export const RIGA = VALORI.map((v) => `"${v}"`).join(',') + '\r\n';
export const RIGA_ZERI = '0,0,0,0,0,0,0,0\r\n';
export const METODI = FINESTRE.Form2.metodi.map((m) => [m.pulsante, m.nome, m.unita, m.immagine.replace(/\.bmp$/, '')]);

// The summary's 47 lines, each a list of items { testo, zona }, for the given values of
// {data}, the fields and {r1} .. {r8}.
export function riepilogoAtteso(valori) {
  return readFileSync(join(RADICE, 'tests', 'report', 'riepilogo_atteso.txt'), 'utf8').split('\n').slice(0, -1)
    .filter((r) => !r.startsWith('#'))
    .map((r) => (r ? r.replace(/\|$/, '').split('|') : []).map((v) => ({
      zona: v.startsWith('>'),
      testo: v.replace(/^>/, '').replace(/\{(\w+)\}/g, (_, n) => valori[n]),
    })));
}

// ---- Engines ---------------------------------------------------------------------------
const aperti = new Map();     // engine|language -> a started browser or WebDriver server
const figli = [];             // processes started here, stopped at the latest on exit
const temporanee = [];
process.on('exit', () => { for (const p of figli) p.kill(); for (const c of temporanee) rmSync(c, { recursive: true, force: true }); });
// A new folder under the system's temporary one, removed when the tests end.
export const cartellaTemporanea = (nome) => { const c = mkdtempSync(join(tmpdir(), nome)); temporanee.push(c); return c; };
const attesa = (ms) => new Promise((ok) => setTimeout(ok, ms));

function lanciaPuppeteer(motore, lingua, scaricati) {
  if (motore === 'firefox') {
    return puppeteer.launch({
      browser: 'firefox', executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr', headless: true,
      // Downloads straight into the folder, and no downloads panel, which would take
      // the keyboard from the page.
      extraPrefsFirefox: {
        'intl.accept_languages': lingua, 'browser.download.dir': scaricati, 'browser.download.folderList': 2,
        'browser.download.useDownloadDir': true, 'browser.download.always_ask_before_handling_new_types': false,
        'browser.download.alwaysOpenPanel': false,
      },
    });
  }
  const profilo = cartellaTemporanea('ponderino-chromium-');
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', `--user-data-dir=${profilo}`, `--lang=${lingua}`],
    env: { ...process.env, LANG: lingua.replace('-', '_') + '.UTF-8', LANGUAGE: lingua.replace('-', '_') },
  });
}

async function paginaPuppeteer(motore, { lingua, larghezza, altezza, tocco, mac, memoria, condiviso }) {
  const chiave = `${motore}|${lingua}`;
  if (!aperti.has(chiave)) {
    const scaricati = cartellaTemporanea('ponderino-scaricati-');
    aperti.set(chiave, lanciaPuppeteer(motore, lingua, scaricati).then((browser) => ({ browser, scaricati })));
  }
  const { browser, scaricati } = await aperti.get(chiave);
  for (const f of readdirSync(scaricati)) rmSync(join(scaricati, f), { force: true });
  // A fresh context, like a private window, unless the page needs the profile itself.
  const contesto = condiviso ? browser.defaultBrowserContext() : await browser.createBrowserContext(motore === 'chromium'
    ? { downloadBehavior: { policy: 'allow', downloadPath: scaricati } } : {});
  const page = await contesto.newPage();
  const errori = [];
  page.on('pageerror', (e) => errori.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') errori.push(m.text()); });
  const vista = { width: larghezza, height: altezza, hasTouch: tocco, isMobile: tocco };
  await page.setViewport(vista);
  if (motore === 'chromium') {
    await page.setExtraHTTPHeaders({ 'Accept-Language': lingua });
    await page.evaluateOnNewDocument((l) => {
      Object.defineProperty(navigator, 'languages', { get: () => [l] });
      Object.defineProperty(navigator, 'language', { get: () => l });
    }, lingua);
  }
  if (mac) {
    await page.setUserAgent((await browser.userAgent()).replace(/\([^)]*\)/, '(Macintosh; Intel Mac OS X 10_15_7)'));
    await page.evaluateOnNewDocument(() => Object.defineProperty(navigator, 'platform', { get: () => 'MacIntel' }));
  }
  if (memoria === 'rifiutata') {
    await page.evaluateOnNewDocument(() => Object.defineProperty(window, 'localStorage',
      { get() { throw new DOMException('rifiutata', 'SecurityError'); } }));
  }
  const tastiera = async (tasto, maiuscolo, modificatore) => {
    if (modificatore) await page.keyboard.down(modificatore);
    if (maiuscolo) await page.keyboard.down('Shift');
    await page.keyboard.press(tasto);
    if (maiuscolo) await page.keyboard.up('Shift');
    if (modificatore) await page.keyboard.up(modificatore);
  };
  return {
    page,
    limiti: {
      cdp: motore !== 'chromium' && 'the installability check and the offline switch are Chromium DevTools calls',
      tocco: motore !== 'chromium' && tocco && 'headless Firefox synthesizes no touch points: taps are mouse clicks',
    },
    vai: (url) => page.goto(url),
    valuta: (fn, ...args) => page.evaluate(fn, ...args),
    digita: async (s, testo) => { await page.$eval(s, (el) => { el.value = ''; }); if (testo) await page.type(s, testo); },
    premi: (tasto, { shift = false } = {}) => tastiera(tasto, shift),
    alt: (tasto, { shift = false } = {}) => tastiera(tasto, shift, 'Alt'),
    clic: (s) => page.click(s),
    tocca: (s) => (motore === 'chromium' ? page.tap(s) : page.click(s)),
    dimensiona: (width, height) => page.setViewport({ ...vista, width, height }),
    screenshot: async (percorso, s) => (s ? page.$(s) : page).then((el) => el.screenshot({ path: percorso })),
    pdf: () => page.pdf({ format: 'A4' }),
    scaricato: async (nome) => {
      const file = join(scaricati, nome);
      for (let i = 0; i < 50 && !existsSync(file); ++i) await attesa(100);
      return readFileSync(file);
    },
    errori: async () => errori,
    chiudi: () => (condiviso ? page.close() : contesto.close()),
  };
}

// ---- WebKitGTK: WebKitWebDriver starts MiniBrowser in a private X server ------------------
// navigator.languages follows the C library's locale; one missing from the machine (fa,
// ar_EG on a stock Debian) is compiled into a private LOCPATH, under the very name asked
// for, since WebKit turns the locale's name into the language.
function ambienteLingua(lingua) {
  const [l, regione] = lingua.split('-');
  const nome = regione ? `${l}_${regione}.UTF-8` : l;
  const installate = execFileSync('locale', ['-a']).toString().split('\n');
  if (installate.includes(nome.replace('UTF-8', 'utf8'))) return { LANG: nome };
  const locpath = cartellaTemporanea('ponderino-locale-');
  const sorgente = regione ? `${l}_${regione}` : readdirSync('/usr/share/i18n/locales').find((f) => f.startsWith(l + '_'));
  execFileSync('localedef', ['-i', sorgente, '-f', 'UTF-8', join(locpath, nome)]);
  return { LANG: nome, LOCPATH: locpath };
}

const portaLibera = () => new Promise((ok) => {
  const s = createNetServer().listen(0, '127.0.0.1', () => { const p = s.address().port; s.close(() => ok(p)); });
});

async function serverWebDriver(lingua) {
  const porta = await portaLibera();
  const env = { ...process.env, LC_ALL: '', LANGUAGE: '', ...ambienteLingua(lingua) };
  // MiniBrowser draws in a private X server of its own.
  const p = spawn(join(RADICE, 'tests', 'x_privato.sh'), [process.env.WEBKITWEBDRIVER || '/usr/bin/WebKitWebDriver',
    `--port=${porta}`], { env, stdio: 'ignore' });
  figli.push(p);
  const base = `http://127.0.0.1:${porta}`;
  for (let i = 0; i < 100; ++i) {
    try { if ((await fetch(base + '/status')).ok) return { base, processo: p }; } catch { await attesa(50); }
  }
  throw new Error('WebKitWebDriver non risponde');
}

const TASTI = { Enter: '\uE007', Tab: '\uE004', Shift: '\uE008', Alt: '\uE00A', Escape: '\uE00C', F6: '\uE036', Slash: '/' };
const ELEMENTO = 'element-6066-11e4-a52e-4f735466cecf';

async function paginaWebKit({ lingua, larghezza, altezza, tocco, mac, memoria }) {
  if (mac) throw new Error('the Apple platform is given to Chromium only');
  if (!aperti.has(`webkit|${lingua}`)) aperti.set(`webkit|${lingua}`, serverWebDriver(lingua));
  const { base } = await aperti.get(`webkit|${lingua}`);
  let sessione = '';
  const comando = async (metodo, percorso, corpo) => {
    const r = await fetch(`${base}/session${sessione}${percorso}`, { method: metodo,
      headers: { 'Content-Type': 'application/json' }, body: corpo && JSON.stringify(corpo) });
    const { value } = await r.json();
    if (value && value.error) throw new Error(`WebDriver ${percorso}: ${value.error}: ${value.message}`);
    return value;
  };
  // Full screen, so that MiniBrowser shows no toolbar and its window is all viewport.
  const args = ['--automation', '--full-screen'];
  if (memoria === 'rifiutata') args.push('--enable-html5-local-storage=false');
  sessione = '/' + (await comando('POST', '', { capabilities: { alwaysMatch: {
    'webkitgtk:browserOptions': { binary: process.env.MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser', args },
  } } })).sessionId;
  const elemento = async (s) => (await comando('POST', '/element', { using: 'css selector', value: s }))[ELEMENTO];
  const valuta = async (fn, ...args) => {
    const r = await comando('POST', '/execute/async', { args, script: `const fatto = arguments[arguments.length - 1];
      Promise.resolve().then(() => (${fn}).apply(null, Array.prototype.slice.call(arguments, 0, -1)))
        .then((v) => fatto({ v: v === undefined ? null : v }), (e) => fatto({ e: String(e && e.stack || e) }));` });
    if ('e' in r) throw new Error(r.e);
    return r.v;
  };
  const tasti = (valori) => comando('POST', '/actions', { actions: [{ type: 'key', id: 'tastiera', actions: [
    ...valori.map((value) => ({ type: 'keyDown', value })), ...valori.reverse().map((value) => ({ type: 'keyUp', value }))] }] });
  const tasto = (t, shift, alt) => tasti([alt && TASTI.Alt, shift && TASTI.Shift, TASTI[t] || t].filter(Boolean));
  // No log of the page's errors over WebDriver: the page collects its own after each load.
  const errori = [];
  const raccogli = async () => errori.push(...await valuta(() => window.erroriProva || []));
  let caricata = false;
  const vai = async (url) => {
    if (caricata) await raccogli();
    caricata = true;
    await comando('POST', '/url', { url });
    await valuta(() => {
      window.erroriProva = [];
      addEventListener('error', (e) => window.erroriProva.push(e.message));
      addEventListener('unhandledrejection', (e) => window.erroriProva.push(String(e.reason)));
      addEventListener('securitypolicyviolation', (e) => window.erroriProva.push('CSP ' + e.violatedDirective));
    });
  };
  const clic = async (s) => comando('POST', `/element/${await elemento(s)}/click`, {});
  const dimensiona = async (width, height) => {
    await comando('POST', '/window/rect', { width, height });
    // The window manager-less X server may apply the new size a moment later.
    let w, h;
    for (let i = 0; i < 100 && (w !== width || h !== height); ++i) {
      if (i) await attesa(20);
      [w, h] = await valuta(() => [innerWidth, innerHeight]);
    }
    if (w !== width || h !== height) throw new Error(`MiniBrowser: ${w} × ${h} invece di ${width} × ${height}`);
  };
  await dimensiona(larghezza, altezza);
  return {
    limiti: {
      pdf: 'WebKitWebDriver has no Print command',
      scaricamento: 'MiniBrowser under WebDriver has no download folder',
      cdp: 'the installability check and the offline switch are Chromium DevTools calls',
      tocco: tocco && 'WebKitGTK under Xvfb has no touch screen: taps are mouse clicks',
    },
    vai,
    valuta,
    digita: async (s, testo) => {
      const el = await elemento(s);
      await comando('POST', `/element/${el}/clear`, {});
      if (testo) await comando('POST', `/element/${el}/value`, { text: testo });
    },
    premi: (t, { shift = false } = {}) => tasto(t, shift, false),
    alt: (t, { shift = false } = {}) => tasto(t, shift, true),
    clic,
    tocca: clic,
    dimensiona,
    // The viewport cut to the element's box: WebKitWebDriver's own element screenshot
    // is a few pixels off.
    screenshot: async (percorso, s) => {
      // After two frames, so that what the page last changed is painted.
      await valuta(() => new Promise((fatto) => requestAnimationFrame(() => requestAnimationFrame(fatto))));
      writeFileSync(percorso, Buffer.from(await comando('GET', '/screenshot'), 'base64'));
      if (!s) return;
      const r = await valuta((q) => { const r = document.querySelector(q).getBoundingClientRect(); return [r.width, r.height, r.x, r.y].map(Math.round); }, s);
      execFileSync('convert', [percorso, '-crop', `${r[0]}x${r[1]}+${r[2]}+${r[3]}`, '+repage', percorso]);
    },
    pdf: async () => null,
    scaricato: async () => null,
    errori: async () => { await raccogli(); return errori.splice(0); },
    chiudi: () => comando('DELETE', ''),
  };
}

// A fresh page of one engine (its own storage, downloads and viewport), on a browser
// started once per engine and language. Options: the language, the viewport, a touch
// screen, an Apple platform (Chromium), a refused storage (memoria: 'rifiutata'), the
// browser's own profile (condiviso: an installable page, which Chromium's private
// contexts never are).
export async function avvia(motore, { lingua = 'it-IT', larghezza = 1280, altezza = 900, tocco = false, mac = false, memoria,
  condiviso = false } = {}) {
  const opzioni = { lingua, larghezza, altezza, tocco, mac, memoria, condiviso };
  const b = motore === 'webkit' ? await paginaWebKit(opzioni) : await paginaPuppeteer(motore, opzioni);
  const vai = b.vai;
  return Object.assign(b, {
    motore,
    // Navigates and waits until the page says it is ready.
    vai: async (url = INDIRIZZO_FILE) => { await vai(url); await b.attendi(() => document.documentElement.dataset.pronto === 'si'); },
    attendi: async (fn, ...args) => {
      for (let fine = Date.now() + 10000; !(await b.valuta(fn, ...args)); await attesa(20)) {
        if (Date.now() > fine) throw new Error(`attesa scaduta: ${fn}`);
      }
    },
  });
}

// Stops the browsers of one engine, or of all.
export async function spegni(motore) {
  for (const [chiave, avviato] of aperti) {
    if (motore && !chiave.startsWith(motore + '|')) continue;
    aperti.delete(chiave);
    const a = await avviato.catch(() => null);
    if (a && a.browser) await a.browser.close();
    if (a && a.processo) a.processo.kill();
  }
}

// The engines, each its own group of the same tests; its browsers stop after them.
export function perMotore(prove) {
  for (const motore of MOTORI) describe(motore, () => { after(() => spegni(motore)); prove(motore); });
}

// Reads until the value is the one expected (or matches it), for at most three seconds,
// and fails with the last one read: the page applies a command's steps in turn, some
// only once a message box has closed or a guide's second has passed.
export async function vede(leggi, atteso, nota) {
  let letto;
  for (const fine = Date.now() + 3000; ; await attesa(20)) {
    letto = await leggi();
    if ((atteso instanceof RegExp ? atteso.test(letto) : isDeepStrictEqual(letto, atteso)) || Date.now() > fine) break;
  }
  if (atteso instanceof RegExp) assert.match(String(letto), atteso, nota); else assert.deepEqual(letto, atteso, nota);
}

// ---- The page ----------------------------------------------------------------------------
// A control of a window, by the names the windows give it.
export const sel = (finestra, nome) => `#finestra-${finestra} [data-nome="${nome}"]`;
export const valore = (b, finestra, nome) => b.valuta((s) => document.querySelector(s).value, sel(finestra, nome));
export async function compila(b, campi) {
  for (const [nome, testo] of Object.entries(campi)) await b.digita(sel('Form2', nome), testo);
}
// The window in front, the focused control, the message box's text when it is open, and
// the stored dati.txt.
export const davanti = (b) => b.valuta(() => document.querySelector('.finestra.davanti').dataset.finestra);
export const attivo = (b) => b.valuta(() => document.activeElement.dataset.nome || document.activeElement.id);
export const messaggio = (b) => b.valuta(() =>
  (document.getElementById('messaggio').open ? document.getElementById('messaggio-testo').textContent : null));
export const dati = (b) => b.valuta(() => localStorage.getItem('ponderino/dati.txt'));

const TIPI = { '.html': 'text/html', '.htm': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.svg': 'image/svg+xml', '.webmanifest': 'application/manifest+json', '.png': 'image/png' };

// Serves the build folder on 127.0.0.1; richieste lists every path asked for.
export async function servi(cartella = CARTELLA) {
  const richieste = [];
  const server = createServer((req, res) => {
    const percorso = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    richieste.push(percorso);
    const file = join(cartella, percorso.endsWith('/') ? percorso + 'index.html' : percorso);
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
