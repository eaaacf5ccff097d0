// Ponderino in the browser: the six windows built from FINESTRE (finestre.js, written
// from the same tables as the desktop windows), every calculation through the core in
// WebAssembly (ponderino-core.js), dati.txt kept in the browser's local storage.
'use strict';

(function () {
  const TWIP = 15;                        // twips in one CSS pixel
  const CHIAVE_DATI = 'ponderino/dati.txt';
  const ATTESA_GUIDA = 1000;              // ms a guide picture is held
  const CAMPI = ['nome', 'eta', 'peso', 'spalle', 'torace', 'vita', 'alt'];
  const SVUOTA_PULISCI = ['vita', 'torace', 'nome', 'eta', 'alt', 'peso', 'spalle', 'kgp', 'metodo'];
  // Names a screen reader speaks where a control shows no words of its own.
  const NOMI_ACCESSIBILI = {
    Form1: { Picture2: 'Ponderino, il calcolo del peso ideale', Image1: 'Autore' },
    Form2: {
      kgp: 'Risultato', metodo: 'Metodo', formula: 'Formula del metodo', help1: 'Guida alle misure',
      Command1: 'Come misurare la larghezza delle spalle',
      Command3: 'Come misurare la circonferenza del torace',
      Command11: 'Come misurare la circonferenza della vita',
    },
  };

  const pixel = (twips) => Math.floor((twips + 7) / TWIP);
  const punti = (pt) => (pt * 4) / 3 + 'px';
  const luminanza = (c) => c.map((v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; })
    .reduce((s, v, i) => s + v * [0.2126, 0.7152, 0.0722][i], 0);
  const rgb = (c) => (c ? 'rgb(' + c.join(',') + ')' : '');
  // A picture file of the desktop, "x.bmp", is "disegni/x.svg" here.
  const disegno = (file) => 'disegni/' + file.replace(/\.[^.]*$/, '') + '.svg';

  // ---- Regional settings: the browser's first language, as the desktop takes the system's.
  const lingua = (navigator.languages && navigator.languages[0]) || navigator.language || 'it';
  const separatori = (function () {
    let decimale = ',', raggruppamento = '.';
    try {
      for (const p of new Intl.NumberFormat(lingua).formatToParts(1234567.5)) {
        if (p.type === 'decimal') decimale = p.value;
        if (p.type === 'group') raggruppamento = p.value;
      }
    } catch (e) { /* an unknown language keeps the Italian separators */ }
    return { decimale, raggruppamento };
  })();

  // ---- The core, loaded once; commands that need it wait for it.
  let core = null;
  const pronto = typeof PonderinoCore === 'function'
    ? PonderinoCore().then((m) => { core = m; })
    : Promise.reject(new Error('ponderino-core.js manca'));
  const mancanoIDati = () => (typeof core.mancanoIDati === 'function' ? core.mancanoIDati() : core.mancanoIDati);
  const elenco = (v) => (Array.isArray(v) ? v : Array.from({ length: v.size() }, (_, i) => v.get(i)));

  // ---- dati.txt in local storage: whole lines only, old content kept on failure.
  const archivio = {
    leggi() {
      try { return window.localStorage.getItem(CHIAVE_DATI); } catch (e) { return null; }
    },
    // Returns null when stored, else the Italian reason.
    scrivi(riga) {
      try {
        window.localStorage.setItem(CHIAVE_DATI, riga);
      } catch (e) {
        return 'Impossibile salvare dati.txt: la memoria del browser è piena o non è ' +
          'disponibile (ad esempio in una finestra privata). I dati salvati prima restano invariati.';
      }
      aggiornaScarica();
      return null;
    },
  };

  function aggiornaScarica() {
    const link = document.getElementById('scarica');
    const contenuto = archivio.leggi();
    if (contenuto === null) {
      link.removeAttribute('href');
      link.setAttribute('aria-disabled', 'true');
      return;
    }
    link.removeAttribute('aria-disabled');
    link.href = 'data:text/plain;charset=us-ascii;base64,' + btoa(contenuto);
  }

  // ---- Windows --------------------------------------------------------------------------
  const finestre = {};       // name -> built window
  const pila = [];           // shown windows, back to front
  let zSuccessivo = 1;

  function posizioneAssoluta(tabella, c) {
    let x = c.left, y = c.top, cont = c.contenitore;
    while (cont) {
      const p = tabella.find((d) => d.nome === cont);
      x += p.left; y += p.top; cont = p.contenitore;
    }
    return { x, y, w: c.width, h: c.height };
  }

  // The access key of a caption: the character after a single "&".
  function tastoRapido(testo) {
    const m = /&([^&])/.exec(testo || '');
    return m ? m[1].toLowerCase() : null;
  }

  function scriviDidascalia(el, testo) {
    el.textContent = '';
    const i = testo.search(/&[^&]/);
    if (i < 0) { el.textContent = testo.replace(/&&/g, '&'); return; }
    el.append(testo.slice(0, i).replace(/&&/g, '&'));
    const u = document.createElement('u');
    u.textContent = testo[i + 1];
    el.append(u, testo.slice(i + 2).replace(/&&/g, '&'));
  }

  function applicaCarattere(el, car) {
    if (!car) return;
    el.style.fontSize = punti(car.punti);
    el.style.fontWeight = car.grassetto ? '700' : '400';
  }

  // Text measured in a given font, on a canvas that is never shown.
  let tela = null;
  function misura(font) {
    if (!tela) tela = document.createElement('canvas').getContext('2d');
    tela.font = font;
    return tela;
  }

  function altezzaRiga(car) {
    const m = misura((car.grassetto ? '700 ' : '400 ') + punti(car.punti) + ' Arial, "Liberation Sans", sans-serif')
      .measureText('Hg');
    return Math.round(m.fontBoundingBoxAscent) + Math.round(m.fontBoundingBoxDescent);
  }

  function impostaImmagine(el, file) {
    el.dataset.immagine = file;
    el.style.backgroundImage = file ? 'url("' + file + '")' : '';
  }

  // Stacking: within a container the first row is in front, and whatever a panel holds
  // stands in front of the panel.
  function ordineDiPittura(tabella) {
    const ordine = [];
    const dipingi = (contenitore) => {
      const figli = tabella.filter((c) => (c.contenitore || '') === contenitore);
      for (let i = figli.length - 1; i >= 0; --i) {
        ordine.push(figli[i].nome);
        dipingi(figli[i].nome);
      }
    };
    dipingi('');
    return ordine;
  }

  // The rows of label, measure field and unit, found by where they stand: for the
  // labels' "for" and for the narrow layout.
  function righeDeiCampi(tab, geo) {
    const etichettaDi = {};
    const righeCampi = [];
    for (const campo of CAMPI) {
      const c = tab.find((d) => d.nome === campo);
      if (!c) continue;
      const g = geo[campo];
      const nellaRiga = (d) => {
        const m = geo[d.nome].y + geo[d.nome].h / 2;
        return m >= g.y - 60 && m <= g.y + g.h + 60 &&
          (d.contenitore === c.contenitore || !d.contenitore);
      };
      const etichette = tab.filter((d) => d.tipo === 'Etichetta' && nellaRiga(d) && geo[d.nome].x < g.x);
      const unita = tab.filter((d) => d.tipo === 'Casella' && !CAMPI.includes(d.nome) && nellaRiga(d) &&
        geo[d.nome].x >= g.x + g.w && geo[d.nome].x < g.x + g.w + 600);
      if (etichette[0]) etichettaDi[etichette[0].nome] = campo;
      righeCampi.push([...etichette.map((d) => d.nome), campo, ...unita.map((d) => d.nome)]);
    }
    return { etichettaDi, righeCampi };
  }

  // One control of a table as a page element, at its place, in its colours and font.
  function creaControllo(c, { nomi, etichettaDi, idDi, geo, z }) {
    let el;
    if (c.tipo === 'Pulsante') {
      el = document.createElement('button');
      el.type = 'button';
      const testo = document.createElement('span');
      testo.className = 'didascalia';
      scriviDidascalia(testo, c.testo || '');
      el.append(testo);
      if (nomi[c.nome]) el.setAttribute('aria-label', nomi[c.nome]);
      const tasto = tastoRapido(c.testo);
      if (tasto) {
        el.dataset.tasto = tasto;
        el.setAttribute('aria-keyshortcuts', 'Alt+' + (tasto === '?' ? '?' : tasto.toUpperCase()));
      }
    } else if (c.tipo === 'Casella') {
      el = document.createElement('input');
      el.type = 'text';
      el.value = c.testo || '';
      el.autocomplete = 'off';
      el.spellcheck = false;
      if (CAMPI.includes(c.nome) && c.nome !== 'nome') el.inputMode = 'decimal';
      if (!CAMPI.includes(c.nome)) el.setAttribute('aria-label', nomi[c.nome] || (c.testo || '').trim() || c.nome);
    } else if (c.tipo === 'Etichetta') {
      el = document.createElement(etichettaDi[c.nome] ? 'label' : 'div');
      if (etichettaDi[c.nome]) el.htmlFor = idDi(etichettaDi[c.nome]);
      el.textContent = c.testo || '';
    } else {
      el = document.createElement('div');
      if (c.immagine) impostaImmagine(el, c.immagine);
      if (c.affiancata) el.classList.add('affiancata');
      if (nomi[c.nome]) {
        el.setAttribute('role', 'img');
        el.setAttribute('aria-label', nomi[c.nome]);
      }
    }
    el.id = idDi(c.nome);
    el.dataset.nome = c.nome;
    el.classList.add('controllo', c.tipo.toLowerCase());
    if (c.allinea === 'Centro') el.classList.add('centro');
    const g = geo[c.nome];
    el.style.left = pixel(g.x) + 'px';
    el.style.top = pixel(g.y) + 'px';
    el.style.width = pixel(c.width) + 'px';
    el.style.height = pixel(c.height) + 'px';
    el.style.zIndex = z[c.nome];
    el.style.setProperty('--proporzione', c.width + ' / ' + c.height);
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
    cliente.style.width = pixel(pr.larghezza) + 'px';
    cliente.style.height = pixel(pr.altezza) + 'px';
    if (pr.sfondo) cliente.style.backgroundColor = rgb(pr.sfondo);
    if (pr.colore) cliente.style.color = rgb(pr.colore);
    applicaCarattere(cliente, pr.carattere);
    if (pr.immagine) impostaImmagine(cliente, pr.immagine);

    // The window's own surface, beneath every control; its lines are as far apart as
    // the font's ascent and descent, each in whole pixels, as the desktop draws them.
    const superficie = document.createElement('div');
    superficie.className = 'superficie';
    if (pr.carattere) superficie.style.lineHeight = altezzaRiga(pr.carattere) + 'px';
    cliente.append(superficie);

    const contenitori = new Set(tab.map((c) => c.contenitore).filter(Boolean));
    const sfondoPieno = tab.find((c) => c.tipo === 'Pannello' && !c.contenitore && c.left === 0 &&
      c.top === 0 && c.width >= pr.larghezza && c.height >= pr.altezza);
    if (sfondoPieno) superficie.setAttribute('aria-hidden', 'true');
    const nomi = NOMI_ACCESSIBILI[nome] || {};

    const geo = {};
    for (const c of tab) geo[c.nome] = posizioneAssoluta(tab, c);
    const { etichettaDi, righeCampi } = righeDeiCampi(tab, geo);

    const elementi = {};
    const z = {};
    ordineDiPittura(tab).forEach((n, i) => { z[n] = i + 1; });
    const idDi = (n) => nome + '-' + n.replace(/[()]/g, '_');

    const ambiente = { nomi, etichettaDi, idDi, geo, z };
    for (const c of tab) elementi[c.nome] = creaControllo(c, ambiente);
    if (sfondoPieno) elementi[sfondoPieno.nome].classList.add('sfondo-pieno');

    // The pictures and labels that act as buttons on the desktop take the focus here too.
    for (const n of Object.keys(COMANDI[nome] || {})) {
      const el = elementi[n];
      if (el && el.tagName !== 'BUTTON') {
        el.setAttribute('role', 'button');
        el.tabIndex = 0;
        if (!el.getAttribute('aria-label') && !el.textContent.trim()) el.setAttribute('aria-label', n);
      }
    }

    // Document order is tab order: ascending TabIndex over what takes the focus, then
    // everything else.
    const prende = (c) => ['Casella', 'Pulsante'].includes(c.tipo) || elementi[c.nome].tabIndex === 0;
    const indice = (c) => (c.tabIndex < 0 ? 1e9 : c.tabIndex);
    const ordinati = tab.filter(prende).sort((a, b) => indice(a) - indice(b))
      .concat(tab.filter((c) => !prende(c)));
    for (const c of ordinati) cliente.append(elementi[c.nome]);

    sezione.append(barra, cliente);
    const f = { nome, sezione, cliente, superficie, elementi, ultimoFuoco: null };
    preparaStretta(f, tab, geo, righeCampi, contenitori);
    for (const riga of fin.righe || []) stampa(f, riga);
    return f;
  }

  // The one-column layout below the window's width: rows of label, field and unit; the
  // method buttons; the result with its picture; the guides; then the commands.
  function preparaStretta(f, tab, geo, righeCampi, contenitori) {
    const fin = FINESTRE[f.nome];
    const righe = righeCampi.slice();
    const usati = new Set(righe.flat());
    const prendi = (nomi) => { nomi.forEach((n) => usati.add(n)); return nomi; };
    const metodi = (fin.metodi || []).map((m) => m.pulsante);
    for (let i = 0; i < metodi.length; i += 2) righe.push(prendi(metodi.slice(i, i + 2)));
    const guide = (fin.guide || []).map((g) => g.pulsante);
    guide.forEach((n) => usati.add(n));
    if (guide.length) usati.add('help1');

    // What shows something: boxes, labels, pictures; grouped by line, top to bottom.
    const mostrati = tab.filter((c) => !usati.has(c.nome) && c.tipo !== 'Pulsante' &&
      !(c.tipo === 'Pannello' && (!c.immagine || (contenitori.has(c.nome) && geo[c.nome].x === 0 && geo[c.nome].y === 0))) &&
      !f.elementi[c.nome].classList.contains('sfondo-pieno'))
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
    // The figure the guides stand beside is not shown here: each guide says what it explains.
    for (const g of guide) { f.elementi[g].classList.add('guida'); righe.push([g]); }
    if (guide.length) righe.push(['help1']);
    const comandi = tab.filter((c) => !usati.has(c.nome) && c.tipo === 'Pulsante')
      .sort((a, b) => a.tabIndex - b.tabIndex);
    for (const c of comandi) righe.push(prendi([c.nome]));

    let ordine = 1;
    for (const riga of righe) {
      for (const n of riga) {
        const el = f.elementi[n];
        if (!el) continue;
        el.style.order = ordine++;
        el.style.setProperty('--quota', 100 / riga.length + '%');
        el.classList.add('in-colonna');
      }
    }
  }

  // Prints one line on the window's own surface, one line below the last.
  function stampa(f, riga) {
    const linea = document.createElement('div');
    linea.textContent = riga;
    f.superficie.append(linea);
  }

  function finestraDavanti() { return pila[pila.length - 1] || null; }

  // Shows a window: the first time it is created in its design state; later it is only
  // brought to the front with everything in it unchanged.
  function mostra(nome) {
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
    const fuoco = (f.ultimoFuoco && f.sezione.contains(f.ultimoFuoco)) ? f.ultimoFuoco : ordineTab(f)[0];
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
      b.addEventListener('click', () => { if (!trattenuto) mostra(n); });
      elenco.append(b);
    }
  }

  function posiziona(f) {
    const pr = FINESTRE[f.nome].progetto;
    const schermo = document.getElementById('schermo');
    const larghezza = f.sezione.offsetWidth, altezza = f.sezione.offsetHeight;
    const area = schermo.clientWidth;
    const altezzaArea = Math.max(window.innerHeight - 40, altezza);
    let x = pr.left >= 0 ? pixel(pr.left) : (area - larghezza) / 2;
    let y = pr.top >= 0 ? pixel(pr.top) : (altezzaArea - altezza) / 2;
    x = Math.max(0, Math.min(x, area - larghezza));
    y = Math.max(0, y);
    f.sezione.style.left = Math.round(x) + 'px';
    f.sezione.style.top = Math.round(y) + 'px';
  }

  function ordineTab(f) {
    return Array.from(f.cliente.querySelectorAll('input, button, [tabindex="0"]'))
      .filter((el) => el.offsetParent !== null || getComputedStyle(el).position === 'fixed');
  }

  // The end of the program: every window goes, and a closing screen offers a new start.
  function termina() {
    for (const n of Object.keys(finestre)) { finestre[n].sezione.remove(); delete finestre[n]; }
    pila.length = 0;
    aggiornaElenco();
    document.title = 'Ponderino';
    const fine = document.getElementById('chiuso');
    fine.hidden = false;
    document.getElementById('ricomincia').focus();
  }

  function ricomincia() {
    document.getElementById('chiuso').hidden = true;
    mostra('Form1');
  }

  // ---- The message box: modal, OK only, focus back where it was. ----------------------
  let dopoMessaggio = null;
  function mostraMessaggio(testo, poi) {
    const d = document.getElementById('messaggio');
    document.getElementById('messaggio-testo').textContent = testo;
    const davanti = finestraDavanti();
    const torna = document.activeElement;
    dopoMessaggio = () => {
      if (torna && document.contains(torna)) torna.focus();
      else if (davanti && ordineTab(davanti)[0]) ordineTab(davanti)[0].focus();
      if (poi) poi();
    };
    d.showModal();
    document.getElementById('messaggio-ok').focus();
  }

  // ---- The calculation screen's commands ----------------------------------------------
  const F2 = () => finestre.Form2;
  const casella = (n) => F2().elementi[n];
  const leggiDati = () => Object.fromEntries(CAMPI.map((n) => [n, casella(n).value]));

  function percorsoDatiMancanti(campi) {
    const avviso = mancanoIDati();
    for (const c of campi) if (casella(c).value === '') stampa(F2(), avviso);
    mostraMessaggio(avviso);
  }

  function eseguiMetodo(m) {
    if (m.svuotaUnita) casella('Text5').value = '';
    const r = core.calcola(m.metodo, leggiDati(), separatori.decimale, separatori.raggruppamento);
    if (!r.ok) { percorsoDatiMancanti(elenco(core.campiMetodo(m.metodo))); return; }
    casella('kgp').value = r.testo;
    casella('metodo').value = m.nome;
    stampa(F2(), casella('metodo').value);
    impostaImmagine(casella('formula'), disegno(m.immagine));
    casella('Text5').value = m.unita;
  }

  function conferma() {
    const r = core.rigaRisultati(leggiDati(), separatori.decimale, separatori.raggruppamento);
    if (!r.ok) { percorsoDatiMancanti(['alt', 'torace']); return; }
    const errore = archivio.scrivi(r.riga);
    if (errore) { mostraMessaggio(errore); return; }
    mostra('form4');
  }

  function pulisci() {
    for (const n of SVUOTA_PULISCI) casella(n).value = '';
    impostaImmagine(casella('formula'), disegno(FINESTRE.Form2.pulisci));
    casella('Text5').value = '';
    const errore = archivio.scrivi(core.rigaZeri());
    if (errore) mostraMessaggio(errore);
  }

  function esci() {
    const errore = archivio.scrivi(core.rigaZeri());
    if (errore) mostraMessaggio(errore, termina); else termina();
  }

  // The guide: its picture for a second, during which input waits, then the neutral one.
  function eseguiGuida(g) {
    impostaImmagine(casella('help1'), disegno(g.guida));
    trattieni(ATTESA_GUIDA, () => impostaImmagine(casella('help1'), disegno(g.neutra)));
  }

  // The summary: a print-only document of 47 lines, then the browser's print dialog.
  function stampaRiepilogo() {
    // Nothing stored yet reads as a missing dati.txt, with the desktop's message.
    const contenuto = archivio.leggi();
    const oggi = new Date();
    const r = core.riepilogo(leggiDati(), contenuto, oggi.getDate(), oggi.getMonth() + 1, oggi.getFullYear(),
      separatori.decimale, separatori.raggruppamento);
    if (!r.ok) { mostraMessaggio(r.errore); return; }
    componiStampa(elenco(r.righe).map(elenco));
    window.print();
  }

  function componiStampa(righe) {
    const foglio = document.getElementById('stampa');
    foglio.textContent = '';
    const stile = getComputedStyle(foglio);
    const testo = misura(stile.fontSize + ' ' + stile.fontFamily);
    // A column is the font's average character width as the font itself declares it
    // (Liberation Sans, metric twin of Arial: 1208/2048 of the size), the very width
    // the desktop's report takes; a page cannot read a font's tables, so it is named here.
    const zona = parseFloat(stile.fontSize) * (1208 / 2048) * 14;
    for (const riga of righe) {
      const linea = document.createElement('div');
      linea.className = 'riga';
      let x = 0;
      for (const voce of riga) {
        if (voce.zona) x = (Math.floor(x / zona) + 1) * zona;
        const s = document.createElement('span');
        s.textContent = voce.testo;
        s.style.left = x + 'px';
        linea.append(s);
        x += testo.measureText(voce.testo).width;
      }
      foglio.append(linea);
    }
    foglio.dataset.zona = zona;
  }

  // ---- Commands by window and control ---------------------------------------------------
  const COMANDI = {
    Form1: { Command1: () => mostra('form7'), Command2: () => mostra('Form2'), Command3: termina, Image1: () => mostra('Form5') },
    form7: { Command1: () => mostra('Form1') },
    Form5: { Label5: () => mostra('Form1') },
    Form3: { Command1: () => mostra('Form2') },
    form4: { Command1: () => mostra('Form2') },
    Form2: { Command4: conferma, Command8: pulisci, Command9: esci, Command10: stampaRiepilogo, Command2: () => mostra('Form3') },
  };
  for (const m of FINESTRE.Form2.metodi) COMANDI.Form2[m.pulsante] = () => eseguiMetodo(m);
  for (const g of FINESTRE.Form2.guide) COMANDI.Form2[g.pulsante] = () => eseguiGuida(g);

  // ---- Input: commands one at a time, held while a guide is shown ----------------------
  let trattenuto = false;
  const coda = [];

  function trattieni(ms, poi) {
    trattenuto = true;
    document.documentElement.setAttribute('aria-busy', 'true');
    setTimeout(() => {
      poi();
      trattenuto = false;
      document.documentElement.removeAttribute('aria-busy');
      while (!trattenuto && coda.length) coda.shift()();
    }, ms);
  }

  function esegui(el) {
    const sezione = el.closest('.finestra');
    if (!sezione) return;
    const f = finestre[sezione.dataset.finestra];
    if (!f) return;
    if (finestraDavanti() !== f) mostra(f.nome);
    const comando = (COMANDI[f.nome] || {})[el.dataset.nome];
    if (!comando) { if (el.matches('input')) el.focus(); return; }
    if (!core) { pronto.then(() => comando()); return; }
    comando();
  }

  function attivabile(target) {
    return target instanceof Element ? target.closest('.finestra button, .finestra [role="button"]') : null;
  }

  // While held, clicks and keys are kept and run in order afterwards.
  for (const tipo of ['pointerdown', 'mousedown', 'touchstart', 'beforeinput', 'keypress', 'keyup', 'paste']) {
    document.addEventListener(tipo, (e) => {
      if (trattenuto) { e.preventDefault(); e.stopPropagation(); }
    }, { capture: true, passive: false });
  }
  document.addEventListener('click', (e) => {
    if (trattenuto) {
      e.preventDefault(); e.stopPropagation();
      const t = e.target instanceof Element ? e.target.closest('.controllo') : null;
      if (t) coda.push(() => esegui(t));
    }
  }, true);
  document.addEventListener('keydown', (e) => {
    if (trattenuto) {
      e.preventDefault(); e.stopPropagation();
      const copia = { key: e.key, code: e.code, altKey: e.altKey, shiftKey: e.shiftKey, ctrlKey: e.ctrlKey, metaKey: e.metaKey };
      coda.push(() => riproduciTasto(copia));
    }
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

  // Tab stays inside the front window, in its tab order; Alt with an access key presses
  // that button, and where several share the key the focus moves among them.
  function gestisciTasto(e) {
    if (document.getElementById('messaggio').open) return false;
    const f = finestraDavanti();
    if (!f) return false;
    if (e.key === 'Tab' && !e.altKey && !e.ctrlKey && !e.metaKey) {
      const lista = ordineTab(f);
      if (!lista.length) return true;
      const i = lista.indexOf(document.activeElement);
      const j = i < 0 ? 0 : (i + (e.shiftKey ? lista.length - 1 : 1)) % lista.length;
      lista[j].focus();
      return true;
    }
    // A picture or label that acts as a button answers Enter and Space as a button does.
    const el = document.activeElement;
    if ((e.key === 'Enter' || e.key === ' ') && el && el.getAttribute('role') === 'button' && f.sezione.contains(el)) {
      esegui(el);
      return true;
    }
    if (e.altKey && !e.ctrlKey && !e.metaKey) {
      const chiavi = [e.key.toLowerCase()];
      if (/^Key[A-Z]$/.test(e.code)) chiavi.push(e.code.slice(3).toLowerCase());
      if (/^Digit\d$/.test(e.code)) chiavi.push(e.code.slice(5));
      if (e.code === 'Slash' && e.shiftKey) chiavi.push('?');
      const pulsanti = Array.from(f.cliente.querySelectorAll('button[data-tasto]'))
        .filter((b) => chiavi.includes(b.dataset.tasto));
      if (!pulsanti.length) return false;
      if (pulsanti.length === 1) {
        pulsanti[0].focus();
        esegui(pulsanti[0]);
      } else {
        const i = pulsanti.indexOf(document.activeElement);
        pulsanti[(i + 1) % pulsanti.length].focus();
      }
      return true;
    }
    return false;
  }

  document.addEventListener('keydown', (e) => {
    if (gestisciTasto(e)) e.preventDefault();
  });

  // A key kept during a hold, given to the page as if typed now.
  function riproduciTasto(e) {
    if (gestisciTasto(e)) return;
    const el = document.activeElement;
    if (e.ctrlKey || e.metaKey || e.altKey) return;
    if (el && el.tagName === 'INPUT') {
      const a = el.selectionStart, b = el.selectionEnd;
      if (e.key.length === 1) el.setRangeText(e.key, a, b, 'end');
      else if (e.key === 'Backspace' && a === b && a > 0) el.setRangeText('', a - 1, a, 'end');
      else if (e.key === 'Backspace' || e.key === 'Delete') el.setRangeText('', a, b === a ? a + 1 : b, 'end');
      el.dispatchEvent(new Event('input', { bubbles: true }));
    } else if (el && (e.key === 'Enter' || e.key === ' ') && attivabile(el)) {
      esegui(el);
    }
  }

  // ---- Layout: 1:1 when the screen is wide enough, else one column --------------------
  const larghezzaMassima = Math.max(...Object.values(FINESTRE).map((f) => pixel(f.progetto.larghezza)));
  const stretto = window.matchMedia('(max-width: ' + (larghezzaMassima + 23) + 'px)');
  function aggiornaLayout() {
    document.documentElement.classList.toggle('stretta', stretto.matches);
    for (const f of Object.values(finestre)) posiziona(f);
  }
  stretto.addEventListener('change', aggiornaLayout);

  // ---- Start ---------------------------------------------------------------------------
  const tenute = [];
  function avvia() {
    aggiornaLayout();
    aggiornaScarica();
    document.getElementById('messaggio').addEventListener('close', () => {
      const poi = dopoMessaggio;
      dopoMessaggio = null;
      if (poi) poi();
    });
    document.getElementById('messaggio-ok').addEventListener('click', () => document.getElementById('messaggio').close());
    document.getElementById('ricomincia').addEventListener('click', ricomincia);
    mostra('Form1');
    // Every picture a command may show, fetched now, so that nothing is fetched later.
    const immagini = new Set();
    for (const fin of Object.values(FINESTRE)) {
      for (const p of [fin.progetto.icona, fin.progetto.immagine]) if (p) immagini.add(p);
      for (const c of fin.controlli) if (c.immagine) immagini.add(c.immagine);
    }
    for (const m of FINESTRE.Form2.metodi) immagini.add(disegno(m.immagine));
    for (const g of FINESTRE.Form2.guide) { immagini.add(disegno(g.guida)); immagini.add(disegno(g.neutra)); }
    immagini.add(disegno(FINESTRE.Form2.pulisci));
    // Kept alive, so that the pictures stay in the page's memory cache.
    tenute.push(...Array.from(immagini, (src) => { const i = new Image(); i.src = src; return i; }));
    const caricate = tenute.map((i) => i.decode().catch(() => {}));
    Promise.all([pronto, ...caricate]).then(() => {
      document.documentElement.dataset.pronto = 'si';
      performance.mark('ponderino-pronto');
    }, (e) => mostraMessaggio('Ponderino non può partire: ' + e.message));
    // Installing and working offline need http(s); from a file the page simply runs.
    if (/^https?:$/.test(location.protocol)) {
      const manifesto = document.createElement('link');
      manifesto.rel = 'manifest';
      manifesto.href = 'manifest.webmanifest';
      document.head.append(manifesto);
    }
    if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol)) {
      navigator.serviceWorker.register('sw.js').catch(() => { /* works online all the same */ });
    }
  }

  // For the tests and the benchmark: the windows as they stand.
  window.ponderino = { finestre, separatori, mostra };

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', avvia);
  else avvia();
})();
