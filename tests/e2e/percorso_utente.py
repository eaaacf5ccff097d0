#!/usr/bin/env python3
"""Ponderino used from outside, the way a person uses it.

Starts the built program as its own process in a private X server (Xvfb, no
window manager: the windows stand exactly where the program puts them), in a
fresh working folder holding the picture files, and drives it only with
xdotool: clicks at the controls' places, typing, Alt access keys, Return on a
message box. It walks one subject from the start screen to "&Esci":

  start screen, information screen and its "&Esci", author screen and its
  "Esci", "&Continua", the seven measures, the eight method buttons (each must
  put its formula picture in the board and raise no message box), Alt+C (the
  exact bytes of dati.txt, then the info screen and its "&Esci"), "&Stampa" on
  a private CUPS queue (the job read back with pdftotext), "&Pulisci dati per
  un nuovo utente" (the zero line, the grey board), Alt+C on the empty screen
  (the "Mancano i dati " box, closed with Return, dati.txt untouched),
  "&Help metodi" and its "&Esci", a guide button (guide picture, then the
  neutral one), and "&Esci" (the process ends, dati.txt holds the zero line).

Every window is kept as a PNG in the artefact folder. The decimal separator
expected in dati.txt follows LANG (it_* comma, en_* point).

Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
"""

import argparse
import ctypes
import datetime
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SALTA = 77

# Screen geometry, in pixels from the top-left corner of each window's client area.
SCHERMO = (1280, 1024)

FORM1 = "PONDERINO"
FORM2 = "Form calcolo"
FORM7 = "Informazioni"
FORM5 = "AUTORE"
FORM3 = "Avviso"
FORM4 = "Info"
MESSAGGIO = "ponderino"

DIMENSIONI = {
    FORM1: (750, 550),
    FORM2: (750, 552),
    FORM7: (350, 286),
    FORM5: (314, 161),
    FORM3: (312, 213),
    FORM4: (292, 144),
}

# Start screen.
INFORMAZIONI = (96, 504)
CONTINUA = (368, 504)
AUTORE = (562, 416)          # the "Autore" picture on the title picture
ESCI_FORM7 = (288, 272)
ESCI_FORM5 = (256, 132)      # the "Esci" label
ESCI_FORM3 = (160, 184)

# Calculation screen: the seven measure fields, in the order they are typed.
CAMPI = [
    ("nome", (428, 106)),
    ("eta", (400, 139)),
    ("peso", (400, 171)),
    ("spalle", (400, 203)),
    ("torace", (400, 235)),
    ("vita", (400, 267)),
    ("alt", (400, 299)),
]
SOGGETTO = {
    "nome": "Mario Rossi",
    "eta": "30",
    "peso": "70",
    "spalle": "45",
    "torace": "95",
    "vita": "80",
    "alt": "175",
}

# The method bar, left to right: caption, click point, formula picture it loads.
METODI = [
    ("Indice di Lorentz", (60, 32), "lore.bmp"),
    ("Formula Bertheam", (156, 32), "berth.bmp"),
    ("Indice di Gautrelet", (244, 32), "gautr.bmp"),
    ("Formula di Enrhart", (332, 32), "enrh.bmp"),
    ("Formula VanDerVael", (420, 32), "vander.bmp"),
    ("Formula Broca", (516, 32), "broca.bmp"),
    ("Formula Perrault", (604, 32), "perra.bmp"),
    ("B.M.I.", (692, 32), "bmi2.bmp"),
]
PULISCI = (624, 348)
STAMPA = (76, 524)
HELP_METODI = (380, 524)
ESCI_FORM2 = (676, 524)
GUIDA_SPALLE = (208, 144)    # the top "&?" button

FORMULA = (496, 160)         # top-left corner of the formula board
HELP1 = (360, 384)           # top-left corner of the guide box

TITOLO_STAMPA = "Programma per la determinazione del proprio peso corporeo"
RIGA_ZERI = b"0,0,0,0,0,0,0,0\r\n"
ETICHETTE_STAMPA = [("nome", "nome"), ("eta'", "eta"), ("peso", "peso"),
                    ("larghezza spalle", "spalle"), ("circonfer torace", "torace"),
                    ("circonfer vita", "vita"), ("altezza", "alt")]

SEPARATORI = {"it": ",", "en": "."}


