#!/usr/bin/env bash
# Runs a command with a private X server of its own: Xvfb, no window manager (windows
# stand exactly where they are put), no TCP. DISPLAY names it, Wayland is left out, and
# the server goes when the command ends, whatever ended it.
#   tests/x_privato.sh [--schermo LxAxP] COMANDO [ARGOMENTI...]
# Exit status: the command's; 77 (skipped, for CTest) when Xvfb is not installed.
set -u
schermo=1600x1200x24
if [ "${1:-}" = --schermo ]; then schermo=$2; shift 2; fi
command -v Xvfb >/dev/null || { echo "SKIPPED: manca Xvfb (pacchetto xvfb)"; exit 77; }
numero=$(mktemp)
Xvfb -displayfd 9 -screen 0 "$schermo" -nolisten tcp -noreset 9>"$numero" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -f "$numero"' EXIT
for _ in $(seq 100); do
    grep -q . "$numero" && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
grep -q . "$numero" || { echo "ERRORE: Xvfb non parte" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$numero")"
unset WAYLAND_DISPLAY
# The command in the background, so that a signal to this script ends it too.
"$@" <&0 &
comando=$!
trap 'kill "$comando" 2>/dev/null; exit 143' TERM INT HUP
wait "$comando"
