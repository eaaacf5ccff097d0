// The message box: modal, OK only, the focus back where it was when it closes.
import { finestraDavanti, ordineTab } from './finestre.mjs';

let dopo = null;

export function preparaMessaggio() {
  const d = document.getElementById('messaggio');
  const chiuso = () => {
    const poi = dopo;
    dopo = null;
    if (poi) poi();
  };
  // Closed by Esc, the browser tells it a moment later; closed by OK (click, Enter or
  // Space), the focus is back at once, so a key typed straight after lands there.
  d.addEventListener('close', chiuso);
  document.getElementById('messaggio-ok').addEventListener('click', () => { d.close(); chiuso(); });
}

export const messaggioAperto = () => document.getElementById('messaggio').open;

// Shows the text; resolves once the box is closed.
export function mostraMessaggio(testo) {
  return new Promise((fatto) => {
    const d = document.getElementById('messaggio');
    document.getElementById('messaggio-testo').textContent = testo;
    const davanti = finestraDavanti();
    const torna = document.activeElement;
    dopo = () => {
      if (torna && document.contains(torna) && torna !== document.body) torna.focus();
      else if (davanti && ordineTab(davanti)[0]) ordineTab(davanti)[0].focus();
      fatto();
    };
    d.showModal();
    document.getElementById('messaggio-ok').focus();
  });
}
