// The commands: each control's steps, from the table (FINESTRE[...].comandi) when they
// do not depend on what is typed, else from the core, applied to the page one command
// at a time. Only the commands that calculate wait for the core.
import { FINESTRE, DISEGNI } from 'ponderino-tabelle';
import * as archivio from './archivio.mjs';
import { finestre, mostra, stampa, termina, impostaImmagine, finestraDavanti } from './finestre.mjs';
import { trattieni, inizioComando, fineComando } from './trattenuta.mjs';
import { mostraMessaggio } from './messaggio.mjs';
import { stampaRiepilogo, componiRiepilogo, preparaStampaDelBrowser } from './stampa.mjs';

let core = null;
let pronto = Promise.reject(new Error('il nucleo non è stato caricato'));
pronto.catch(() => {});
let separatori = { decimale: ',', raggruppamento: '.' };

export function preparaComandi(caricaNucleo, regionali) {
  separatori = regionali;
  pronto = Promise.resolve().then(caricaNucleo).then((m) => {
    core = m;
    // One command's steps at once, so that the first click finds the binding warm.
    core.procedura('Form2', 'Command13', {}, separatori.decimale, separatori.raggruppamento, 1, 1, 2000);
    return m;
  });
  pronto.catch(() => {});
  // Ctrl+P: the summary of the calculation screen as «Stampa» would print it, if any.
  preparaStampaDelBrowser(() => {
    const f = finestre.Form2;
    if (!core || !f) return false;
    componiRiepilogo(core, ingresso(f), archivio.leggi());
    return true;
  });
  return pronto;
}

// What a command reads when it runs: the measures as typed, the regional settings, today.
function ingresso(f) {
  const campi = (FINESTRE[f.nome].campi || []).map((r) => r.campo);
  const adesso = new Date();
  return {
    dati: Object.fromEntries(campi.map((n) => [n, f.elementi[n].value])),
    decimale: separatori.decimale,
    raggruppamento: separatori.raggruppamento,
    oggi: { giorno: adesso.getDate(), mese: adesso.getMonth() + 1, anno: adesso.getFullYear() },
  };
}

// Applies the steps in order. A step that fails is told in the message box and the rest
// is left out, all but the end of the program.
async function applica(f, passi, ing) {
  for (let i = 0; i < passi.length; ++i) {
    const p = passi[i];
    try {
      switch (p.azione) {
        case 'Testo': f.elementi[p.controllo].value = p.valore; break;
        case 'Immagine':
          // As on the desktop, a picture that is not there fails the step.
          if (!DISEGNI[p.valore]) throw new Error(`Impossibile caricare l'immagine ${p.valore}: il file non esiste.`);
          impostaImmagine(f.elementi[p.controllo], DISEGNI[p.valore]);
          break;
        case 'Stampa': stampa(f, p.valore); break;
        case 'Persistenza': break;                 // the page's surface always keeps its lines
        case 'Messaggio': await mostraMessaggio(p.valore); break;
        case 'Salva': archivio.scrivi(p.valore); break;
        case 'Riepilogo': stampaRiepilogo(core, ing, archivio.leggi()); break;
        case 'Mostra': mostra(p.valore); break;
        case 'Attendi': await trattieni(Number(p.valore)); break;
        case 'Fine': termina(); return;
        default: throw new Error('Passo sconosciuto: ' + p.azione);
      }
    } catch (e) {
      await mostraMessaggio(e.message);
      if (passi.slice(i).some((x) => x.azione === 'Fine')) termina();
      return;
    }
  }
}

// ---- One command at a time ----------------------------------------------------------
let catena = Promise.resolve();

// The click on a control: its window comes to the front, then its command runs.
export function esegui(el) {
  const sezione = el.closest('.finestra');
  const f = sezione && finestre[sezione.dataset.finestra];
  if (!f) return;
  if (finestraDavanti() !== f) mostra(f.nome);
  const nome = el.dataset.nome;
  const comando = (FINESTRE[f.nome].comandi || {})[nome];
  if (!comando) { if (el.matches('input')) el.focus(); return; }
  inizioComando();
  catena = catena.then(async () => {
    if (!finestre[f.nome]) return;             // the program ended meanwhile
    let passi = comando.passi;
    if (!passi) {
      try {
        await pronto;
      } catch (e) {
        await mostraMessaggio('Ponderino non può calcolare: ' + e.message);
        return;
      }
      const ing = ingresso(f);
      passi = core.procedura(f.nome, nome, ing.dati, ing.decimale, ing.raggruppamento,
        ing.oggi.giorno, ing.oggi.mese, ing.oggi.anno);
      await applica(f, passi, ing);
    } else {
      await applica(f, passi, ingresso(f));
    }
  }).catch((e) => mostraMessaggio(String(e && e.message || e))).finally(fineComando);
}
