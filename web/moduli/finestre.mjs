// The six windows as page elements, built from their tables (written out by
// ponderino_finestre_js from the desktop's, bundled in as 'ponderino-tabelle'):
// made the first time they are shown, brought to the front later, listed in the
// page's bar, and gone at the end of the program.
import { FINESTRE } from 'ponderino-tabelle';
import { righeInColonna, sfondoPieno } from './disposizione.mjs';

export const finestre = {};      // name -> built window
const pila = [];                 // shown windows, back to front
let zSuccessivo = 1;
// Whether the last input was a touch (tastiera.mjs sets it); whether access keys are
// Apple's Control+Option (avvio.mjs).
export const stato = { tocco: false, apple: false };

const punti = (pt) => (pt * 4) / 3 + 'px';
const rgb = (c) => (c ? 'rgb(' + c.join(',') + ')' : '');
const luminanza = (c) => c.map((v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; })
  .reduce((s, v, i) => s + v * [0.2126, 0.7152, 0.0722][i], 0);

export const finestraDavanti = () => pila[pila.length - 1] || null;

function applicaCarattere(el, car) {
  if (!car) return;
  el.style.fontSize = punti(car.punti);
  el.style.fontWeight = car.grassetto ? '700' : '400';
}

// Text measured in a given font, on a canvas that is never shown.
let tela = null;
export function misura(font) {
  if (!tela) tela = document.createElement('canvas').getContext('2d');
  tela.font = font;
  return tela;
}

// The lines printed on a window are as far apart as the font's ascent and descent,
// each in whole pixels, as the desktop draws them.
function altezzaRiga(car) {
  const m = misura((car.grassetto ? '700 ' : '400 ') + punti(car.punti) + ' Arial, "Liberation Sans", sans-serif')
    .measureText('Hg');
  return Math.round(m.fontBoundingBoxAscent) + Math.round(m.fontBoundingBoxDescent);
}

export function impostaImmagine(el, file) {
  el.dataset.immagine = file;
  el.style.backgroundImage = file ? 'url("' + file + '")' : '';
}

// One control of a table as a page element, at its place, in its colours and font.
// What a screen reader calls it comes from the table: a label's own text, a button's,
// a box's or a picture's name given as aria-label.
function creaControllo(c, { etichettaDi, campi, idDi }) {
  let el;
  if (c.tipo === 'Pulsante') {
    el = document.createElement('button');
    el.type = 'button';
    const testo = document.createElement('span');
    testo.className = 'didascalia';
    const [prima, tasto, dopo] = c.didascalia;
    testo.append(prima);
    if (tasto) {
      const u = document.createElement('u');
      u.textContent = tasto;
      testo.append(u, dopo);
      el.dataset.tasto = tasto.toLowerCase();
      el.setAttribute('aria-keyshortcuts', (stato.apple ? 'Control+Alt+' : 'Alt+') + tasto.toUpperCase());
    }
    el.append(testo);
    if (c.accessibile !== prima + tasto + dopo) el.setAttribute('aria-label', c.accessibile);
  } else if (c.tipo === 'Casella') {
    el = document.createElement('input');
    el.type = 'text';
    el.value = c.testo || '';
    el.autocomplete = 'off';
    el.spellcheck = false;
    if (campi.includes(c.nome) && c.nome !== 'nome') el.inputMode = 'decimal';
    if (c.accessibile) el.setAttribute('aria-label', c.accessibile);
  } else if (c.tipo === 'Etichetta') {
    el = document.createElement(etichettaDi[c.nome] ? 'label' : 'div');
    if (etichettaDi[c.nome]) el.htmlFor = idDi(etichettaDi[c.nome]);
    el.textContent = c.testo || '';
  } else {
    el = document.createElement('div');
    if (c.immagine) impostaImmagine(el, c.immagine);
    if (c.affiancata) el.classList.add('affiancata');
    if (c.accessibile) {
      el.setAttribute('role', 'img');
      el.setAttribute('aria-label', c.accessibile);
    }
  }
  el.id = idDi(c.nome);
  el.dataset.nome = c.nome;
  el.classList.add('controllo', c.tipo.toLowerCase());
  if (c.allinea === 'Centro') el.classList.add('centro');
  el.style.left = c.x + 'px';
  el.style.top = c.y + 'px';
  el.style.width = c.w + 'px';
  el.style.height = c.h + 'px';
  el.style.zIndex = c.z;
  el.style.setProperty('--proporzione', c.w + ' / ' + c.h);
  if (c.sfondo) el.style.backgroundColor = rgb(c.sfondo);
  if (c.colore) el.style.color = rgb(c.colore);
  // The usual black text cannot be read on a dark face: there it is white.
  else if (c.sfondo && c.tipo === 'Pulsante' && luminanza(c.sfondo) < 0.18) el.style.color = '#fff';
  applicaCarattere(el, c.carattere);
  return el;
}

