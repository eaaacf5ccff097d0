# Shared by the installation tests: sourced, not run.
set -eEuo pipefail
# No failure is silent: a command that stops a test says which, and where (in the
# test's own shell: what fails in a command substitution is told by its command).
trap 'u=$?; [ "$BASH_SUBSHELL" != 0 ] || echo "ERRORE: ${BASH_SOURCE[0]##*/} riga $LINENO: $BASH_COMMAND (uscita $u)" >&2' ERR

ID=io.github.ponderino.Ponderino
FILE_PROGRAMMA="lore.bmp berth.bmp gautr.bmp enrh.bmp vander.bmp broca.bmp perra.bmp bmi2.bmp
gray.bmp biac.bmp tora.bmp vita.bmp grayne1.bmp grayne2.bmp grayne3.bmp Help.htm"
PROVA=$(mktemp -d)
trap 'rm -rf "$PROVA"' EXIT
errori=0

sbaglia() { printf 'ERRORE: %s\n' "$*" >&2; errori=$((errori + 1)); }
fine() { [ "$errori" -eq 0 ] || exit 1; echo "tutto a posto"; }

# controlla_albero PREFIX: exactly the files an installation holds, nothing else.
controlla_albero() {
    local attesi trovati
    attesi=$({ printf '%s\n' bin/ponderino bin/ponderino-avvia "share/applications/$ID.desktop" \
                 "share/icons/hicolor/scalable/apps/$ID.svg" "share/metainfo/$ID.metainfo.xml" \
                 share/man/man1/ponderino.1.gz share/man/man1/ponderino-avvia.1.gz \
                 share/doc/ponderino/copyright share/doc/ponderino/changelog.gz
               printf 'share/ponderino/%s\n' $FILE_PROGRAMMA; } | LC_ALL=C sort)
    trovati=$(cd "$1" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
    [ "$trovati" = "$attesi" ] || sbaglia "file sotto $1:" "$(diff <(echo "$attesi") <(echo "$trovati"))"
    [ -x "$1/bin/ponderino" ] && [ -x "$1/bin/ponderino-avvia" ] || sbaglia "programmi non eseguibili"
}

# richiede_schermo: the tests that start the program run under tests/x_privato.sh,
# which gives them a private X server in DISPLAY; without it or xdotool, skipped (77).
richiede_schermo() {
    [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null ||
        { echo "SKIPPED: serve tests/x_privato.sh e xdotool (pacchetti xvfb, xdotool)"; exit 77; }
}

# finestra_ponderino [PID] [SECONDI]: waits until the window "PONDERINO" (of process
# PID, when given) is mapped on DISPLAY, for at most SECONDI (20); fails if it never
# is, or if PID ends first: a start that crashes or cannot load its libraries never
# gets there.
finestra_ponderino() {
    local pid=${1:-} di=()
    [ -z "$pid" ] || di=(--pid "$pid")
    for _ in $(seq $((${2:-20} * 10))); do
        [ -z "$pid" ] || readlink "/proc/$pid/exe" >/dev/null || return 1
        xdotool search --all --onlyvisible "${di[@]}" --name '^PONDERINO$' >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# avvia LANCIATORE VAR=VALORE...: runs the launcher from / in a clean environment,
# waits for the program's window, prints the program's working directory and ends
# the program.
avvia() {
    local lanciatore=$1 pid cwd=""
    shift
    (cd / && exec env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb "$@" "$lanciatore" \
        2>"$PROVA/avvia.err" >/dev/null) &
    pid=$!
    if finestra_ponderino "$pid"; then cwd=$(readlink "/proc/$pid/cwd"); fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "${cwd:-non partito: $(cat "$PROVA/avvia.err")}"
}

# controlla_cartella CARTELLA CONDIVISI: a link in CARTELLA to each file of CONDIVISI.
controlla_cartella() {
    for f in $FILE_PROGRAMMA; do
        [ -L "$1/$f" ] && [ "$(readlink -f "$1/$f")" = "$(readlink -f "$2/$f")" ] ||
            sbaglia "$1/$f non è un collegamento a $2/$f"
    done
}
