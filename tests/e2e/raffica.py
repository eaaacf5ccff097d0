#!/usr/bin/env python3
"""Bursts of clicks and key presses from outside, while a guide is held and while a
message box is open.

The program runs as its own process in a private X server and is driven only with
xdotool; a burst is one xdotool process chaining dozens of clicks and key presses,
so the whole burst reaches the X server in a fraction of a second. All through the
test a watcher thread reads dati.txt every millisecond or two: at every moment it
must be absent, the zero line, or a results line of eight quoted texts of at most
four characters, and nothing else.

First run (it must survive everything up to the last burst):

  ordine       during a guide hold, "&Conferma..." then "&Pulisci...": nothing
               happens while the guide is shown; afterwards both run, in that
               order (the info screen appears, no missing-data box, zero line).
  guida-*      during a guide hold, a shuffled burst over every button of the
               calculation screen but "&Esci" (methods, "&Conferma...",
               "&Pulisci...", "&Stampa", "&Help metodi", the three "&?") and the
               access keys but E, Space, Return, Escape and typing: with empty
               measures, with valid ones, and with valid ones leaving out "&Stampa"
               (its box drops every click after it). Nothing may happen while the
               guide is shown; afterwards message boxes are closed with Return, the
               warning and info screens with their "&Esci", until the program is
               quiet again.
  messaggio-*  with the "Mancano i dati " box open, and then with the box of
               "&Stampa" without a printer, a burst over every button including
               "&Esci", and Alt with every access key including E and T: the box
               stays, nothing else happens, dati.txt keeps its results line; Return
               closes the box and still nothing else happens.
  esci-clic    during a guide hold, every button but "&Stampa" with valid
               measures, then "&Pulisci..." and "&Esci": the program ends.

Second run:
  esci-alt-e   during a guide hold, the method buttons, two "&?" and
               "&Pulisci...", then Alt+E: the program ends.

Each run must end with exit status 0 and dati.txt holding exactly the seventeen
bytes of the zero line, no temporary file left behind, and nothing on the
program's error output that tells of a crash or a sanitizer report.

Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
"""

import os
import random
import re
import subprocess
import sys
import threading
import time

from x_privato import (CAMPI, CONFERMA, CONTINUA, ESCI_FORM2, ESCI_FORM3, ESCI_FORM4,
                       FORM1, FORM2, FORM3, FORM4, GUIDE, HELP1, HELP_METODI, MESSAGGIO,
                       METODI, PULISCI, RIGA_ZERI, SOGGETTO, STAMPA, Fallito, SessioneX,
                       leggi_bmp, principale, riga_attesa, ritaglia)

# A burst that ends after this is sent again, at most this many times in all.
TENTATIVI = 4

# The guide's hold lasts one second from the moment the program takes the click; its
# timer may fire a little early. Whatever is seen before this much time after the
# click was sent was seen during the hold.
DENTRO_LA_GUIDA = 0.9

# A results line: eight quoted texts of at most four characters, CR LF.
RIGA_RISULTATI = re.compile(r'"[^"\r\n]{0,4}"(?:,"[^"\r\n]{0,4}"){7}\r\n')

# What on the error output means the program crashed or a sanitizer caught a fault.
SEGNI_DI_GUASTO = re.compile(
    r"Segmentation|Aborted|AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer"
    r"|runtime error:|core dumped|terminate called")


def contenuto_valido(dati):
    if dati is None or dati == RIGA_ZERI:
        return True
    try:
        testo = dati.decode("utf-8")
    except UnicodeDecodeError:
        return False
    return RIGA_RISULTATI.fullmatch(testo) is not None