function crea(nome) {
  const fin = FINESTRE[nome];
  const pr = fin.progetto;
  const tab = fin.controlli;
  const sezione = document.createElement('section');
  sezione.className = 'finestra';
  sezione.id = 'finestra-' + nome;
  sezione.dataset.finestra = nome;
  sezione.setAttribute('aria-labelledby', 'titolo-' + nome);
  sezione.tabIndex = -1;

  const barra = document.createElement('h2');
  barra.className = 'barra';
  barra.id = 'titolo-' + nome;
  if (pr.icona) {
    const icona = document.createElement('img');
    icona.src = pr.icona;
    icona.alt = '';
    icona.className = 'icona';
    barra.append(icona);
  }
  barra.append(pr.didascalia);

  const cliente = document.createElement('div');
  cliente.className = 'cliente';
  cliente.style.width = pr.larghezza + 'px';
  cliente.style.height = pr.altezza + 'px';
  if (pr.sfondo) cliente.style.backgroundColor = rgb(pr.sfondo);
  if (pr.colore) cliente.style.color = rgb(pr.colore);
  applicaCarattere(cliente, pr.carattere);
  if (pr.immagine) impostaImmagine(cliente, pr.immagine);

  // The window's own surface, beneath every control.
  const superficie = document.createElement('div');
  superficie.className = 'superficie';
  if (pr.carattere) superficie.style.lineHeight = altezzaRiga(pr.carattere) + 'px';
  cliente.append(superficie);

  const sfondo = sfondoPieno(fin);
  if (sfondo) superficie.setAttribute('aria-hidden', 'true');
  const campi = (fin.campi || []).map((r) => r.campo);
  const etichettaDi = Object.fromEntries((fin.campi || []).map((r) => [r.etichetta, r.campo]));
  const idDi = (n) => nome + '-' + n.replace(/[()]/g, '_');
  const ambiente = { etichettaDi, campi, idDi };
  const elementi = {};
  for (const c of tab) elementi[c.nome] = creaControllo(c, ambiente);
  if (sfondo) elementi[sfondo].classList.add('sfondo-pieno');

  // The pictures and labels that act as buttons on the desktop take the focus here too.
  for (const n of Object.keys(fin.comandi || {})) {
    const el = elementi[n];
    if (el && el.tagName !== 'BUTTON') {
      el.setAttribute('role', 'button');
      el.tabIndex = 0;
    }
  }
  // Document order is Tab order: the table's, then those pictures and labels, then the rest.
  const prima = new Set(fin.tab);
  const poi = tab.filter((c) => !prima.has(c.nome)).sort((a, b) => elementi[b.nome].tabIndex - elementi[a.nome].tabIndex);
  for (const n of [...fin.tab, ...poi.map((c) => c.nome)]) cliente.append(elementi[n]);

  sezione.append(barra, cliente);
  const f = { nome, sezione, cliente, superficie, elementi, ultimoFuoco: null };
  let ordine = 1;
  for (const riga of righeInColonna(fin, sfondo)) {
    for (const n of riga) {
      const el = elementi[n];
      el.style.order = ordine++;
      el.style.setProperty('--quota', 100 / riga.length + '%');
      el.classList.add('in-colonna');
    }
  }
  // The figure the guides stand beside is not shown in one column: each guide says what it explains.
  for (const g of fin.guide || []) elementi[g].classList.add('guida');
  for (const riga of fin.righe || []) stampa(f, riga);
  return f;
}

// Prints one line on the window's own surface, one line below the last.
export function stampa(f, riga) {
  const linea = document.createElement('div');
  linea.textContent = riga;
  f.superficie.append(linea);
}

