#!/usr/bin/env python3
"""Ponderino's start-up against a bare Qt window with one label (figures, not a test).

    bench/avvio.py [--avvii N] [--offscreen] BUILD

Starts the probes BUILD/bench/avvio_ponderino and BUILD/bench/avvio_finestra_nuda in
turn, N times each (9 by default) after one unmeasured start each, from BUILD/bin where
the pictures lie, and prints the medians and their ratio: the time from just before
the spawn to the first complete frame of the first window, the CPU time the process
had used by then (steadier than wall time on a busy machine), and the peak resident
memory by then. It runs itself again under tests/x_privato.sh, on a private X server
(xcb); with --offscreen, on Qt's offscreen platform with no X server at all.
Exit status 1 when a probe did not print its line.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

QUI = os.path.dirname(os.path.abspath(__file__))
SONDE = (("ponderino", "avvio_ponderino"), ("bare + label", "avvio_finestra_nuda"))


def avvia(build, sonda, ambiente):
    """One start of a probe: its figures in ms and MiB, or None when it failed."""
    t0 = time.monotonic_ns()
    p = subprocess.run([os.path.join(build, "bench", sonda)], cwd=os.path.join(build, "bin"),
                       env=ambiente, stdout=subprocess.PIPE, text=True, check=False)
    valori = dict(c.split("=", 1) for c in p.stdout.split() if "=" in c)
    if p.returncode != 0 or not {"main", "primo_frame", "cpu", "picco_kb"} <= valori.keys():
        print(f"{sonda}: exit {p.returncode}, output {p.stdout!r}", file=sys.stderr)
        return None
    return {"spawn to main, ms": (int(valori["main"]) - t0) / 1e6,
            "spawn to first frame, ms": (int(valori["primo_frame"]) - t0) / 1e6,
            "  CPU time by then, ms": int(valori["cpu"]) / 1e6,
            "peak memory, MiB": int(valori["picco_kb"]) / 1024}


def main():
    a = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    a.add_argument("build")
    a.add_argument("--avvii", type=int, default=9)
    a.add_argument("--offscreen", action="store_true")
    args = a.parse_args()
    if not args.offscreen and "PONDERINO_X_PRIVATO" not in os.environ:
        os.environ["PONDERINO_X_PRIVATO"] = "1"
        x_privato = os.path.join(QUI, "..", "tests", "x_privato.sh")
        os.execv(x_privato, [x_privato, sys.executable, os.path.abspath(__file__), *sys.argv[1:]])
    ambiente = dict(os.environ, QT_QPA_PLATFORM="offscreen" if args.offscreen else "xcb")

    build = os.path.abspath(args.build)
    for _, sonda in SONDE:
        avvia(build, sonda, ambiente)  # fills the page cache and the font cache
    misure = {nome: [] for nome, _ in SONDE}
    for i in range(args.avvii):
        # Which probe goes first turns, so that both see the same load from the machine.
        for nome, sonda in SONDE[i % 2:] + SONDE[:i % 2]:
            if (m := avvia(build, sonda, ambiente)) is not None:
                misure[nome].append(m)

    print(f"Start-up on the {ambiente['QT_QPA_PLATFORM']} platform, {args.avvii} starts each: "
          "median [min-max]")
    print(f"{'':26}" + "".join(f"{nome:>22}" for nome, _ in SONDE) + f"{'ratio':>8}")
    for voce in ("spawn to main, ms", "spawn to first frame, ms", "  CPU time by then, ms",
                 "peak memory, MiB"):
        riga, mediane = f"{voce:26}", []
        for nome, _ in SONDE:
            x = [m[voce] for m in misure[nome]] or [0]
            mediane.append(statistics.median(x))
            riga += f"{f'{mediane[-1]:.1f} [{min(x):.1f}-{max(x):.1f}]':>22}"
        print(riga + f"{mediane[0] / mediane[1] if mediane[1] else 0:8.2f}")
    return 0 if all(len(v) == args.avvii for v in misure.values()) else 1


if __name__ == "__main__":
    sys.exit(main())
