// The core in WebAssembly (build-web/ponderino-core.js) and the native core
// (ponderino_parita, built in build/) must give the very same result texts,
// results-file lines and summaries for a few thousand generated subjects: numbers
// of every size in both separator settings, and every text the desktop's own
// tests feed the core.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const radice = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const cartellaWeb = process.env.PONDERINO_WEB ?? path.join(radice, 'build-web');
const nativo = process.env.PONDERINO_PARITA ?? path.join(radice, 'build/tests/web/ponderino_parita');

// Every string literal of the desktop's core and fault tests, escapes decoded.
function testiDeiTestDesktop() {
  const testi = new Set();
  for (const file of ['tests/core/test_misure.cpp', 'tests/core/test_metodi.cpp',
                      'tests/core/test_risultati.cpp', 'tests/screens/guasti_test.cpp']) {
    for (const riga of readFileSync(path.join(radice, file), 'utf8').split('\n')) {
      if (riga.startsWith('#include')) continue;
      for (const [, corpo] of riga.matchAll(/"((?:[^"\\]|\\.)*)"/g)) {
        const byte = [];
        for (let i = 0; i < corpo.length; ++i) {
          if (corpo[i] !== '\\') { byte.push(...Buffer.from(corpo[i])); continue; }
          const e = corpo[++i];
          const hex = /^[0-9a-fA-F]+/.exec(corpo.slice(i + 1))?.[0] ?? '';
          if (e === 'x') { byte.push(parseInt(hex, 16) & 0xff); i += hex.length; }
          else if (e === 'u') { byte.push(...Buffer.from(String.fromCodePoint(parseInt(corpo.substr(i + 1, 4), 16)))); i += 4; }
          else byte.push(({ n: 10, r: 13, t: 9, 0: 0 })[e] ?? e.charCodeAt(0));
        }
        const t = new TextDecoder().decode(Uint8Array.from(byte));
        if (t.length < 200 && !/[\x1e\x1f]/.test(t)) testi.add(t);
      }
    }
  }
  return [...testi];
}

// A fixed sequence of pseudo-random numbers (mulberry32).
function casuale(seme) {
  return () => {
    seme = (seme + 0x6d2b79f5) | 0;
    let t = Math.imul(seme ^ (seme >>> 15), 1 | seme);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

function soggetti(quanti) {
  const caso = casuale(14);
  const scegli = (a) => a[Math.floor(caso() * a.length)];
  const cifre = (n) => Array.from({ length: n }, () => Math.floor(caso() * 10)).join('');
  const desktop = testiDeiTestDesktop();
  const regionali = [[',', '.'], ['.', ','], ['\u066B', '\u066C']];
  // A number in C notation: tiny to huge, up to 20 digits, an exponent or not.
  const numeroC = () => {
    const intero = cifre(1 + Math.floor(caso() * 8)).replace(/^0+(?=\d)/, '');
    const decimali = caso() < 0.6 ? '.' + cifre(1 + Math.floor(caso() * 12)) : '';
    const esponente = caso() < 0.4 ? 'e' + scegli(['', '+', '-']) + Math.floor(caso() * 330) : '';
    return (caso() < 0.2 ? '-' : '') + intero + decimali + esponente;
  };
  // A typed measure: mostly a body measure, sometimes any number, with the user's
  // separators, grouping and blanks; sometimes a text of the desktop tests.
  const misura = ([dec, rag]) => {
    const r = caso();
    if (r < 0.15) return scegli(desktop);
    if (r < 0.2) return '';
    let t = r < 0.75 ? (20 + caso() * 180).toFixed(Math.floor(caso() * 4)) : numeroC();
    t = t.replace('.', '\0').replace(/^(-?\d)(\d{3})/, (m, a, b) => (caso() < 0.3 ? a + rag + b : m)).replace('\0', dec);
    if (caso() < 0.1) t = t.toUpperCase();
    return caso() < 0.1 ? ` ${t}\t` : t;
  };
  // What the summary reads back: bare numbers, quoted texts, desktop test contents.
  const contenuto = () => {
    if (caso() < 0.1) return scegli(desktop);
    const valori = Array.from({ length: 8 }, () => (caso() < 0.7 ? numeroC() : `"${cifre(2)},${cifre(1)}"`));
    return valori.join(caso() < 0.1 ? ' ,\t' : ',') + scegli(['\r\n', '', '\n', ',9\r\n']);
  };
  return Array.from({ length: quanti }, () => {
    const r = scegli(regionali);
    return [...r, ...Array.from({ length: 7 }, () => misura(r)), contenuto()];
  });
}

test('the WebAssembly core gives what the native core gives', async () => {
  const elenco = soggetti(3000);
  const uscita = spawnSync(nativo, {
    input: Buffer.from(elenco.map((s) => s.join('\x1f') + '\x1e').join(''), 'utf8'),
    maxBuffer: 1 << 30,
  });
  assert.equal(uscita.status, 0, `${nativo}: ${uscita.error ?? uscita.stderr}`);
  const attesi = uscita.stdout.toString('utf8').trimEnd().split('\n');
  assert.equal(attesi.length, elenco.length);

  const core = await createRequire(import.meta.url)(path.join(cartellaWeb, readdirSync(cartellaWeb).find((f) => /^ponderino-core-[0-9a-f]{12}\.js$/.test(f))))();
  const campi = ['nome', 'eta', 'peso', 'spalle', 'torace', 'vita', 'alt'];
  let falliti = 0;
  elenco.forEach(([dec, rag, ...resto], i) => {
    const dati = Object.fromEntries(campi.map((c, k) => [c, resto[k]]));
    const passi = (controllo) => core.procedura('Form2', controllo, dati, dec, rag, 9, 12, 2026);
    const kgp = (controllo) => passi(controllo).find((p) => p.azione === 'Testo' && p.controllo === 'kgp')?.valore ?? null;
    const salva = passi('Command4')[0];
    const s = core.riepilogo(dati, resto[7], 9, 12, 2026, dec, rag, (t) => t.length, 10);
    const web = {
      r: ['lorent', 'Command12', 'Command5', 'Command6', 'Command14', 'Command13', 'Command15', 'Command7'].map(kgp),
      l: salva.azione === 'Salva' ? salva.valore : null,
      s: s.ok ? s.righe : s.errore,
    };
    if (!web.r.some((t) => t !== null)) ++falliti;
    assert.deepEqual(web, JSON.parse(attesi[i]), `subject ${i}: ${JSON.stringify(elenco[i])}`);
  });
  // The set must reach both the failures and the results.
  assert.ok(falliti > 100 && falliti < elenco.length - 1000, `${falliti} subjects without any result`);
});