// Shows a window: the first time it is created in its design state; later it is only
// brought to the front with everything in it unchanged.
export function mostra(nome) {
  let f = finestre[nome];
  const nuova = !f;
  if (nuova) {
    f = finestre[nome] = crea(nome);
    document.getElementById('schermo').append(f.sezione);
    posiziona(f);
  }
  const prima = finestraDavanti();
  if (prima && prima !== f && document.activeElement && prima.sezione.contains(document.activeElement)) {
    prima.ultimoFuoco = document.activeElement;
  }
  const i = pila.indexOf(f);
  if (i >= 0) pila.splice(i, 1);
  pila.push(f);
  for (const g of pila) g.sezione.classList.toggle('davanti', g === f);
  f.sezione.style.zIndex = zSuccessivo++;
  document.title = FINESTRE[nome].progetto.didascalia;
  aggiornaElenco();
  let fuoco = (f.ultimoFuoco && f.sezione.contains(f.ultimoFuoco)) ? f.ultimoFuoco : ordineTab(f)[0];
  // On a touch screen a field focused by itself would raise the on-screen keyboard over
  // the window before anyone chose a field: there the window itself takes the focus.
  if (stato.tocco && fuoco && fuoco.tagName === 'INPUT') fuoco = f.sezione;
  if (fuoco) fuoco.focus({ preventScroll: !nuova });
  if (document.documentElement.classList.contains('stretta')) window.scrollTo(0, 0);
  return f;
}

// In one column only the window in front is seen: the open windows are listed above
// it, as a taskbar would, so that any of them can be brought back.
function aggiornaElenco() {
  const elenco = document.getElementById('elenco-finestre');
  elenco.textContent = '';
  for (const n of Object.keys(finestre)) {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = FINESTRE[n].progetto.didascalia;
    b.dataset.finestra = n;
    if (finestraDavanti() === finestre[n]) b.setAttribute('aria-current', 'true');
    b.addEventListener('click', () => mostra(n));
    elenco.append(b);
  }
}

export function posiziona(f) {
  const pr = FINESTRE[f.nome].progetto;
  const schermo = document.getElementById('schermo');
  const larghezza = f.sezione.offsetWidth, altezza = f.sezione.offsetHeight;
  const area = schermo.clientWidth;
  const altezzaArea = Math.max(window.innerHeight - 40, altezza);
  let x = pr.left >= 0 ? pr.left : (area - larghezza) / 2;
  let y = pr.top >= 0 ? pr.top : (altezzaArea - altezza) / 2;
  x = Math.max(0, Math.min(x, area - larghezza));
  y = Math.max(0, y);
  f.sezione.style.left = Math.round(x) + 'px';
  f.sezione.style.top = Math.round(y) + 'px';
  altezzaSchermo();
}

// The windows stand absolutely placed: the screen reaches below the lowest of them, so
// that the page's bar below it is never under a window.
function altezzaSchermo() {
  const schermo = document.getElementById('schermo');
  const fondo = Math.max(0, ...Object.values(finestre).map((f) => f.sezione.offsetTop + f.sezione.offsetHeight));
  schermo.style.minHeight = document.documentElement.classList.contains('stretta') ? '' : 'max(calc(100vh - 3em), ' + fondo + 'px)';
}

// What Tab reaches in a window, in order: what is shown of it.
export function ordineTab(f) {
  return Array.from(f.cliente.querySelectorAll('input, button, [tabindex="0"]'))
    .filter((el) => el.offsetParent !== null || getComputedStyle(el).position === 'fixed');
}

// The end of the program: every window goes, and a closing screen offers a new start.
export function termina() {
  for (const n of Object.keys(finestre)) { finestre[n].sezione.remove(); delete finestre[n]; }
  pila.length = 0;
  aggiornaElenco();
  document.title = 'Ponderino';
  document.getElementById('schermo').hidden = true;
  document.getElementById('chiuso').hidden = false;
  document.getElementById('ricomincia').focus();
}

export function ricomincia() {
  document.getElementById('chiuso').hidden = true;
  document.getElementById('schermo').hidden = false;
  mostra('Form1');
}

// 1:1 when the screen is wide and tall enough for the largest window with its title bar,
// else one column: a phone held sideways gets the buttons a finger can hit.
export function preparaLayout() {
  const massimo = (misura) => Math.max(...Object.values(FINESTRE).map((f) => f.progetto[misura]));
  const stretto = window.matchMedia('(max-width: ' + (massimo('larghezza') + 23) + 'px), (max-height: ' +
    (massimo('altezza') + 23) + 'px)');
  const aggiorna = () => {
    document.documentElement.classList.toggle('stretta', stretto.matches);
    for (const f of Object.values(finestre)) posiziona(f);
    altezzaSchermo();
  };
  stretto.addEventListener('change', aggiorna);
  aggiorna();
}
