// Input: clicks and keys reach the commands; Tab cycles in the front window as on the
// desktop; F6 moves between the front window and the page's bar (the list of open
// windows, "Scarica dati.txt", Help.htm); access keys press their buttons. While a
// guide is held, every click, key and paste waits and is given to the page afterwards.
import { chiaviDiAccesso, bersaglioDelTasto, prossimoTab } from './disposizione.mjs';
import { finestre, stato, mostra, finestraDavanti, ordineTab } from './finestre.mjs';
import { esegui } from './comandi.mjs';
import { inTrattenuta, inAttesa } from './trattenuta.mjs';
import { messaggioAperto } from './messaggio.mjs';

const attivabile = (t) => (t instanceof Element ? t.closest('.finestra button, .finestra [role="button"]') : null);
const nelMessaggio = (t) => t instanceof Element && !!t.closest('#messaggio');

// What the page's bar shows that takes the focus, in order (the list of open windows
// is shown in one column only, the offer of a new build only when there is one).
const barra = () => Array.from(document.querySelectorAll('#elenco-finestre button, #piede a[href], #aggiornamento button'))
  .filter((el) => el.getClientRects().length > 0);

function gestisciTasto(e, apple) {
  if (messaggioAperto()) return false;
  const f = finestraDavanti();
  if (e.key === 'F6' && !e.altKey && !e.ctrlKey && !e.metaKey) {
    const inFinestra = f && f.sezione.contains(document.activeElement);
    const verso = inFinestra ? barra() : (f ? ordineTab(f) : barra());
    if (!verso.length) return false;
    if (inFinestra) f.ultimoFuoco = document.activeElement;
    const torna = !inFinestra && f && f.ultimoFuoco && f.sezione.contains(f.ultimoFuoco) ? f.ultimoFuoco : verso[0];
    torna.focus();
    return true;
  }
  if (!f) return false;
  // In the page's bar, Tab and Enter are the page's own.
  const nellaBarra = !f.sezione.contains(document.activeElement) && document.activeElement !== document.body;
  // WebKitGTK gives Shift+Tab as the key "Unidentified" with the code "Tab".
  const tab = e.key === 'Tab' || e.code === 'Tab';
  if (tab && !e.altKey && !e.ctrlKey && !e.metaKey && !nellaBarra) {
    const lista = ordineTab(f);
    const j = prossimoTab(lista.length, lista.indexOf(document.activeElement), e.shiftKey);
    if (j >= 0) lista[j].focus();
    return true;
  }
  // A picture or label that acts as a button answers Enter and Space as a button does.
  const el = document.activeElement;
  if ((e.key === 'Enter' || e.key === ' ') && el && el.getAttribute('role') === 'button' && f.sezione.contains(el)) {
    esegui(el);
    return true;
  }
  const chiavi = chiaviDiAccesso(e, apple);
  if (!chiavi.length) return false;
  const pulsanti = Array.from(f.cliente.querySelectorAll('button[data-tasto]'));
  const b = bersaglioDelTasto(pulsanti.map((p) => p.dataset.tasto), chiavi, pulsanti.indexOf(document.activeElement));
  if (!b) return false;
  pulsanti[b.indice].focus();
  if (b.premi) esegui(pulsanti[b.indice]);
  return true;
}

// A key or paste kept during a hold, given to the page as if it came now.
function riproduci(e, apple) {
  if (e.incolla !== undefined) { scriviNelCampo((el, a, b) => el.setRangeText(e.incolla, a, b, 'end')); return; }
  if (gestisciTasto(e, apple)) return;
  const el = document.activeElement;
  if (e.ctrlKey || e.metaKey || (e.altKey && !apple)) return;
  if (el && el.tagName === 'INPUT') {
    const a = el.selectionStart, b = el.selectionEnd, n = el.value.length;
    const cursore = (p) => el.setSelectionRange(p, p);
    if (e.key.length === 1) scriviNelCampo(() => el.setRangeText(e.key, a, b, 'end'));
    else if (e.key === 'Backspace') scriviNelCampo(() => el.setRangeText('', a === b ? Math.max(0, a - 1) : a, b, 'end'));
    else if (e.key === 'Delete') scriviNelCampo(() => el.setRangeText('', a, a === b ? Math.min(n, a + 1) : b, 'end'));
    else if (e.key === 'ArrowLeft') cursore(a === b ? Math.max(0, a - 1) : a);
    else if (e.key === 'ArrowRight') cursore(a === b ? Math.min(n, b + 1) : b);
    else if (e.key === 'Home' || e.key === 'ArrowUp') cursore(0);
    else if (e.key === 'End' || e.key === 'ArrowDown') cursore(n);
  } else if (el && (e.key === 'Enter' || e.key === ' ') && attivabile(el)) {
    esegui(el);
  }
}

function scriviNelCampo(scrivi) {
  const el = document.activeElement;
  if (!el || el.tagName !== 'INPUT') return;
  scrivi(el, el.selectionStart, el.selectionEnd);
  el.dispatchEvent(new Event('input', { bubbles: true }));
}

export function preparaTastiera(apple) {
  const trattieni = (e) => inTrattenuta() && !nelMessaggio(e.target);
  // Whether the last input was a touch, held or not.
  document.addEventListener('pointerdown', (e) => { stato.tocco = e.pointerType === 'touch'; }, true);
  document.addEventListener('keydown', () => { stato.tocco = false; }, true);
  // A touch is not cancelled: the browser must still make the click that waits in line.
  for (const tipo of ['pointerdown', 'mousedown', 'beforeinput', 'keypress', 'keyup']) {
    document.addEventListener(tipo, (e) => {
      if (trattieni(e)) { e.preventDefault(); e.stopPropagation(); }
    }, { capture: true, passive: false });
  }
  document.addEventListener('paste', (e) => {
    if (!trattieni(e)) return;
    e.preventDefault(); e.stopPropagation();
    const testo = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
    inAttesa(() => riproduci({ incolla: testo }, apple));
  }, true);
  document.addEventListener('click', (e) => {
    if (!trattieni(e)) return;
    e.preventDefault(); e.stopPropagation();
    const t = e.target instanceof Element ? e.target.closest('.controllo, #elenco-finestre button') : null;
    if (t && t.matches('#elenco-finestre button')) inAttesa(() => { if (finestre[t.dataset.finestra]) mostra(t.dataset.finestra); });
    else if (t) inAttesa(() => esegui(t));
  }, true);
  document.addEventListener('keydown', (e) => {
    if (!trattieni(e)) return;
    e.preventDefault(); e.stopPropagation();
    const copia = { key: e.key, code: e.code, altKey: e.altKey, shiftKey: e.shiftKey, ctrlKey: e.ctrlKey, metaKey: e.metaKey };
    inAttesa(() => riproduci(copia, apple));
  }, true);

  document.addEventListener('click', (e) => {
    const el = attivabile(e.target);
    if (el) esegui(el);
  });
  // A window comes to the front when it is touched.
  document.addEventListener('pointerdown', (e) => {
    const sezione = e.target instanceof Element && e.target.closest('.finestra');
    if (sezione && finestre[sezione.dataset.finestra] && finestraDavanti() !== finestre[sezione.dataset.finestra]) {
      mostra(sezione.dataset.finestra);
    }
  });
  document.addEventListener('keydown', (e) => {
    if (gestisciTasto(e, apple)) e.preventDefault();
  });
}
