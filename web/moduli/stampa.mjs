// The summary: a print-only document of 47 lines, placed by the core, then the
// browser's print dialog.
import { misura } from './finestre.mjs';

// Throws the desktop's message when nothing readable is stored.
export function stampaRiepilogo(core, ingresso, contenuto) {
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
  window.print();
}