class Fallito(Exception):
    pass


def riga_attesa(sep):
    valori = ["0,98", "75", "71,5", "69,2", "68,7", "75", "77,7", "22,8"]
    return (",".join('"%s"' % v.replace(",", sep) for v in valori) + "\r\n").encode()


# --------------------------------------------------------------------------------------
# Processes

_libc = ctypes.CDLL(None, use_errno=True)


def _muori_col_padre():
    # PR_SET_PDEATHSIG: a child started here ends when this script ends, however it ends.
    _libc.prctl(1, signal.SIGTERM)


class Percorso:
    def __init__(self, args):
        self.args = args
        self.inizio = time.monotonic()
        self.xvfb = None
        self.programma = None
        self.cups_dir = None
        self.cups_socket = None
        self.temp = tempfile.mkdtemp(prefix="ponderino-e2e-")
        self.lavoro = os.path.join(self.temp, "lavoro")
        self.artefatti = args.artefatti
        self.n_foto = 0
        self.display = None
        self.saltati = []

    # ---- output

    def passo(self, testo):
        print("[%5.1f s] %s" % (time.monotonic() - self.inizio, testo), flush=True)

    def ok(self, testo):
        print("           ok: %s" % testo, flush=True)

    # ---- environment of the X tools

    def env_x(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env["LC_ALL"] = "C"
        return env

    def x(self, *argomenti, controlla=True):
        r = subprocess.run(argomenti, env=self.env_x(), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=20)
        if controlla and r.returncode != 0:
            raise Fallito("%s: uscita %d: %s" % (" ".join(argomenti), r.returncode,
                                                 r.stderr.decode(errors="replace").strip()))
        return r.stdout

    # ---- Xvfb

    def avvia_xvfb(self):
        r, w = os.pipe()
        log = open(os.path.join(self.artefatti, "xvfb.log"), "wb")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % SCHERMO,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdin=subprocess.DEVNULL, stdout=log, stderr=log,
            preexec_fn=_muori_col_padre)
        os.close(w)
        letto = b""
        limite = time.monotonic() + 15
        while not letto.endswith(b"\n"):
            resta = limite - time.monotonic()
            if resta <= 0 or self.xvfb.poll() is not None:
                break
            pronti, _, _ = select.select([r], [], [], resta)
            if not pronti:
                break
            pezzo = os.read(r, 64)
            if not pezzo:
                break
            letto += pezzo
        os.close(r)
        if not letto.strip().isdigit():
            raise Fallito("Xvfb non parte (vedi %s/xvfb.log)" % self.artefatti)
        self.display = ":" + letto.strip().decode()
        self.passo("Xvfb sul display %s" % self.display)

    # ---- CUPS

    def avvia_cups(self):
        script = self.args.cups
        if not script or not os.path.exists(script):
            self.salta_stampa("manca lo script del server CUPS privato (%s)" % script)
            return
        if not shutil.which("pdftotext"):
            self.salta_stampa("manca pdftotext (pacchetto poppler-utils)")
            return
        self.cups_dir = os.path.join(self.temp, "cups")
        r = subprocess.run(["bash", script, "start", self.cups_dir, str(os.getpid())],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        if r.returncode == SALTA:
            self.cups_dir = None
            self.salta_stampa(r.stderr.decode(errors="replace").strip())
            return
        if r.returncode != 0:
            raise Fallito("il cupsd privato non parte: %s" % r.stderr.decode(errors="replace"))
        self.cups_socket = r.stdout.decode().strip().splitlines()[-1]
        self.passo("cupsd privato su %s" % self.cups_socket)

    def salta_stampa(self, motivo):
        self.saltati.append("stampa: " + motivo)
        print("SKIPPED: \"&Stampa\" non provato: %s" % motivo, flush=True)

    def env_cups(self):
        env = dict(os.environ)
        env["CUPS_SERVER"] = self.cups_socket
        env["LC_ALL"] = "C"
        return env

    def coda_vuota(self):
        r = subprocess.run(["lpstat", "-o"], env=self.env_cups(), stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, timeout=20)
        return r.returncode == 0 and not r.stdout.strip()

    # ---- the program

    def avvia_programma(self):
        os.makedirs(self.lavoro)
        origine = os.path.dirname(os.path.abspath(self.args.programma))
        copiati = 0
        for nome in sorted(os.listdir(origine)):
            if nome.lower().endswith(".bmp") or nome == "Help.htm":
                shutil.copy(os.path.join(origine, nome), self.lavoro)
                copiati += 1
        if copiati < 16:
            raise Fallito("accanto al programma ci sono %d file tra immagini e Help.htm, "
                          "non 16 (%s)" % (copiati, origine))
        runtime = os.path.join(self.temp, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ)
        for v in ("LC_ALL", "LC_NUMERIC", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR",
                  "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR"):
            env.pop(v, None)
        env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
                   CUPS_SERVER=self.cups_socket or os.path.join(self.temp, "nessun-cups.sock"))
        self.log_programma = open(os.path.join(self.artefatti, "ponderino.log"), "wb")
        self.programma = subprocess.Popen(
            [os.path.abspath(self.args.programma)], cwd=self.lavoro, env=env,
            stdin=subprocess.DEVNULL, stdout=self.log_programma, stderr=self.log_programma,
            preexec_fn=_muori_col_padre)
        self.passo("ponderino avviato (pid %d) in %s, LANG=%s"
                   % (self.programma.pid, self.lavoro, env.get("LANG", "")))

    def vivo(self):
        if self.programma.poll() is not None:
            raise Fallito("il programma è terminato (uscita %d); registro: %s"
                          % (self.programma.returncode,
                             os.path.join(self.artefatti, "ponderino.log")))

    # ---- windows

    def finestre(self):
        """The program's mapped top-level windows, front first: (id, name, x, y, w, h)."""
        visibili = set()
        r = self.x("xdotool", "search", "--onlyvisible", "--name", ".", controlla=False)
        for riga in r.decode().split():
            visibili.add(int(riga))
        elenco = []
        for riga in self.x("xwininfo", "-root", "-children").decode(errors="replace").splitlines():
            m = re.match(r'\s+(0x[0-9a-f]+) "(.*)": \(.*\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)', riga)
            if m and int(m.group(1), 16) in visibili:
                elenco.append((int(m.group(1), 16), m.group(2), int(m.group(5)),
                               int(m.group(6)), int(m.group(3)), int(m.group(4))))
        return elenco

    def trova(self, nome):
        for f in self.finestre():
            if f[1] == nome:
                return f
        return None

    def attendi(self, condizione, descrizione, secondi=10.0):
        limite = time.monotonic() + secondi
        while True:
            self.vivo()
            valore = condizione()
            if valore:
                return valore
            if time.monotonic() > limite:
                raise Fallito("dopo %.0f s: %s" % (secondi, descrizione))
            time.sleep(0.05)

    def attendi_finestra(self, nome, secondi=10.0):
        f = self.attendi(lambda: self.trova(nome), "nessuna finestra \"%s\"" % nome, secondi)
        attese = DIMENSIONI.get(nome)
        if attese and (f[4], f[5]) != attese:
            raise Fallito("\"%s\" misura %dx%d, non %dx%d" % (nome, f[4], f[5]) + attese)
        return f

    def attendi_in_cima(self, nome, secondi=10.0):
        def in_cima():
            elenco = self.finestre()
            return elenco[0] if elenco and elenco[0][1] == nome else None
        return self.attendi(in_cima, "\"%s\" non è davanti a tutte (davanti: %s)"
                            % (nome, [f[1] for f in self.finestre()][:3]), secondi)

    def nessun_messaggio(self):
        f = self.trova(MESSAGGIO)
        if f:
            self.foto(f, "messaggio-inatteso")
            raise Fallito("è comparsa una finestra di messaggio \"%s\" (vedi le foto)" % MESSAGGIO)

    def foto(self, finestra, nome):
        self.n_foto += 1
        percorso = os.path.join(self.artefatti, "%02d-%s.png" % (self.n_foto, nome))
        self.x("import", "-window", str(finestra[0]), percorso)
        return percorso

    def clic(self, finestra, punto):
        self.vivo()
        self.x("xdotool", "mousemove", "--window", str(finestra[0]), str(punto[0]),
               str(punto[1]), "click", "1")

    def tasto(self, *tasti):
        self.vivo()
        self.x("xdotool", "key", *tasti)

    def scrivi(self, testo):
        self.vivo()
        self.x("xdotool", "type", "--delay", "15", testo)

    # ---- pixels

    def pixel_finestra(self, finestra):
        return leggi_ppm(self.x("import", "-window", str(finestra[0]), "-depth", "8", "ppm:-"))

    def differenze(self, finestra, angolo, bmp):
        """Pixels of the window, from angolo on, that differ from the picture file."""
        lw, lh, sorgente = leggi_bmp(os.path.join(self.lavoro, bmp))
        fw, fh, schermo = self.pixel_finestra(finestra)
        x0, y0 = angolo
        diverse = 0
        for y in range(lh):
            if y0 + y >= fh:
                return lw * lh
            a = ((y0 + y) * fw + x0) * 3
            riga = schermo[a:a + lw * 3]
            b = y * lw * 3
            if riga != sorgente[b:b + lw * 3]:
                attesa = sorgente[b:b + lw * 3]
                diverse += sum(1 for i in range(0, len(attesa), 3)
                               if riga[i:i + 3] != attesa[i:i + 3])
        return diverse

    def attendi_immagine(self, finestra, angolo, bmp, dove, secondi=5.0):
        ultimo = [None]

        def uguale():
            ultimo[0] = self.differenze(finestra, angolo, bmp)
            return ultimo[0] == 0
        try:
            self.attendi(uguale, "%s non mostra %s" % (dove, bmp), secondi)
        except Fallito as e:
            raise Fallito("%s (%s pixel diversi)" % (e, ultimo[0]))

    # ---- files

    def dati(self):
        try:
            with open(os.path.join(self.lavoro, "dati.txt"), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def attendi_dati(self, attesi, descrizione, secondi=5.0):
        try:
            self.attendi(lambda: self.dati() == attesi, descrizione, secondi)
        except Fallito as e:
            raise Fallito("%s: dati.txt contiene %r, atteso %r" % (e, self.dati(), attesi))

    # ---- clean-up

    def chiudi(self):
        if self.programma and self.programma.poll() is None:
            self.programma.terminate()
            try:
                self.programma.wait(5)
            except subprocess.TimeoutExpired:
                self.programma.kill()
                self.programma.wait()
        if self.cups_dir:
            subprocess.run(["bash", self.args.cups, "stop", self.cups_dir],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self.xvfb and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        shutil.rmtree(self.temp, ignore_errors=True)

    # ---- the road

    def percorri(self, sep):
        self.avvia_xvfb()
        self.avvia_cups()
        self.avvia_programma()

        # Start screen, centred.
        f1 = self.attendi_finestra(FORM1, 20)
        centro = ((SCHERMO[0] - f1[4]) // 2, (SCHERMO[1] - f1[5]) // 2)
        if abs(f1[2] - centro[0]) > 1 or abs(f1[3] - centro[1]) > 1:
            raise Fallito("\"%s\" sta a %d,%d, non al centro %d,%d" % ((FORM1,) + f1[2:4] + centro))
        if len(self.finestre()) != 1:
            raise Fallito("all'avvio sono aperte %s" % [f[1] for f in self.finestre()])
        self.passo("schermata iniziale: %s" % self.foto(f1, "Form1"))
        self.ok("sola finestra aperta, %dx%d al centro" % f1[4:6])

        # Information screen and back.
        self.clic(f1, INFORMAZIONI)
        f7 = self.attendi_finestra(FORM7)
        self.attendi_in_cima(FORM7)
        self.passo("\"&Informazioni\": %s" % self.foto(f7, "form7"))
        self.clic(f7, ESCI_FORM7)
        self.attendi_in_cima(FORM1)
        if not self.trova(FORM7):
            raise Fallito("\"&Esci\" di \"%s\" ha chiuso la finestra" % FORM7)
        self.ok("\"&Esci\" riporta davanti \"%s\"; \"%s\" resta aperta dietro" % (FORM1, FORM7))

        # Author screen and back.
        self.clic(f1, AUTORE)
        f5 = self.attendi_finestra(FORM5)
        self.attendi_in_cima(FORM5)
        self.passo("immagine \"Autore\": %s" % self.foto(f5, "Form5"))
        self.clic(f5, ESCI_FORM5)
        self.attendi_in_cima(FORM1)
        if not self.trova(FORM5):
            raise Fallito("\"Esci\" di \"%s\" ha chiuso la finestra" % FORM5)
        self.ok("\"Esci\" riporta davanti \"%s\"" % FORM1)

        # Calculation screen, centred.
        self.clic(f1, CONTINUA)
        f2 = self.attendi_finestra(FORM2)
        self.attendi_in_cima(FORM2)
        centro = ((SCHERMO[0] - f2[4]) // 2, (SCHERMO[1] - f2[5]) // 2)
        if abs(f2[2] - centro[0]) > 1 or abs(f2[3] - centro[1]) > 1:
            raise Fallito("\"%s\" sta a %d,%d, non al centro %d,%d" % ((FORM2,) + f2[2:4] + centro))
        self.passo("\"&Continua\": %s" % self.foto(f2, "Form2-vuota"))

        # The seven measures.
        for campo, punto in CAMPI:
            self.clic(f2, punto)
            self.scrivi(SOGGETTO[campo])
        self.passo("misure scritte: %s" % self.foto(f2, "Form2-misure"))

        # Every method button: its formula picture in the board, no message box.
        for didascalia, punto, bmp in METODI:
            if self.differenze(f2, FORMULA, bmp) == 0:
                raise Fallito("la lavagnetta mostra %s già prima di \"%s\"" % (bmp, didascalia))
            self.clic(f2, punto)
            self.attendi_immagine(f2, FORMULA, bmp, "la lavagnetta della formula")
            self.nessun_messaggio()
            nome = re.sub(r"[^A-Za-z]+", "-", didascalia).strip("-")
            self.foto(f2, "metodo-" + nome)
            self.ok("\"%s\": formula %s, nessun messaggio" % (didascalia, bmp))
        self.passo("gli otto metodi provati (foto 'metodo-*' in %s)" % self.artefatti)

        # Confirmation through its access key.
        prima = self.dati()
        if prima is not None:
            raise Fallito("dati.txt esiste già prima della conferma: %r" % prima)
        self.tasto("alt+c")
        f4 = self.attendi_finestra(FORM4)
        self.attendi_in_cima(FORM4)
        attesa = riga_attesa(sep)
        self.attendi_dati(attesa, "Alt+C non scrive i risultati")
        self.nessun_messaggio()
        self.passo("Alt+C: %s" % self.foto(f4, "form4"))
        self.ok("dati.txt = %r" % attesa)
        self.tasto("alt+e")
        self.attendi_in_cima(FORM2)
        if not self.trova(FORM4):
            raise Fallito("\"&Esci\" di \"%s\" ha chiuso la finestra" % FORM4)
        self.ok("Alt+E su \"%s\" riporta davanti \"%s\"" % (FORM4, FORM2))

        # Printing.
        if self.cups_socket:
            self.stampa(f2, sep)

        # Clearing.
        self.clic(f2, PULISCI)
        self.attendi_dati(RIGA_ZERI, "\"&Pulisci dati per un nuovo utente\" non scrive gli zeri")
        self.attendi_immagine(f2, FORMULA, "gray.bmp", "la lavagnetta dopo la pulizia")
        self.nessun_messaggio()
        self.passo("\"&Pulisci dati per un nuovo utente\": %s" % self.foto(f2, "Form2-pulita"))
        self.ok("dati.txt = %r, lavagnetta grigia" % RIGA_ZERI)

        # Confirming the empty screen: the missing-data box, closed with Return.
        self.tasto("alt+c")
        mb = self.attendi_finestra(MESSAGGIO)
        self.attendi_in_cima(MESSAGGIO)
        self.passo("Alt+C senza misure: %s" % self.foto(mb, "messaggio-mancano-i-dati"))
        self.tasto("Return")
        self.attendi(lambda: not self.trova(MESSAGGIO), "Invio non chiude il messaggio", 5)
        if self.dati() != RIGA_ZERI:
            raise Fallito("la conferma fallita ha cambiato dati.txt: %r" % self.dati())
        if self.trova(FORM4) and self.finestre()[0][1] == FORM4:
            raise Fallito("la conferma fallita ha portato davanti \"%s\"" % FORM4)
        self.ok("messaggio chiuso con Invio, dati.txt invariato")

        # Methods help.
        self.clic(f2, HELP_METODI)
        f3 = self.attendi_finestra(FORM3)
        self.attendi_in_cima(FORM3)
        self.passo("\"&Help metodi\": %s" % self.foto(f3, "Form3"))
        self.clic(f3, ESCI_FORM3)
        self.attendi_in_cima(FORM2)
        if not self.trova(FORM3):
            raise Fallito("\"&Esci\" di \"%s\" ha chiuso la finestra" % FORM3)
        self.ok("\"&Esci\" riporta davanti \"%s\"" % FORM2)

        # A guide button: the guide picture is held, then the neutral one stays.
        t0 = time.monotonic()
        self.clic(f2, GUIDA_SPALLE)
        self.attendi_immagine(f2, HELP1, "biac.bmp", "il riquadro guida", 5)
        self.foto(f2, "guida-spalle")
        self.attendi_immagine(f2, HELP1, "grayne1.bmp", "il riquadro guida dopo l'attesa", 10)
        durata = time.monotonic() - t0
        self.nessun_messaggio()
        self.passo("guida \"&?\" delle spalle: biac.bmp, poi grayne1.bmp dopo %.1f s" % durata)
        if durata < 0.3:
            raise Fallito("la guida è rimasta solo %.2f s" % durata)
        self.foto(f2, "Form2-finale")

        # Leaving.
        self.clic(f2, ESCI_FORM2)
        try:
            self.programma.wait(10)
        except subprocess.TimeoutExpired:
            raise Fallito("dopo \"&Esci\" il programma è ancora in vita")
        if self.programma.returncode != 0:
            raise Fallito("dopo \"&Esci\" il programma esce con %d" % self.programma.returncode)
        if self.dati() != RIGA_ZERI:
            raise Fallito("dopo \"&Esci\" dati.txt contiene %r" % self.dati())
        self.passo("\"&Esci\": il programma è terminato (uscita 0)")
        self.ok("dati.txt = %r (%d byte)" % (RIGA_ZERI, len(RIGA_ZERI)))

    def stampa(self, f2, sep):
        uscita = os.path.join(self.cups_dir, "uscita", "job.pdf")
        oggi = datetime.date.today()
        self.clic(f2, STAMPA)

        ultima = [None]

        def stampato():
            if not os.path.exists(uscita) or not self.coda_vuota():
                return False
            dimensione = os.path.getsize(uscita)
            finito = dimensione > 0 and dimensione == ultima[0]
            ultima[0] = dimensione
            return finito
        self.attendi(lambda: self.trova(MESSAGGIO) or stampato(),
                     "la stampa non arriva alla coda di prova", 40)
        self.nessun_messaggio()
        shutil.copy(uscita, os.path.join(self.artefatti, "stampa.pdf"))
        testo = subprocess.run(["pdftotext", "-layout", uscita, "-"], stdout=subprocess.PIPE,
                               timeout=30).stdout.decode(errors="replace")
        with open(os.path.join(self.artefatti, "stampa.txt"), "w") as f:
            f.write(testo)
        date = {d.strftime("%d/%m/%Y") for d in (oggi, datetime.date.today())}
        attese = [
            ("il titolo", TITOLO_STAMPA in testo),
            ("la data", any(re.search(r"(?m)^\s*data\s+" + re.escape(d) + r"\s*$", testo)
                            for d in date)),
        ]
        for etichetta, campo in ETICHETTE_STAMPA:
            attese.append(("%s %s" % (etichetta, SOGGETTO[campo]),
                           re.search(r"(?m)^\s*" + re.escape(etichetta) + r"\s+"
                                     + re.escape(SOGGETTO[campo]) + r"\s*$", testo)))
        mancano = [nome for nome, trovato in attese if not trovato]
        # The eight result lines, in file order, each ending with the stored text.
        risultati = re.findall(r"(?m)^\s*In base +(?:al|del) .*?: *(\S+)\s*$", testo)
        valori = [v.strip('"') for v in riga_attesa(sep).decode().strip().split('","')]
        if risultati != valori:
            mancano.append("i risultati %s (letti: %s)" % (valori, risultati))
        if mancano:
            raise Fallito("nella stampa mancano %s (testo in %s)"
                          % (mancano, os.path.join(self.artefatti, "stampa.txt")))
        self.passo("\"&Stampa\": %s" % os.path.join(self.artefatti, "stampa.pdf"))
        self.ok("il lavoro contiene titolo, data, le sette misure e gli otto risultati di dati.txt")


def leggi_ppm(dati):
    # P6 with maxval 255, as ImageMagick writes it.
    campi = []
    i = 0
    while len(campi) < 4:
        while dati[i:i + 1].isspace():
            i += 1
        if dati[i:i + 1] == b"#":
            while dati[i:i + 1] not in (b"\n", b""):
                i += 1
            continue
        j = i
        while not dati[j:j + 1].isspace():
            j += 1
        campi.append(dati[i:j])
        i = j
    if campi[0] != b"P6" or campi[3] != b"255":
        raise Fallito("import non ha dato un PPM a 8 bit")
    w, h = int(campi[1]), int(campi[2])
    return w, h, dati[i + 1:i + 1 + w * h * 3]


def leggi_bmp(percorso):
    """An uncompressed 24- or 32-bit, or 8-bit palette, BMP as rows of RGB bytes, top first."""
    with open(percorso, "rb") as f:
        d = f.read()
    if d[:2] != b"BM":
        raise Fallito("%s non è un BMP" % percorso)
    inizio = int.from_bytes(d[10:14], "little")
    testata = int.from_bytes(d[14:18], "little")
    w = int.from_bytes(d[18:22], "little", signed=True)
    h = int.from_bytes(d[22:26], "little", signed=True)
    bit = int.from_bytes(d[28:30], "little")
    compressione = int.from_bytes(d[30:34], "little")
    if compressione not in (0, 3) or bit not in (8, 24, 32):
        raise Fallito("%s: formato BMP non previsto (%d bit, compressione %d)"
                      % (percorso, bit, compressione))
    tavolozza = []
    if bit == 8:
        colori = int.from_bytes(d[46:50], "little") or 256
        t = 14 + testata
        tavolozza = [bytes((d[t + 4 * k + 2], d[t + 4 * k + 1], d[t + 4 * k]))
                     for k in range(colori)]
    passo = ((w * bit + 31) // 32) * 4
    righe = []
    for y in range(abs(h)):
        r = inizio + (y * passo)
        riga = d[r:r + passo]
        if bit == 8:
            righe.append(b"".join(tavolozza[v] for v in riga[:w]))
        else:
            n = bit // 8
            out = bytearray(w * 3)
            out[0::3] = riga[2:w * n:n]
            out[1::3] = riga[1:w * n:n]
            out[2::3] = riga[0:w * n:n]
            righe.append(bytes(out))
    if h > 0:
        righe.reverse()
    return w, abs(h), b"".join(righe)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--programma", required=True, help="the built ponderino")
    parser.add_argument("--artefatti", required=True, help="folder for screenshots and logs")
    parser.add_argument("--cups", help="the private CUPS server script (start/stop DIR)")
    args = parser.parse_args()

    for strumento in ("Xvfb", "xdotool", "xwininfo", "import"):
        if not shutil.which(strumento):
            print("SKIPPED: manca %s (pacchetti xvfb, xdotool, x11-utils, imagemagick)"
                  % strumento, flush=True)
            return SALTA
    lingua = os.environ.get("LANG", "")
    sep = SEPARATORI.get(lingua[:2])
    if sep is None:
        print("LANG=%r: questa prova conosce solo it_* e en_*" % lingua, flush=True)
        return 2

    shutil.rmtree(args.artefatti, ignore_errors=True)
    os.makedirs(args.artefatti)
    percorso = Percorso(args)

    def interrotto(numero, _):
        raise SystemExit(128 + numero)
    signal.signal(signal.SIGTERM, interrotto)
    signal.signal(signal.SIGINT, interrotto)
    signal.signal(signal.SIGHUP, interrotto)

    esito = 1
    try:
        percorso.percorri(sep)
        esito = 0
    except Fallito as e:
        print("FALLITO: %s" % e, flush=True)
        try:
            for f in percorso.finestre():
                percorso.foto(f, "al-fallimento-" + re.sub(r"\W+", "-", f[1]))
        except Exception:
            pass
    finally:
        percorso.chiudi()
    durata = time.monotonic() - percorso.inizio
    print("artefatti: %s" % args.artefatti)
    for s in percorso.saltati:
        print("SKIPPED: %s" % s)
    print("%s in %.1f s (LANG=%s)" % ("superato" if esito == 0 else "FALLITO", durata, lingua))
    return esito


if __name__ == "__main__":
    sys.exit(main())
