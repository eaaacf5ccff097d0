// dati.txt in the browser's local storage: whole lines only, the old content kept when
// a line cannot be stored, and a copy of it that the person can download.

const CHIAVE = 'ponderino/dati.txt';

export const NON_SALVATO = 'Impossibile salvare dati.txt: la memoria del browser è piena o non è ' +
  'disponibile (ad esempio in una finestra privata). I dati salvati prima restano invariati.';

export function leggi() {
  try { return window.localStorage.getItem(CHIAVE); } catch (e) { return null; }
}

// Throws NON_SALVATO when the line cannot be stored.
export function scrivi(riga) {
  try {
    window.localStorage.setItem(CHIAVE, riga);
  } catch (e) {
    throw new Error(NON_SALVATO);
  }
  aggiornaScarica();
  chiediPersistenza();
}

// A line stored in another tab of the page: the download gives it too.
export function seguiAltreSchede() {
  window.addEventListener('storage', (e) => { if (e.key === CHIAVE || e.key === null) aggiornaScarica(); });
}

// The download link: the stored bytes as they are, whatever characters they hold.
let indirizzo = null;
export function aggiornaScarica() {
  const link = document.getElementById('scarica');
  if (indirizzo) URL.revokeObjectURL(indirizzo);
  indirizzo = null;
  const contenuto = leggi();
  if (contenuto === null) {
    link.removeAttribute('href');
    link.setAttribute('aria-disabled', 'true');
    return;
  }
  indirizzo = URL.createObjectURL(new Blob([contenuto], { type: 'text/plain;charset=utf-8' }));
  link.href = indirizzo;
  link.removeAttribute('aria-disabled');
}

// Some browsers (Safari among them) forget what a site stored when it has not been
// visited for a while, unless the storage is made persistent: ask, where offered, once
// something is stored (Firefox asks the person), and only once.
let chiesta = false;
function chiediPersistenza() {
  if (chiesta) return;
  chiesta = true;
  try {
    if (navigator.storage && navigator.storage.persist) navigator.storage.persist().catch(() => {});
  } catch (e) { /* nothing to ask */ }
}
