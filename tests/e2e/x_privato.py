"""Shared pieces of the end-to-end tests.

The private X server of tests/x_privato.sh, under which the drivers run (DISPLAY;
no window manager: the windows stand exactly where the program puts them), the
drivers' main(), the built program started as its own process in a fresh
working folder holding the picture files, its windows found by exact title with
xwininfo, and input sent only from outside with xdotool. Also: the places of the
controls the tests click, a test subject with its expected results line, and
readers for the PPM screenshots and the BMP picture files they are compared with.

Python 3 standard library only.
"""

import argparse
import ctypes
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SALTA = 77

# Screen geometry, in pixels from the top-left corner of each window's client area.
SCHERMO = (1280, 1024)

# The window tables as both editions have them, written into the build tree by
# ponderino_finestre_js (PONDERINO_TABELLE names the file): titles, sizes and the
# places of the controls the tests click, each at its middle.
with open(os.environ.get("PONDERINO_TABELLE", "finestre.mjs"), encoding="utf-8") as f:
    TABELLE = json.loads(re.search(r"export const FINESTRE = (\{.*?\n\});", f.read(), re.S).group(1))


def _controllo(finestra, nome):
    return next(c for c in TABELLE[finestra]["controlli"] if c["nome"] == nome)


def centro(finestra, nome):
    c = _controllo(finestra, nome)
    return (c["x"] + c["w"] // 2, c["y"] + c["h"] // 2)


def angolo(finestra, nome):
    c = _controllo(finestra, nome)
    return (c["x"], c["y"])


FORM1, FORM2, FORM7, FORM5, FORM3, FORM4 = (
    TABELLE[n]["progetto"]["didascalia"] for n in ("Form1", "Form2", "form7", "Form5", "Form3", "form4"))
MESSAGGIO = "ponderino"
DIMENSIONI = {t["progetto"]["didascalia"]: (t["progetto"]["larghezza"], t["progetto"]["altezza"])
              for t in TABELLE.values()}

# Start screen and the small windows.
INFORMAZIONI = centro("Form1", "Command1")
CONTINUA = centro("Form1", "Command2")
TERMINA = centro("Form1", "Command3")
AUTORE = centro("Form1", "Image1")          # the "Autore" picture on the title picture
ESCI_FORM7 = centro("form7", "Command1")
ESCI_FORM5 = centro("Form5", "Label5")      # the "Esci" label
ESCI_FORM3 = centro("Form3", "Command1")
ESCI_FORM4 = centro("form4", "Command1")

# Calculation screen: the seven measure fields, in the order they are typed.
CAMPI = [(r["campo"], centro("Form2", r["campo"])) for r in TABELLE["Form2"]["campi"]]
# The sample subject and its eight results (Italian settings), from tests/esempio.txt.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "esempio.txt"), encoding="utf-8") as f:
    _ESEMPIO = dict(r.rstrip("\n").split("=", 1) for r in f if "=" in r and not r.startswith("#"))
RISULTATI = _ESEMPIO.pop("risultati").split()
SOGGETTO = _ESEMPIO

# The method bar, left to right: caption, click point, formula picture it loads.
METODI = [(_controllo("Form2", m["pulsante"])["accessibile"], centro("Form2", m["pulsante"]), m["immagine"])
          for m in TABELLE["Form2"]["metodi"]]
CONFERMA = centro("Form2", "Command4")
PULISCI = centro("Form2", "Command8")
STAMPA = centro("Form2", "Command10")
HELP_METODI = centro("Form2", "Command2")
ESCI_FORM2 = centro("Form2", "Command9")
# The three "&?" buttons, top to bottom: name, click point, guide picture, picture left after.
GUIDE = [(g, centro("Form2", g), *(p["valore"] for p in TABELLE["Form2"]["comandi"][g]["passi"]
                                   if p["azione"] == "Immagine")) for g in TABELLE["Form2"]["guide"]]
GUIDA_SPALLE = GUIDE[0][1]

FORMULA = angolo("Form2", "formula")        # top-left corner of the formula board
HELP1 = angolo("Form2", "help1")            # top-left corner of the guide box

RIGA_ZERI = b"0,0,0,0,0,0,0,0\r\n"
SEPARATORI = {"it": ",", "en": "."}


class Fallito(Exception):
    pass


def riga_attesa(sep):
    """The results line of SOGGETTO, with the decimal separator of the settings."""
    return (",".join('"%s"' % v.replace(",", sep) for v in RISULTATI) + "\r\n").encode()


def strumento_mancante(strumenti=("xdotool", "xwininfo", "import")):
    """The first X tool not on PATH, or None."""
    for strumento in strumenti:
        if not shutil.which(strumento):
            return strumento
    return None


def prepara_prova(artefatti):
    """What both drivers check before starting: the X tools are there, LANG is one
    they know, and the artefact folder is empty. Gives (separatore, lingua), or the
    exit status to end with: SALTA when a tool is missing, 2 for an unknown LANG."""
    if not os.environ.get("DISPLAY"):
        print("SKIPPED: nessuno schermo: la prova va avviata con tests/x_privato.sh", flush=True)
        return SALTA
    strumento = strumento_mancante()
    if strumento:
        print("SKIPPED: manca %s (pacchetti xdotool, x11-utils, imagemagick)"
              % strumento, flush=True)
        return SALTA
    lingua = os.environ.get("LANG", "")
    sep = SEPARATORI.get(lingua[:2])
    if sep is None:
        print("LANG=%r: questa prova conosce solo it_* e en_*" % lingua, flush=True)
        return 2
    shutil.rmtree(artefatti, ignore_errors=True)
    os.makedirs(artefatti)
    return sep, lingua


def interrompi_con_segnali():
    """SIGTERM, SIGINT and SIGHUP end the test through SystemExit, so clean-up runs."""
    def interrotto(numero, _):
        raise SystemExit(128 + numero)
    for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(s, interrotto)


def principale(classe, opzioni=()):
    """The drivers' main(): the options --programma and --artefatti and those of
    `opzioni` ((name, help, extra arguments) each), the checks before starting, then
    classe(args).percorri(separator) with the session closed however it ends, a failure
    told with a screenshot of every window, and a last line with the outcome. A step
    left out (the session's `saltati`) is not a step passed. Gives the exit status."""
    parser = argparse.ArgumentParser(description=sys.modules["__main__"].__doc__.split("\n")[0])
    parser.add_argument("--programma", required=True, help="the built program")
    parser.add_argument("--artefatti", required=True, help="folder for screenshots and logs")
    for nome, aiuto, *altro in opzioni:
        parser.add_argument(nome, help=aiuto, **(altro[0] if altro else {}))
    args = parser.parse_args()
    preparata = prepara_prova(args.artefatti)
    if isinstance(preparata, int):
        return preparata
    args.sep, lingua = preparata
    sessione = classe(args)
    interrompi_con_segnali()
    esito = 1
    try:
        sessione.percorri(args.sep)
        esito = 0
    except Fallito as e:
        print("FALLITO: %s" % e, flush=True)
        sessione.foto_di_tutte("al-fallimento")
    finally:
        sessione.chiudi()
    for s in sessione.saltati:
        print("SKIPPED: %s" % s)
    if esito == 0 and sessione.saltati:
        esito = SALTA
    for nome, secondi in sessione.tempi:
        print("  %-28s %5.1f s" % (nome, secondi))
    print("artefatti: %s" % args.artefatti)
    print("%s in %.1f s (LANG=%s)" % ({0: "superato", SALTA: "saltato in parte"}.get(esito, "FALLITO"),
                                      time.monotonic() - sessione.inizio, lingua), flush=True)
    return esito


# --------------------------------------------------------------------------------------
# Processes

_libc = ctypes.CDLL(None, use_errno=True)


def muori_col_padre():
    # PR_SET_PDEATHSIG: a child started here ends when this script ends, however it ends.
    _libc.prctl(1, signal.SIGTERM)


class SessioneX:
    """One private X server and the program running in it."""

    def __init__(self, programma, artefatti, prefisso="ponderino-e2e-"):
        self.programma_eseguibile = programma
        self.inizio = time.monotonic()
        self.programma = None
        self.cups_socket = None
        self.temp = tempfile.mkdtemp(prefix=prefisso)
        self.lavoro = os.path.join(self.temp, "lavoro")
        self.artefatti = artefatti
        self.log_programma = None
        self.n_foto = 0
        self.display = os.environ.get("DISPLAY")
        self.saltati = []   # steps left out, with why
        self.tempi = []     # (phase, seconds), told at the end

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

    # ---- the program

    def avvia_programma(self, log="ponderino.log", avvio=(), cartella=None):
        """Starts the program in a fresh working folder with the picture files and
        Help.htm, or in `cartella` as it stands (an installed copy). `avvio` starts it
        through another program (Wine for the Windows build). Without a private CUPS
        server, CUPS_SERVER names a socket that does not exist, so no real printer is
        ever reached."""
        if cartella:
            self.lavoro = cartella
        else:
            if os.path.exists(self.lavoro):
                shutil.rmtree(self.lavoro)
            os.makedirs(self.lavoro)
        origine = os.path.dirname(os.path.abspath(self.programma_eseguibile))
        copiati = 0
        for nome in sorted(os.listdir(origine)):
            if nome.lower().endswith(".bmp") or nome == "Help.htm":
                if not cartella:
                    shutil.copy(os.path.join(origine, nome), self.lavoro)
                copiati += 1
        if copiati < 16:
            raise Fallito("accanto al programma ci sono %d file tra immagini e Help.htm, "
                          "non 16 (%s)" % (copiati, origine))
        runtime = os.path.join(self.temp, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = dict(os.environ)
        for v in ("LC_ALL", "LC_NUMERIC", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR",
                  "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR"):
            env.pop(v, None)
        env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
                   CUPS_SERVER=self.cups_socket or os.path.join(self.temp, "nessun-cups.sock"))
        if avvio:
            del env["QT_QPA_PLATFORM"]  # the Windows build has its own platform
        self.percorso_log = os.path.join(self.artefatti, log)
        self.log_programma = open(self.percorso_log, "wb")
        self.programma = subprocess.Popen(
            list(avvio) + [os.path.abspath(self.programma_eseguibile)], cwd=self.lavoro, env=env,
            stdin=subprocess.DEVNULL, stdout=self.log_programma, stderr=self.log_programma,
            preexec_fn=muori_col_padre)
        self.passo("ponderino avviato (pid %d) in %s, LANG=%s"
                   % (self.programma.pid, self.lavoro, env.get("LANG", "")))

    def vivo(self):
        if self.programma.poll() is not None:
            raise Fallito("il programma è terminato (uscita %d); registro: %s"
                          % (self.programma.returncode, self.percorso_log))

    def ferma_programma(self):
        if self.programma and self.programma.poll() is None:
            self.programma.terminate()
            try:
                self.programma.wait(5)
            except subprocess.TimeoutExpired:
                self.programma.kill()
                self.programma.wait()

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
            raise Fallito("\"%s\" misura %dx%d, non %dx%d" % ((nome, f[4], f[5]) + attese))
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

    def foto_di_tutte(self, prefisso):
        """A picture of every window still on the screen; never fails."""
        try:
            for f in self.finestre():
                self.foto(f, prefisso + "-" + re.sub(r"\W+", "-", f[1]))
        except Exception:
            pass

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
        mostrata = ritaglia(self.pixel_finestra(finestra), angolo, (lw, lh))
        if mostrata is None:
            return lw * lh
        return sum(1 for i in range(0, len(sorgente), 3) if mostrata[i:i + 3] != sorgente[i:i + 3])

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
        self.ferma_programma()
        shutil.rmtree(self.temp, ignore_errors=True)


def ritaglia(immagine, angolo, misura):
    """The RGB bytes of the (w, h) rectangle at angolo of immagine = (width, height,
    bytes), rows top first; None if it does not lie wholly inside."""
    fw, fh, pixel = immagine
    (x0, y0), (w, h) = angolo, misura
    if x0 < 0 or y0 < 0 or x0 + w > fw or y0 + h > fh:
        return None
    return b"".join(pixel[((y0 + y) * fw + x0) * 3:((y0 + y) * fw + x0 + w) * 3] for y in range(h))


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
