# Shared by the installation tests: sourced, not run.
set -euo pipefail

ID=io.github.ponderino.Ponderino
FILE_PROGRAMMA="lore.bmp berth.bmp gautr.bmp enrh.bmp vander.bmp broca.bmp perra.bmp bmi2.bmp
gray.bmp biac.bmp tora.bmp vita.bmp grayne1.bmp grayne2.bmp grayne3.bmp Help.htm"

errori=0
sbaglia() {
    printf 'ERRORE: %s\n' "$*" >&2
    errori=$((errori + 1))
}
fine() {
    if [ "$errori" -ne 0 ]; then
        printf '%d errori\n' "$errori" >&2
        exit 1
    fi
    echo "tutto a posto"
}

PROVA=$(mktemp -d)
trap 'rm -rf "$PROVA"' EXIT

# The files an installation holds under its prefix, sorted.
attesi() {
    {
        echo bin/ponderino
        echo bin/ponderino-avvia
        for f in $FILE_PROGRAMMA; do echo "share/ponderino/$f"; done
        echo "share/applications/$ID.desktop"
        echo "share/icons/hicolor/scalable/apps/$ID.svg"
        echo "share/metainfo/$ID.metainfo.xml"
    } | LC_ALL=C sort
}

# controlla_albero PREFIX: exactly the expected files, nothing else.
controlla_albero() {
    local trovati
    trovati=$(cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
    if [ "$trovati" != "$(attesi)" ]; then
        sbaglia "file installati sotto $1 diversi da quelli attesi:"
        diff <(attesi) <(echo "$trovati") >&2 || true
    fi
    [ -x "$1/bin/ponderino" ] || sbaglia "$1/bin/ponderino non eseguibile"
    [ -x "$1/bin/ponderino-avvia" ] || sbaglia "$1/bin/ponderino-avvia non eseguibile"
}

# avvia LANCIATORE VAR=VALORE...: runs the launcher with a clean environment made
# of the given variables, waits until it has become the program, and prints the
# program's working directory; then ends the program.
avvia() {
    local lanciatore=$1 pid i exe=""
    shift
    (cd / && exec env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$@" \
        "$lanciatore" 2>"$PROVA/avvia.err" >/dev/null) &
    pid=$!
    for i in $(seq 100); do
        exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || exe=""
        case $exe in */ponderino) break ;; esac
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    case $exe in
        */ponderino) readlink "/proc/$pid/cwd" ;;
        *) sbaglia "il programma non è partito: $(cat "$PROVA/avvia.err")" ;;
    esac
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# controlla_cartella CARTELLA CONDIVISI: a link in CARTELLA to each file of CONDIVISI.
controlla_cartella() {
    local f
    for f in $FILE_PROGRAMMA; do
        if [ ! -L "$1/$f" ] || [ "$(readlink -f "$1/$f")" != "$(readlink -f "$2/$f")" ]; then
            sbaglia "$1/$f non è un collegamento a $2/$f"
        fi
    done
}
