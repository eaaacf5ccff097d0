#!/usr/bin/env python3
"""What a screen reader hears of Ponderino, through the real accessibility bus.

Run inside dbus-run-session with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1: the program
starts in a private X server, "&Continua" opens the calculation screen, and both
windows' trees are read with pyatspi. Fails when a window shows fewer objects or
lacks a name it must have (an empty or wrong tree), when a focusable control has
no name, or when a name is an internal control name. Exit status: 0, 1, or 77 (skipped).
"""

import argparse
import re
import sys

from x_privato import CONTINUA, FORM1, FORM2, SALTA, Fallito, SessioneX, prepara_prova

try:
    import pyatspi
except ImportError:
    pyatspi = None

# Names the windows give their controls internally.
INTERNI = re.compile(r"^(Picture|Command|Label|Text|Image|Form|form)\d+(\(\d+\))?$|"
                     r"^(kgp|metodo|formula|help1|lorent|text2|nome|eta|peso|spalle|torace|vita|alt)$")

# By window: at least so many accessible objects, and these names among them.
ATTESI = {
    FORM1: (6, {"Ponderino, il calcolo del peso ideale", "Autore", "Continua"}),
    FORM2: (40, {"Risultato", "Metodo", "Formula del metodo", "Guida alle misure",
                 "Come misurare la larghezza delle spalle", "Conferma qui i dati prima di continuare"}),
}


def albero(nodo, percorso=""):
    """Every accessible under nodo: (path, role, name, focusable)."""
    for figlio in nodo:
        if figlio is None:
            continue
        qui = "%s/%s" % (percorso, figlio.getRoleName())
        yield qui, figlio.getRoleName(), figlio.name, \
            figlio.getState().contains(pyatspi.STATE_FOCUSABLE)
        yield from albero(figlio, qui)


def finestre_accessibili(sessione):
    """The program's windows as the registry shows them, by title."""
    trovate = {}

    def pronte():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "ponderino":
                trovate.update({f.name: f for f in app if f is not None})
        return FORM1 in trovate and FORM2 in trovate
    sessione.attendi(pronte, "le finestre sul bus dell'accessibilità", 20)
    return trovate


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--programma", required=True)
    parser.add_argument("--artefatti", required=True)
    args = parser.parse_args()
    if pyatspi is None:
        print("SKIPPED: manca pyatspi (pacchetto python3-pyatspi)", flush=True)
        return SALTA
    preparata = prepara_prova(args.artefatti)
    if isinstance(preparata, int):
        return preparata

    sessione = SessioneX(args.programma, args.artefatti)
    errori = []
    try:
        sessione.avvia_programma()
        sessione.clic(sessione.attendi_finestra(FORM1, 20), CONTINUA)
        sessione.attendi_finestra(FORM2)
        for titolo, finestra in sorted(finestre_accessibili(sessione).items()):
            if titolo not in ATTESI:
                continue
            controlli = list(albero(finestra, titolo))
            sessione.passo("%s: %d oggetti accessibili" % (titolo, len(controlli)))
            minimo, nomi = ATTESI[titolo]
            if len(controlli) < minimo:
                errori.append("%s: %d oggetti accessibili, non almeno %d" % (titolo, len(controlli), minimo))
            for nome in sorted(nomi - {c[2] for c in controlli}):
                errori.append("%s: nessun oggetto si chiama %r" % (titolo, nome))
            for percorso, ruolo, nome, focalizzabile in controlli:
                if focalizzabile and not nome.strip():
                    errori.append("%s (%s) riceve il fuoco ma non ha nome" % (percorso, ruolo))
                if INTERNI.match(nome.strip()):
                    errori.append("%s (%s) si chiama %r, il nome interno" % (percorso, ruolo, nome))
    except Fallito as e:
        errori.append(str(e))
    finally:
        sessione.chiudi()
    for e in errori:
        print("FALLITO: %s" % e, flush=True)
    print("superato" if not errori else "FALLITO")
    return 1 if errori else 0


if __name__ == "__main__":
    sys.exit(main())