class Sorvegliante(threading.Thread):
    """Reads dati.txt over and over; keeps every change and every content not allowed."""

    def __init__(self, percorso):
        super().__init__(daemon=True)
        self.percorso = percorso
        self.basta = threading.Event()
        self.letture = 0
        self.cambi = []        # (time, content), one per change
        self.non_validi = []   # (time, content)
        self.errori = []

    def leggi(self):
        try:
            with open(self.percorso, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None
        except OSError as e:       # the folder being replaced between two runs
            self.errori.append(str(e))
            return None

    def run(self):
        ultimo = object()
        while not self.basta.is_set():
            dati = self.leggi()
            adesso = time.monotonic()
            self.letture += 1
            if dati != ultimo:
                ultimo = dati
                self.cambi.append((adesso, dati))
                if not contenuto_valido(dati):
                    self.non_validi.append((adesso, dati))
            time.sleep(0.001)

    def cambi_dopo(self, t):
        return [(tc, d) for tc, d in self.cambi if tc >= t]


class Raffica(SessioneX):
    def __init__(self, args):
        super().__init__(args.programma, args.artefatti, prefisso="ponderino-raffica-")
        self.caso = random.Random(args.seme)
        self.seme = args.seme
        self.sep = args.sep
        self.bmp = {}
        self.sorvegliante = Sorvegliante(os.path.join(self.lavoro, "dati.txt"))
        self.righe_errore_viste = 0

    # ---- input

    def raffica(self, azioni):
        """Sends every action in one xdotool process: ("clic", window, point) or
        ("tasto", key). Returns the seconds it took."""
        comando = ["xdotool"]
        for a in azioni:
            if a[0] == "clic":
                comando += ["mousemove", "--window", str(a[1][0]), str(a[2][0]), str(a[2][1]),
                            "click", "--delay", "0", "1"]
            else:
                comando += ["key", "--delay", "0", a[1]]
        self.vivo()
        t = time.monotonic()
        self.x(*comando)
        return time.monotonic() - t

    def riempi(self, f2, misure=SOGGETTO):
        """Replaces the text of every measure field."""
        for campo, punto in CAMPI:
            self.clic(f2, punto)
            self.tasto("ctrl+a")
            if misure[campo]:
                self.scrivi(misure[campo])
            else:
                self.tasto("BackSpace")

    # ---- what the guide box shows

    def immagine(self, bmp):
        if bmp not in self.bmp:
            self.bmp[bmp] = leggi_bmp(os.path.join(self.lavoro, bmp))
        return self.bmp[bmp]

    def riquadro_guida(self, f2):
        """The pixels of the guide box, as shown now."""
        lw, lh, _ = self.immagine(GUIDE[0][2])
        return ritaglia(self.pixel_finestra(f2), HELP1, (lw, lh))

    def guida_mostrata(self, f2):
        """The name of the guide or neutral picture the guide box shows, or None."""
        riquadro = self.riquadro_guida(f2)
        for _, _, guida, neutra in GUIDE:
            for bmp in (guida, neutra):
                if self.immagine(bmp)[2] == riquadro:
                    return bmp
        return None

    def avvia_guida(self, f2, n=0):
        """Clicks a "&?" button and waits until its guide picture is shown. Returns the
        time just before the click was sent. On a slow machine the screenshots may miss
        the whole hold: then the button is clicked again."""
        _, punto, guida, neutra = GUIDE[n]
        for _ in range(3):
            t0 = time.monotonic()
            self.clic(f2, punto)
            while time.monotonic() < t0 + 10:
                self.vivo()
                mostrata = self.guida_mostrata(f2)
                if mostrata == guida:
                    return t0
                if mostrata == neutra and time.monotonic() > t0 + 1.5:
                    break
                time.sleep(0.02)
            self.passo("la guida %s non si è vista, di nuovo" % guida)
        raise Fallito("il riquadro guida non mostra %s dopo il clic sul suo \"&?\"" % guida)

    def trattenuto(self, t0, finestre_prima, dati_prima, dove, tentativo):
        """Checks that nothing of a burst sent during the hold that started at t0 has
        taken effect while the hold lasts. Returns False when the hold was over before
        the check could be made: the caller sends the burst again; after TENTATIVI
        bursts that all ended too late the test fails."""
        finestre = [f[1] for f in self.finestre()]
        dati = self.dati()
        if time.monotonic() >= t0 + DENTRO_LA_GUIDA:
            self.passo("%s: la raffica è finita troppo tardi per guardare dentro la guida "
                       "(tentativo %d di %d)" % (dove, tentativo + 1, TENTATIVI))
            if tentativo + 1 == TENTATIVI:
                raise Fallito("%s: %d raffiche finite dopo la guida, nessun controllo fatto"
                              % (dove, TENTATIVI))
            return False
        if finestre != finestre_prima:
            raise Fallito("%s: durante la guida sono cambiate le finestre: %s, prima %s"
                          % (dove, finestre, finestre_prima))
        if dati != dati_prima:
            raise Fallito("%s: durante la guida dati.txt è cambiato: %r" % (dove, dati))
        # What the program does late in the hold comes after this moment: the watcher's
        # changes are looked at once the hold is over, every one stamped inside it.
        time.sleep(max(0.0, t0 + DENTRO_LA_GUIDA - time.monotonic()) + 0.05)
        presto = [(tc - t0, d) for tc, d in self.sorvegliante.cambi_dopo(t0)
                  if tc < t0 + DENTRO_LA_GUIDA]
        if presto:
            raise Fallito("%s: dati.txt è cambiato %.2f s dopo il clic sulla guida: %r"
                          % ((dove,) + presto[0]))
        return True

    # ---- back to a quiet screen

    def quieta(self, dove, secondi=60.0):
        """Closes message boxes with Return and the warning and info screens with their
        "&Esci", until the calculation screen is in front, no guide is held and nothing
        changes for longer than a hold. Returns (boxes closed, screens closed)."""
        limite = time.monotonic() + secondi
        messaggi = schermate = 0
        precedente, da_quando = None, 0.0
        while True:
            self.vivo()
            if time.monotonic() > limite:
                self.foto_di_tutte(dove + "-non-quieto")
                raise Fallito("%s: dopo %.0f s il programma non è ancora quieto (finestre: %s)"
                              % (dove, secondi, [f[1] for f in self.finestre()]))
            elenco = self.finestre()
            nomi = [f[1] for f in elenco]
            davanti = elenco[0]
            if MESSAGGIO in nomi:
                mb = self.trova(MESSAGGIO)
                if messaggi == 0:
                    self.foto(mb, dove + "-messaggio")
                self.tasto("Return")
                messaggi += 1
            elif davanti[1] in (FORM3, FORM4):
                self.clic(davanti, ESCI_FORM3 if davanti[1] == FORM3 else ESCI_FORM4)
                schermate += 1
            if MESSAGGIO in nomi or davanti[1] in (FORM3, FORM4):
                # Queued holds may keep the program busy for seconds: one Return or
                # one click at a time, then wait for it to take effect.
                chiusa = mb[0] if MESSAGGIO in nomi else davanti[0]
                try:
                    self.attendi(lambda: self.finestre()[0][0] != chiusa, "",
                                 min(10.0, max(0.0, limite - time.monotonic())))
                except Fallito:
                    pass
                precedente = None
                continue
            if davanti[1] != FORM2:
                self.foto_di_tutte(dove + "-davanti")
                raise Fallito("%s: davanti c'è \"%s\", non una finestra che la raffica "
                              "potesse aprire" % (dove, davanti[1]))
            guida = self.guida_mostrata(davanti)
            stato = (tuple(nomi), self.dati(), guida)
            adesso = time.monotonic()
            if stato != precedente:
                precedente, da_quando = stato, adesso
            elif guida not in (g[2] for g in GUIDE) and adesso - da_quando >= 1.3:
                return messaggi, schermate
            time.sleep(0.2)

    # ---- the program's error output

    def controlla_registro(self, dove):
        with open(self.percorso_log, "rb") as f:
            righe = f.read().decode(errors="replace").splitlines()
        nuove, self.righe_errore_viste = righe[self.righe_errore_viste:], len(righe)
        for riga in nuove:
            print("           ponderino: %s" % riga, flush=True)
        guasti = [r for r in nuove if SEGNI_DI_GUASTO.search(r)]
        if guasti:
            raise Fallito("%s: sull'uscita d'errore del programma: %s (registro: %s)"
                          % (dove, guasti[0], self.percorso_log))

    def controlla_fine(self, dove, secondi=30.0):
        """The program must end by itself, with status 0, leaving the zero line."""
        try:
            self.programma.wait(secondi)
        except subprocess.TimeoutExpired:
            self.foto_di_tutte(dove + "-ancora-vivo")
            raise Fallito("%s: dopo %.0f s il programma è ancora in vita (finestre: %s)"
                          % (dove, secondi, [f[1] for f in self.finestre()]))
        self.log_programma.flush()
        self.controlla_registro(dove)
        if self.programma.returncode != 0:
            raise Fallito("%s: il programma esce con %d (registro: %s)"
                          % (dove, self.programma.returncode, self.percorso_log))
        if self.dati() != RIGA_ZERI:
            raise Fallito("%s: alla fine dati.txt contiene %r, non la riga degli zeri"
                          % (dove, self.dati()))
        avanzi = [n for n in os.listdir(self.lavoro) if "dati.txt." in n]
        if avanzi:
            raise Fallito("%s: file temporanei rimasti nella cartella: %s" % (dove, avanzi))

    def controlla_sorvegliante(self, dove):
        s = self.sorvegliante
        if s.non_validi:
            t, dati = s.non_validi[0]
            raise Fallito("%s: a %.3f s dati.txt conteneva %r" % (dove, t - self.inizio, dati))
        if not s.is_alive():
            raise Fallito("%s: il controllo di dati.txt si è fermato" % dove)

    def fase(self, nome, t):
        durata = time.monotonic() - t
        self.tempi.append((nome, durata))
        self.controlla_sorvegliante(nome)
        self.controlla_registro(nome)

    # ---- the bursts

    def pulsanti(self, f2, esci=False, stampa=True):
        azioni = [("clic", f2, punto) for _, punto, _ in METODI]
        azioni += [("clic", f2, punto) for _, punto, _, _ in GUIDE]
        azioni += [("clic", f2, p) for p in (CONFERMA, PULISCI, HELP_METODI)]
        if stampa:
            azioni.append(("clic", f2, STAMPA))
        if esci:
            azioni.append(("clic", f2, ESCI_FORM2))
        return azioni

    def apri_form2(self):
        f1 = self.attendi_finestra(FORM1, 30)
        self.clic(f1, CONTINUA)
        f2 = self.attendi_finestra(FORM2)
        self.attendi_in_cima(FORM2)
        return f2

    def ordine(self, f2):
        t = time.monotonic()
        dentro = False
        for tentativo in range(TENTATIVI):
            if dentro:
                break
            self.riempi(f2)
            finestre, dati = [f[1] for f in self.finestre()], self.dati()
            t0 = self.avvia_guida(f2)
            self.raffica([("clic", f2, CONFERMA), ("clic", f2, PULISCI)])
            dentro = self.trattenuto(t0, finestre, dati, "ordine", tentativo)
            if dentro:
                self.ok("dentro la guida: nessuna finestra nuova, dati.txt invariato")
            f4 = self.attendi_in_cima(FORM4)
            # The zero line of the later "&Pulisci..." shows that the earlier click has
            # been handled too: a message box of its own would be there by now.
            self.attendi_dati(RIGA_ZERI, "\"&Pulisci...\" trattenuto non scrive gli zeri")
            self.nessun_messaggio()
            visti = [d for _, d in self.sorvegliante.cambi_dopo(t0)]
            self.ok("dopo la guida: \"%s\" davanti, nessun messaggio, dati.txt = zeri%s"
                    % (FORM4, " (prima la riga dei risultati)" if riga_attesa(self.sep) in visti
                       else ""))
            self.clic(f4, ESCI_FORM4)
            self.attendi_in_cima(FORM2)
        self.fase("ordine", t)
        self.passo("ordine: \"&Conferma...\" poi \"&Pulisci...\" trattenuti e eseguiti "
                   "nell'ordine")

    def durante_la_guida(self, f2, nome, misure, stampa=True):
        t = time.monotonic()
        dentro = False
        for tentativo in range(TENTATIVI):
            if dentro:
                break
            self.riempi(f2, misure)
            azioni = self.pulsanti(f2, stampa=stampa) * 2
            tasti = ["alt+c", "alt+p", "alt+h", "alt+question", "space", "Return", "Escape",
                     "7", "x", "comma", "BackSpace"] + (["alt+s"] if stampa else [])
            azioni += [("tasto", k) for k in tasti]
            self.caso.shuffle(azioni)
            finestre, dati = [f[1] for f in self.finestre()], self.dati()
            t0 = self.avvia_guida(f2, self.caso.randrange(3))
            durata = self.raffica(azioni)
            dentro = self.trattenuto(t0, finestre, dati, nome, tentativo)
            messaggi, schermate = self.quieta(nome)
        self.foto(self.trova(FORM2), nome + "-dopo")
        self.fase(nome, t)
        self.passo("%s: %d azioni in %.2f s, nulla eseguito durante la guida; poi %d messaggi "
                   "chiusi con Invio, %d schermate chiuse con \"&Esci\"; dati.txt = %r"
                   % (nome, len(azioni), durata, messaggi, schermate, self.dati()))

    def con_messaggio_aperto(self, f2, nome, apri):
        t = time.monotonic()
        dati = self.dati()
        if not dati or dati == RIGA_ZERI:
            raise Fallito("%s: serve una riga di risultati in dati.txt, c'è %r" % (nome, dati))
        riquadro = self.riquadro_guida(f2)
        apri()
        mb = self.attendi_finestra(MESSAGGIO)
        self.attendi_in_cima(MESSAGGIO)
        finestre = [f[1] for f in self.finestre()]
        azioni = self.pulsanti(f2, esci=True) * 2 + [("clic", f2, ESCI_FORM2)] * 3
        azioni += [("tasto", k) for k in ("alt+c", "alt+p", "alt+s", "alt+h", "alt+question",
                                          "alt+e", "alt+t", "Tab", "x", "BackSpace")]
        self.caso.shuffle(azioni)
        durata = self.raffica(azioni)
        self.foto(mb, nome + "-messaggio")
        # The box going away on a Return sent after the burst shows that the program
        # has handled the whole burst: what it did is there to see now.
        self.tasto("Return")
        self.attendi(lambda: not self.trova(MESSAGGIO), "Invio non chiude il messaggio", 5)
        self.vivo()
        dopo = [f[1] for f in self.finestre()]
        if dopo != [n for n in finestre if n != MESSAGGIO]:
            self.foto_di_tutte(nome + "-dopo")
            raise Fallito("%s: chiuso il messaggio, le finestre sono %s" % (nome, dopo))
        if self.dati() != dati:
            raise Fallito("%s: chiuso il messaggio, dati.txt è cambiato: %r" % (nome, self.dati()))
        if self.riquadro_guida(f2) != riquadro:
            raise Fallito("%s: chiuso il messaggio, il riquadro guida è cambiato: un \"&?\" "
                          "della raffica è passato" % nome)
        self.fase(nome, t)
        self.passo("%s: %d azioni in %.2f s con il messaggio aperto: nessun effetto; "
                   "Invio lo chiude e nulla segue" % (nome, len(azioni), durata))

    def messaggi(self, f2):
        # A results line to protect, then a measure that the Lorentz index needs removed.
        self.riempi(f2)
        self.clic(f2, CONFERMA)
        f4 = self.attendi_in_cima(FORM4)
        self.attendi_dati(riga_attesa(self.sep), "\"&Conferma...\" non scrive i risultati")
        self.clic(f4, ESCI_FORM4)
        self.attendi_in_cima(FORM2)
        self.clic(f2, dict(CAMPI)["vita"])
        self.tasto("ctrl+a", "BackSpace")
        self.con_messaggio_aperto(f2, "messaggio-mancano-i-dati",
                                  lambda: self.clic(f2, METODI[0][1]))
        self.con_messaggio_aperto(f2, "messaggio-stampa", lambda: self.clic(f2, STAMPA))

    def esci_con_clic(self, f2):
        t = time.monotonic()
        self.riempi(f2)
        azioni = self.pulsanti(f2, stampa=False)
        azioni = [a for a in azioni if a[2] != PULISCI]
        azioni += [("tasto", k) for k in ("alt+c", "alt+h", "alt+question")]
        self.caso.shuffle(azioni)
        azioni += [("clic", f2, PULISCI), ("clic", f2, ESCI_FORM2)]
        self.avvia_guida(f2, self.caso.randrange(3))
        durata = self.raffica(azioni)
        self.controlla_fine("esci-clic")
        self.fase("esci-clic", t)
        self.passo("esci-clic: %d azioni in %.2f s, l'ultima \"&Esci\": il programma è "
                   "terminato (uscita 0), dati.txt = %r" % (len(azioni), durata, RIGA_ZERI))

    def esci_con_alt_e(self, f2):
        t = time.monotonic()
        self.riempi(f2)
        azioni = [("clic", f2, punto) for _, punto, _ in METODI]
        azioni += [("clic", f2, GUIDE[1][1]), ("clic", f2, GUIDE[2][1])]
        self.caso.shuffle(azioni)
        azioni += [("clic", f2, PULISCI), ("tasto", "alt+e")]
        self.avvia_guida(f2)
        durata = self.raffica(azioni)
        self.controlla_fine("esci-alt-e")
        self.fase("esci-alt-e", t)
        self.passo("esci-alt-e: %d azioni in %.2f s, l'ultima Alt+E: il programma è "
                   "terminato (uscita 0), dati.txt = %r" % (len(azioni), durata, RIGA_ZERI))

    def chiudi(self):
        self.sorvegliante.basta.set()
        super().chiudi()

    def percorri(self, _sep):
        self.sorvegliante.start()
        self.passo("seme del caso: %d" % self.seme)

        self.avvia_programma("ponderino-1.log")
        f2 = self.apri_form2()
        self.ordine(f2)
        vuote = {campo: "" for campo in SOGGETTO}
        self.durante_la_guida(f2, "guida-misure-vuote", vuote)
        self.durante_la_guida(f2, "guida-misure-valide", SOGGETTO)
        # Without "&Stampa", whose box would drop every click after it, more of the
        # burst reaches the buttons.
        self.durante_la_guida(f2, "guida-senza-stampa", SOGGETTO, stampa=False)
        self.messaggi(f2)
        self.esci_con_clic(f2)

        self.righe_errore_viste = 0
        self.avvia_programma("ponderino-2.log")
        f2 = self.apri_form2()
        self.esci_con_alt_e(f2)

        self.sorvegliante.basta.set()
        self.sorvegliante.join(5)
        s = self.sorvegliante
        contenuti = sorted({repr(d) for _, d in s.cambi})
        self.passo("dati.txt letto %d volte, %d cambi, contenuti visti: %s"
                   % (s.letture, len(s.cambi), ", ".join(contenuti)))
        if s.non_validi:
            self.controlla_sorvegliante("fine")


if __name__ == "__main__":
    sys.exit(principale(Raffica, [("--seme", "seed of the bursts' order", {"type": int, "default": 6})]))
