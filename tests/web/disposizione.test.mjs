// The page's pure rules, without a browser: access keys on every platform, separators
// of every language, the one-column rows.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  chiaviDiAccesso, bersaglioDelTasto, prossimoTab, separatori, sistemaApple, righeInColonna, sfondoPieno,
} from '../../web/moduli/disposizione.mjs';
import { FINESTRE } from './browser.mjs';

test('il Tab successivo', () => {
  for (const [n, i, indietro, atteso] of [[4, -1, false, 0], [4, -1, true, 3], [4, 3, false, 0], [4, 0, true, 3], [4, 1, false, 2], [0, -1, false, -1]]) {
    assert.equal(prossimoTab(n, i, indietro), atteso, `${n} ${i} ${indietro}`);
  }
});

test('tasti di accesso: Alt altrove, Ctrl+Opzione sui sistemi Apple', () => {
  const tasto = (key, code, mod = {}) => ({ key, code, altKey: false, ctrlKey: false, shiftKey: false, metaKey: false, ...mod });
  for (const [e, apple, chiavi] of [
    [tasto('c', 'KeyC', { altKey: true }), false, ['c', 'c']],
    [tasto('C', 'KeyC', { altKey: true, shiftKey: true }), false, ['c', 'c']],
    [tasto('?', 'Slash', { altKey: true, shiftKey: true }), false, ['?', '?']],
    [tasto('?', 'Minus', { altKey: true, shiftKey: true }), false, ['?']],            // Italian: Shift+'
    [tasto('c', 'KeyC'), false, []],
    [tasto('c', 'KeyC', { altKey: true, ctrlKey: true }), false, []],   // AltGr on Windows
    [tasto('c', 'KeyC', { metaKey: true, altKey: true }), false, []],
    [tasto('ç', 'KeyC', { altKey: true }), true, []],                    // Option+C types ç
    [tasto('é', 'KeyE', { altKey: true }), true, []],
    [tasto('π', 'KeyP', { altKey: true }), true, []],
    [tasto('ç', 'KeyC', { altKey: true, ctrlKey: true }), true, ['ç', 'c']],
    [tasto('e', 'KeyE', { ctrlKey: true }), true, []],
  ]) assert.deepEqual(chiaviDiAccesso(e, apple), chiavi, `${e.key} apple=${apple}`);
  const tasti = ['c', '?', 'p', '?', '?'];
  for (const [chiavi, attivo, atteso] of [[['c'], -1, { indice: 0, premi: true }], [['?'], -1, { indice: 1, premi: false }],
    [['?'], 1, { indice: 3, premi: false }], [['?'], 4, { indice: 1, premi: false }], [['x'], 0, null]]) {
    assert.deepEqual(bersaglioDelTasto(tasti, chiavi, attivo), atteso, `${chiavi} ${attivo}`);
  }
  for (const [nav, apple] of [[{ platform: 'MacIntel' }, true], [{ platform: 'iPhone' }, true], [{ userAgentData: { platform: 'macOS' } }, true],
    [{ platform: 'Linux x86_64' }, false], [{ platform: 'Win32' }, false], [{}, false]]) assert.equal(sistemaApple(nav), apple, JSON.stringify(nav));
});

test('separatori di ogni lingua, anche fuori dal Latin-1', () => {
  for (const [lingua, decimale, raggruppamento] of [['it-IT', ',', '.'], ['en-US', '.', ','],
    ['fr-FR', ',', '\u202f'], ['fa', '٫', '٬'], ['ar-EG', '٫', '٬'], ['xx-??', ',', '.']]) {
    assert.deepEqual(separatori(lingua), { decimale, raggruppamento }, lingua);
  }
});

test('una colonna: le righe della schermata di calcolo', async () => {
  const F = FINESTRE;
  const righe = (n) => { const fin = F[n]; return righeInColonna(fin, sfondoPieno(fin)); };
  assert.deepEqual(righe('Form2'), [['Label2(0)', 'nome'], ['Label2(1)', 'eta', 'Text4(5)'], ['Label2(2)', 'peso', 'Text4(0)'],
    ['Label2(3)', 'spalle', 'Text4(1)'], ['Label2(4)', 'torace', 'Text4(2)'], ['Label2(5)', 'vita', 'Text4(3)'],
    ['Label2(6)', 'alt', 'Text4(4)'], ['lorent', 'Command12'], ['Command5', 'Command6'], ['Command14', 'Command13'],
    ['Command15', 'Command7'], ['Text1', 'metodo'], ['Text3'], ['formula'], ['text2'], ['kgp', 'Text5'],
    ['Command1'], ['Command3'], ['Command11'], ['help1'], ['Command4'], ['Command10'], ['Command9'], ['Command8'], ['Command2']]);
  assert.deepEqual(righe('Form1'), [['Picture2'], ['Image1'], ['Command1'], ['Command2'], ['Command3']]);
});
