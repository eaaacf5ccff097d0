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

import datetime
import os
import re
import shutil
import subprocess
import sys
import time

from x_privato import (AUTORE, CAMPI, CONTINUA, ESCI_FORM2, ESCI_FORM3, ESCI_FORM5,
                       ESCI_FORM7, FORM1, FORM2, FORM3, FORM4, FORM5, FORM7, FORMULA,
                       GUIDA_SPALLE, HELP1, HELP_METODI, INFORMAZIONI, MESSAGGIO, METODI,
                       PULISCI, RIGA_ZERI, SALTA, SCHERMO, SOGGETTO, STAMPA, Fallito,
                       SessioneX, principale, riga_attesa)

TITOLO_STAMPA = "Programma per la determinazione del proprio peso corporeo"
ETICHETTE_STAMPA = [("nome", "nome"), ("eta'", "eta"), ("peso", "peso"),
                    ("larghezza spalle", "spalle"), ("circonfer torace", "torace"),
                    ("circonfer vita", "vita"), ("altezza", "alt")]


class Percorso(SessioneX):
    def __init__(self, args, prefisso="ponderino-e2e-"):
        super().__init__(args.programma, args.artefatti, prefisso=prefisso)
        self.args = args
        self.cups_dir = None

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

    def stampato(self):
        return subprocess.run(["bash", self.args.cups, "stampato", self.cups_dir], timeout=20).returncode == 0

    # ---- clean-up

    def chiudi(self):
        self.ferma_programma()
        if self.cups_dir:
            subprocess.run(["bash", self.args.cups, "stop", self.cups_dir],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        super().chiudi()

    # ---- the road

    def percorri(self, sep):
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
        if durata < 0.9:
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
        self.attendi(lambda: self.trova(MESSAGGIO) or self.stampato(),
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



if __name__ == "__main__":
    sys.exit(principale(Percorso, [("--cups", "the private CUPS server script (start/stop DIR)")]))
