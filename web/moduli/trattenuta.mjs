// A guide's hold: its picture stays one second, and meanwhile every click, key, tap and
// paste waits in line (tastiera.mjs catches them). Once the command that held has ended,
// what came is given to the page in order; a command among it runs to its end (and its
// own hold) before the rest.
let trattenuto = false;
let pendenti = 0;            // commands started and not yet ended
const coda = [];             // input that came during a hold, in order

export const inTrattenuta = () => trattenuto;

export function trattieni(ms) {
  trattenuto = true;
  document.documentElement.setAttribute('aria-busy', 'true');
  return new Promise((fatto) => setTimeout(fatto, ms));
}

export function inAttesa(azione) { coda.push(azione); }

export function inizioComando() { ++pendenti; }

export function fineComando() {
  --pendenti;
  if (trattenuto) {
    trattenuto = false;
    document.documentElement.removeAttribute('aria-busy');
  }
  while (coda.length && !pendenti) coda.shift()();
}

// Resolves once no command runs and nothing waits for a hold to end.
export async function quandoFermo() {
  while (pendenti || coda.length) await new Promise((fatto) => setTimeout(fatto, 20));
}
