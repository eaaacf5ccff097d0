// Pure rules of the page over a window's table (whose places, sizes, stacking and Tab
// order come already worked out by ponderino_finestre_js), shared by the page and by the
// tests that run them without a browser.

// The access keys a key press asks for, or none. Elsewhere Alt (with or without Shift)
// and the key; on Apple systems Option alone types a character (é, ç, π...), so there
// the access key is Control+Option and the key, as browsers there have it. The key's
// physical code counts too, since Alt or Option may change the character typed.
export function chiaviDiAccesso(e, apple) {
  if (e.metaKey) return [];
  if (apple ? !(e.ctrlKey && e.altKey) : (!e.altKey || e.ctrlKey)) return [];
  const chiavi = [String(e.key).toLowerCase()];
  if (/^Key[A-Z]$/.test(e.code)) chiavi.push(e.code.slice(3).toLowerCase());
  if (/^Digit\d$/.test(e.code)) chiavi.push(e.code.slice(5));
  if (e.code === 'Slash' && e.shiftKey) chiavi.push('?');
  return chiavi;
}

// The button a press of the access key reaches: with one button for the key, that one
// (pressed); with several, the next one after the focused one (focused only).
export function bersaglioDelTasto(tasti, chiavi, attivo) {
  const con = tasti.map((t, i) => [t, i]).filter(([t]) => chiavi.includes(t));
  if (!con.length) return null;
  if (con.length === 1) return { indice: con[0][1], premi: true };
  const k = con.findIndex(([, i]) => i === attivo);
  return { indice: con[(k + 1) % con.length][1], premi: false };
}

// The next control in a Tab cycle of n, from position i (-1: none), backwards with Shift.
export function prossimoTab(n, i, indietro) {
  if (!n) return -1;
  if (i < 0) return indietro ? n - 1 : 0;
  return (i + (indietro ? n - 1 : 1)) % n;
}

// The one-column layout, for screens narrower than a window. Its rows, top to bottom:
//   1. each measure row of the table: label, field, unit;
//   2. the method buttons, two to a row;
//   3. whatever shows something (boxes, labels, pictures), a row for each set of
//      controls of one container whose heights overlap, left to right;
//   4. each guide button on its own, then the guide box;
//   5. the other buttons, in Tab order.
// Left out: panels that only hold others from the corner, panels without a picture, and
// the window-wide backdrop `sfondo`.
export function righeInColonna(fin, sfondo) {
  const tab = fin.controlli;
  const geo = Object.fromEntries(tab.map((c) => [c.nome, c]));
  const righe = (fin.campi || []).map((r) => [r.etichetta, r.campo, r.unita].filter(Boolean));
  const usati = new Set(righe.flat());
  const prendi = (nomi) => { nomi.forEach((n) => usati.add(n)); return nomi; };
  const metodi = (fin.metodi || []).map((m) => m.pulsante);
  for (let i = 0; i < metodi.length; i += 2) righe.push(prendi(metodi.slice(i, i + 2)));
  const guide = fin.guide || [];
  if (guide.length) prendi([...guide, 'help1']);
  const contenitori = new Set(tab.map((c) => c.contenitore).filter(Boolean));
  const mostrati = tab.filter((c) => !usati.has(c.nome) && c.tipo !== 'Pulsante' && c.nome !== sfondo &&
      !(c.tipo === 'Pannello' && (!c.immagine || (contenitori.has(c.nome) && geo[c.nome].x === 0 && geo[c.nome].y === 0))))
    .sort((a, b) => geo[a.nome].y - geo[b.nome].y || geo[a.nome].x - geo[b.nome].x);
  const linee = [];
  for (const c of mostrati) {
    const g = geo[c.nome];
    const linea = linee.find((l) => l.contenitore === c.contenitore && g.y < l.fine && g.y + g.h > l.inizio);
    if (linea) { linea.nomi.push(c.nome); linea.fine = Math.max(linea.fine, g.y + g.h); } else {
      linee.push({ contenitore: c.contenitore, inizio: g.y, fine: g.y + g.h, nomi: [c.nome] });
    }
  }
  for (const l of linee) righe.push(prendi(l.nomi.sort((a, b) => geo[a].x - geo[b].x)));
  for (const g of guide) righe.push([g]);
  if (guide.length) righe.push(['help1']);
  for (const n of fin.tab) if (!usati.has(n) && geo[n].tipo === 'Pulsante') righe.push([n]);
  return righe;
}

// The window-wide backdrop: a panel at the corner that covers the whole client area.
export function sfondoPieno(fin) {
  const pr = fin.progetto;
  const c = fin.controlli.find((d) => d.tipo === 'Pannello' && !d.contenitore && d.x === 0 && d.y === 0 &&
    d.w >= pr.larghezza && d.h >= pr.altezza);
  return c ? c.nome : null;
}

// The decimal and grouping characters of a language, from the browser's own locale
// data; the Italian ones when the language is unknown.
export function separatori(lingua, Intl = globalThis.Intl) {
  let decimale = ',', raggruppamento = '.';
  try {
    for (const p of new Intl.NumberFormat(lingua).formatToParts(1234567.5)) {
      if (p.type === 'decimal') decimale = p.value;
      if (p.type === 'group') raggruppamento = p.value;
    }
  } catch (e) { /* an unknown language keeps the Italian separators */ }
  return { decimale, raggruppamento };
}

// Whether the browser runs on an Apple system (macOS, iOS, iPadOS).
export function sistemaApple(nav) {
  const piattaforma = (nav.userAgentData && nav.userAgentData.platform) || nav.platform || '';
  return /^(mac|iphone|ipad|ipod)/i.test(piattaforma) || /macOS/i.test(piattaforma);
}
