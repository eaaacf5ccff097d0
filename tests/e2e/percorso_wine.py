#!/usr/bin/env python3
"""Ponderino for Windows under Wine, used from outside: Wine's X11 driver in a
private Xvfb, driven with xdotool along a short road. Start, "&Continua", the
subject, "Formula Broca" (its picture), Alt+C (the exact bytes of dati.txt, then
Alt+E), "&Stampa" (with --cups through Wine's PostScript driver to a private
CUPS queue, the job read back; without, no printer: a message), a new weight
and Alt+C while another program holds dati.txt open without sharing, for 300 ms
(saved: the bytes a save nobody holds up writes) and until the message (the old
bytes kept), "&Esci" (the zero line, the process ends). With --cartella the program works in that folder as it stands (an
installed copy). The separator expected in dati.txt follows LANG, from which
Wine makes the Windows regional settings.

Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
"""

import os
import subprocess
import sys
import time

from percorso_utente import Percorso
from x_privato import (CAMPI, CONFERMA, CONTINUA, ESCI_FORM2, FORM1, FORM2, FORM4, FORMULA,
                       MESSAGGIO, METODI, RIGA_ZERI, SOGGETTO, STAMPA, Fallito,
                       principale, riga_attesa)


class PercorsoWine(Percorso):
    def __init__(self, args):
        super().__init__(args, prefisso="ponderino-wine-")
        # A Wine prefix of this run's own, unless it drives an installed copy in the
        # installation's prefix: a new user profile, and nothing of this run left
        # running in the build's prefix, whose server the other tests share.
        if not args.cartella:
            os.environ["WINEPREFIX"] = os.path.join(self.temp, "wine")

    def chiudi(self):
        self.ferma_programma()
        subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
        super().chiudi()

    # Wine gives the keyboard to a window once it is focused from outside.
    def tasto(self, *tasti):
        self.x("xdotool", "windowfocus", "--sync", str(self.finestre()[0][0]))
        super().tasto(*tasti)

    def scrivi(self, testo):
        self.x("xdotool", "windowfocus", "--sync", str(self.finestre()[0][0]))
        super().scrivi(testo)

    def messaggio_e_invio(self, nome):
        mb = self.attendi_finestra(MESSAGGIO, 20)
        self.passo("%s: %s" % (nome, self.foto(mb, nome)))
        self.tasto("Return")
        self.attendi(lambda: not self.trova(MESSAGGIO), "Invio non chiude il messaggio", 10)
        self.vivo()

    def percorri(self, sep):
        # Wine lists the private CUPS queue among the Windows printers of a new
        # prefix, as the default one.
        if self.args.cups:
            self.avvia_cups()
        self.avvia_programma(avvio=[self.args.wine], cartella=self.args.cartella)

        f1 = self.attendi_finestra(FORM1, 90)
        self.passo("schermata iniziale: %s" % self.foto(f1, "Form1"))
        self.clic(f1, CONTINUA)
        f2 = self.attendi_finestra(FORM2, 20)
        for campo, punto in CAMPI:
            self.clic(f2, punto)
            self.scrivi(SOGGETTO[campo])
        self.passo("misure scritte: %s" % self.foto(f2, "Form2-misure"))

        didascalia, punto, bmp = METODI[5]
        self.clic(f2, punto)
        self.attendi_immagine(f2, FORMULA, bmp, "la lavagnetta della formula", 10)
        self.nessun_messaggio()
        self.passo("\"%s\": %s" % (didascalia, self.foto(f2, "metodo-Broca")))

        if self.dati() not in (None, RIGA_ZERI):
            raise Fallito("dati.txt prima della conferma: %r" % self.dati())
        self.tasto("alt+c")
        f4 = self.attendi_finestra(FORM4, 20)
        attesa = riga_attesa(sep)
        self.attendi_dati(attesa, "Alt+C non scrive i risultati")
        self.passo("Alt+C: %s" % self.foto(f4, "form4"))
        self.ok("dati.txt = %r" % attesa)
        self.tasto("alt+e")
        self.attendi_in_cima(FORM2)

        if self.cups_socket:
            self.stampa(f2, sep)
            self.vivo()
        else:
            self.clic(f2, STAMPA)
            self.messaggio_e_invio("stampa-senza-stampante")
            self.ok("\"&Stampa\" senza stampante: un messaggio, il programma resta aperto")

        # dati.txt held open without sharing by another program (a scanner, a
        # spreadsheet), each time after a new weight: let go after 300 ms, the save
        # waits for it and writes what a save nobody holds up writes; held on, a
        # message, and the bytes of before stay.
        for breve, peso in ((True, "80"), (False, "90")):
            prima = self.dati()
            self.clic(f2, dict(CAMPI)["peso"])
            self.tasto("ctrl+a")
            self.scrivi(peso)
            tiene = subprocess.Popen([self.args.wine, self.args.tieni_aperto, "dati.txt"],
                                     cwd=self.lavoro, env=self.env_x(), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE)
            try:
                if tiene.stdout.readline().strip() != b"aperto":
                    raise Fallito("il programma che tiene aperto dati.txt non parte")
                self.clic(f2, CONFERMA)
                if breve:
                    time.sleep(0.3)
                    tiene.stdin.close()
                    self.attendi_in_cima(FORM4, 20)
                    self.nessun_messaggio()
                    salvati = self.dati()
                    self.tasto("alt+e")
                    self.attendi_in_cima(FORM2)
                    self.clic(f2, CONFERMA)
                    self.attendi_in_cima(FORM4, 20)
                    if salvati == prima or self.dati() != salvati:
                        raise Fallito("peso %s, dati.txt in uso per 300 ms: %r, prima %r, senza "
                                      "attesa %r" % (peso, salvati, prima, self.dati()))
                    self.ok("peso %s, dati.txt in uso per 300 ms: salvato dopo l'attesa" % peso)
                    self.tasto("alt+e")
                    self.attendi_in_cima(FORM2)
                else:
                    self.messaggio_e_invio("dati-in-uso")
            finally:
                if not tiene.stdin.closed:
                    tiene.stdin.close()
                tiene.wait(20)
            if not breve and self.dati() != prima:
                raise Fallito("peso %s, dati.txt in uso: il file è cambiato: %r" % (peso, self.dati()))
        self.ok("peso %s, dati.txt in uso: un messaggio, il contenuto di prima resta" % peso)

        self.clic(f2, ESCI_FORM2)
        try:
            self.programma.wait(20)
        except subprocess.TimeoutExpired:
            raise Fallito("dopo \"&Esci\" il programma è ancora in vita")
        if self.dati() != RIGA_ZERI:
            raise Fallito("dopo \"&Esci\" dati.txt contiene %r" % self.dati())
        if self.programma.returncode != 0:
            raise Fallito("dopo \"&Esci\" il programma esce con %d" % self.programma.returncode)
        self.passo("\"&Esci\": il programma è terminato (uscita 0)")
        self.ok("dati.txt = %r (%d byte)" % (RIGA_ZERI, len(RIGA_ZERI)))


if __name__ == "__main__":
    sys.exit(principale(PercorsoWine, [
        ("--wine", "the build's Wine starter (wine.sh)", {"required": True}),
        ("--tieni-aperto", "tieni_aperto.exe", {"required": True}),
        ("--cartella", "work in this folder as it stands"),
        ("--cups", "the private CUPS server script (start/stop DIR)")]))
