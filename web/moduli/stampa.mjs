// The summary: a print-only document of 47 lines, placed by the core, then the
// browser's print dialog; the browser's own print gives the same summary.
import { misura } from './finestre.mjs';

// What the browser's own print (Ctrl+P) gives when there is no summary to print.
export const COME_STAMPARE = 'Per stampare il riepilogo: nella schermata di calcolo si scrivono le misure, si ' +
  'preme «Conferma qui i dati prima di continuare», poi «Stampa».';

// Throws the desktop's message when nothing readable is stored.
export function stampaRiepilogo(core, ingresso, contenuto) {
  componiRiepilogo(core, ingresso, contenuto);
  stampaInCorso = true;
  try { window.print(); } finally { stampaInCorso = false; }
}

// While «Stampa» prints, the print document is already the summary.
let stampaInCorso = false;

// The browser's own print: the summary of what the calculation screen holds now, or,
// when there is none to print, the line that says how to print it.
export function preparaStampaDelBrowser(riepilogo) {
  window.addEventListener('beforeprint', () => {
    if (stampaInCorso) return;
    try {
      if (riepilogo()) return;
    } catch (e) { /* nothing readable stored: the line below */ }
    const foglio = document.getElementById('stampa');
    foglio.textContent = '';
    const linea = document.createElement('p');
    linea.textContent = COME_STAMPARE;
    foglio.append(linea);
  });
}

export function componiRiepilogo(core, ingresso, contenuto) {
  const foglio = document.getElementById('stampa');
  const stile = getComputedStyle(foglio);
  const testo = misura(stile.fontSize + ' ' + stile.fontFamily);
  const { dati, decimale, raggruppamento, oggi } = ingresso;
  const r = core.riepilogo(dati, contenuto, oggi.giorno, oggi.mese, oggi.anno, decimale, raggruppamento,
    (t) => testo.measureText(t).width, parseFloat(stile.fontSize));
  if (!r.ok) throw new Error(r.errore);
  foglio.textContent = '';
  for (const riga of r.righe) {
    const linea = document.createElement('div');
    linea.className = 'riga';
    for (const voce of riga) {
      const s = document.createElement('span');
      s.textContent = voce.testo;
      s.style.left = voce.x + 'px';
      linea.append(s);
    }
    foglio.append(linea);
  }
}
