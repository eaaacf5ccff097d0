#!/usr/bin/env python3
"""Mutation testing of the calculation core.

Plants small faults in core/*.cpp one at a time (a comparison, a logical or
arithmetic operator, a constant, true/false flipped; comments, strings and
preprocessor lines left alone), rebuilds the core tests and runs both test
programs, the one on the normal core and the one on the strtod fallback, as
CTest does. A mutant is caught when either fails; one that does not compile
is left out of the count. Prints the survivors and the caught/total score.

Run it on a copy of the sources, never on a working checkout: each file is
put back after its mutants, but an interrupted run leaves one fault behind.

    scripts/mutazioni.py SORGENTI BUILD [FILE...]     e.g. FILE = misure.cpp
    scripts/mutazioni.py SORGENTI BUILD --solo USCITA  only the survivors that an
                                                      earlier run printed to USCITA
BUILD is configured from SORGENTI with the core tests enabled.
"""
import pathlib, re, subprocess, sys

SOSTITUZIONI = [  # (pattern, replacement); the first group is replaced
    (r"(==)", "!="), (r"(!=)", "=="), (r"(<=)", "<"), (r"(>=)", ">"),
    (r" (<) ", "<="), (r" (>) ", ">="), (r"(&&)", "||"), (r"(\|\|)", "&&"),
    (r" (\+) ", "-"), (r" (-) ", "+"), (r" (\*) ", "/"),
    (r"\b(true)\b", "false"), (r"\b(false)\b", "true"),
    (r"(?<![\w'.])(0)(?![\w'.])", "1"), (r"(?<![\w'.])(1)(?![\w'.])", "0"),
]


def mutanti(righe):
    for n, riga in enumerate(righe):
        if riga.lstrip().startswith(("#", "//")): continue
        # Strings, characters and the comment hidden, keeping the columns.
        codice = re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', lambda m: "_" * len(m[0]), riga)
        codice = codice.split("//")[0]
        for modello, nuovo in SOSTITUZIONI:
            for m in re.finditer(modello, codice):
                if nuovo in ("+", "-") and '"' in riga: continue  # text joined, not numbers
                yield n, riga[:m.start(1)] + nuovo + riga[m.end(1):]


def esegui(comando, secondi):
    try:
        return subprocess.run(comando, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=secondi).returncode
    except subprocess.TimeoutExpired:
        return -1


def main():
    sorgenti, build = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    scelti = sys.argv[3:]
    solo = None
    if scelti[:1] == ["--solo"]:
        solo = {r.strip() for r in open(scelti[1]) if r.startswith("   ")}
        scelti = []
    file = [f for f in sorted((sorgenti / "core").glob("*.cpp"))
            if not f.name.endswith("_windows.cpp") and (not scelti or f.name in scelti)]
    programmi = [str(build / "tests/core" / p) for p in ("test_core", "test_core_notazione_c")]
    costruisci = ["cmake", "--build", str(build), "-j2", "--target", "test_core", "test_core_notazione_c"]
    presi = totale = 0
    sopravvissuti = []
    for f in file:
        originale = f.read_text()
        righe = originale.split("\n")
        try:
            for n, mutata in mutanti(righe):
                if solo is not None and f"{f.name}:{n + 1}: {mutata.strip()}" not in solo: continue
                f.write_text("\n".join(righe[:n] + [mutata] + righe[n + 1:]))
                if esegui(costruisci, 600) != 0: continue  # does not compile
                totale += 1
                if any(esegui([p, "--gtest_brief=1", "--gtest_fail_fast"], 120) != 0 for p in programmi):
                    presi += 1
                else:
                    sopravvissuti.append(f"{f.name}:{n + 1}: {mutata.strip()}")
                    print("sopravvive", sopravvissuti[-1], flush=True)
        finally:
            f.write_text(originale)
    esegui(costruisci, 600)
    print(f"presi {presi}/{totale} ({100 * presi / max(totale, 1):.0f} %)")
    for s in sopravvissuti: print("  ", s)


if __name__ == "__main__":
    main()
