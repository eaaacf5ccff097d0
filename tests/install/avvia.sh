#!/usr/bin/env bash
# The launcher of an installed copy: the per-user working folder, its links to
# the pictures and Help.htm, the user's own files left alone, the program started
# inside it.
#   avvia.sh BUILD_DIR
. "$(dirname "$0")/comune.sh"
richiede_schermo
pre=$PROVA/prefisso
cmake --install "$1" --prefix "$pre" >"$PROVA/log" || { cat "$PROVA/log" >&2; exit 1; }
casa=$PROVA/casa
mkdir -p "$casa" "$PROVA/altrove"

# First start: the folder is made under ~/.local/share; a relative XDG_DATA_HOME
# is not valid and is ignored.
cwd=$(avvia "$pre/bin/ponderino-avvia" HOME="$casa" XDG_DATA_HOME=relativa)
[ "$cwd" = "$casa/.local/share/ponderino" ] || sbaglia "cartella di lavoro: $cwd"
controlla_cartella "$casa/.local/share/ponderino" "$pre/share/ponderino"
[ "$(ls -A "$casa/.local/share/ponderino" | wc -l)" -eq 16 ] || sbaglia "file in più nella cartella nuova"

# A folder from earlier runs, the launcher reached through a link: the user's
# files stay byte for byte and date for date; a stale copy, a dangling link and
# a link to another installation are made anew.
dati=$PROVA/xdg/ponderino
mkdir -p "$dati"
printf '"1,2","3"\r\n' >"$dati/dati.txt"
echo appunti >"$dati/appunti.txt"
touch -d 2001-01-01 "$dati/dati.txt" "$dati/appunti.txt"
echo vecchia >"$dati/broca.bmp"
ln -s /non/esiste/lore.bmp "$dati/lore.bmp"
echo vecchio >"$PROVA/altrove/Help.htm"
ln -s "$PROVA/altrove/Help.htm" "$dati/Help.htm"
ln -s "$pre/bin/ponderino-avvia" "$PROVA/altrove/avvia"
prima=$(cd "$dati" && stat -c '%n %Y' dati.txt appunti.txt && md5sum dati.txt appunti.txt)
cwd=$(avvia "$PROVA/altrove/avvia" HOME="$casa" XDG_DATA_HOME="$PROVA/xdg")
[ "$cwd" = "$dati" ] || sbaglia "cartella di lavoro con XDG_DATA_HOME: $cwd"
controlla_cartella "$dati" "$pre/share/ponderino"
dopo=$(cd "$dati" && stat -c '%n %Y' dati.txt appunti.txt && md5sum dati.txt appunti.txt)
[ "$prima" = "$dopo" ] || sbaglia "file dell'utente cambiati"
[ "$(cat "$PROVA/altrove/Help.htm")" = vecchio ] || sbaglia "toccato il file di un'altra installazione"

# Where it cannot start the program the launcher says why, ends with a non-zero
# status and starts nothing: without its installed files or the program, without
# HOME, with a file where the working folder goes.
mkdir -p "$PROVA/file"
touch "$PROVA/file/ponderino"
while IFS='|' read -r sposta ambiente atteso; do
    [ -z "$sposta" ] || mv "$pre/$sposta" "$pre/$sposta.via"
    stato=0
    (cd / && env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" $ambiente timeout 20 "$pre/bin/ponderino-avvia") \
        >/dev/null 2>"$PROVA/rifiuto" || stato=$?
    [ -z "$sposta" ] || mv "$pre/$sposta.via" "$pre/$sposta"
    case $stato:$(cat "$PROVA/rifiuto") in
        1:"ponderino-avvia: $atteso") ;;
        *) sbaglia "$atteso: uscita $stato, $(cat "$PROVA/rifiuto")" ;;
    esac
done <<EOF
share/ponderino|HOME=$casa|cartella dei file di Ponderino non trovata: $pre/bin/../share/ponderino
bin/ponderino|HOME=$casa|programma non trovato: $pre/bin/ponderino
||né XDG_DATA_HOME né HOME sono impostate
|XDG_DATA_HOME=$PROVA/file|impossibile creare la cartella di lavoro $PROVA/file/ponderino
EOF
fine
