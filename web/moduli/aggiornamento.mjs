// Updates: the service worker fetches a new build whole in the background; the page then
// offers it in a small bar, and «Aggiorna» moves to it at once. A command that runs ends
// first, the calculation screen's boxes are kept for the one reload, and the page comes
// back wholly from the new build. Every other open page of the old build follows.
import { finestre, mostra } from './finestre.mjs';
import { quandoFermo } from './trattenuta.mjs';

const CHIAVE = 'ponderino/campi';

function conserva() {
  const f = finestre.Form2;
  if (!f) return;
  const campi = Object.fromEntries(Array.from(f.cliente.querySelectorAll('input'), (el) => [el.dataset.nome, el.value]));
  try { sessionStorage.setItem(CHIAVE, JSON.stringify(campi)); } catch (e) { /* nothing kept */ }
}

// After the reload: the calculation screen with what its boxes held.
export function ripristina() {
  let campi = null;
  try {
    campi = JSON.parse(sessionStorage.getItem(CHIAVE));
    sessionStorage.removeItem(CHIAVE);
  } catch (e) { /* nothing kept */ }
  if (!campi) return;
  const f = mostra('Form2');
  for (const [nome, valore] of Object.entries(campi)) if (f.elementi[nome]) f.elementi[nome].value = valore;
}

export function registra() {
  const sw = navigator.serviceWorker;
  let ricarica = false;
  const passa = async () => {
    ricarica = true;
    await quandoFermo();
    conserva();
  };
  const offri = (nuovo) => {
    if (!nuovo || !sw.controller) return;        // the first build, not an update
    document.getElementById('aggiornamento').hidden = false;
    document.getElementById('aggiorna').onclick = () => passa().then(() => nuovo.postMessage('aggiorna'));
  };
  sw.register('sw.js').then((reg) => {
    if (reg.waiting) offri(reg.waiting);
    reg.addEventListener('updatefound', () => {
      const nuovo = reg.installing;
      nuovo.addEventListener('statechange', () => { if (nuovo.state === 'installed') offri(nuovo); });
    });
  }).catch(() => { /* works online all the same */ });
  sw.addEventListener('controllerchange', async () => {
    if (!ricarica) await passa();
    location.reload();
  });
}
