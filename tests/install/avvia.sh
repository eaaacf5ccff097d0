#!/usr/bin/env bash
# The launcher of an installed copy: the per-user working folder, its links to
# the pictures and Help.htm, the user's own files left alone, and the program
# started inside it.
#   avvia.sh BUILD_DIR
. "$(dirname "$0")/comune.sh"
pre=$PROVA/prefisso
condivisi=$pre/share/ponderino
cmake --install "$1" --prefix "$pre" >"$PROVA/install.log" || {
    cat "$PROVA/install.log" >&2; exit 1; }

# First start: the folder is made under ~/.local/share, started from /.
casa=$PROVA/casa
mkdir -p "$casa"
cwd=$(avvia "$pre/bin/ponderino-avvia" HOME="$casa")
[ "$cwd" = "$casa/.local/share/ponderino" ] || sbaglia "cartella di lavoro: '$cwd'"
controlla_cartella "$casa/.local/share/ponderino" "$condivisi"
n=$(ls -A "$casa/.local/share/ponderino" | wc -l)
[ "$n" -eq 16 ] || sbaglia "nella cartella nuova $n file invece di 16"

# A relative XDG_DATA_HOME is not valid and is ignored.
cwd=$(avvia "$pre/bin/ponderino-avvia" HOME="$casa" XDG_DATA_HOME=relativa)
[ "$cwd" = "$casa/.local/share/ponderino" ] || sbaglia "XDG_DATA_HOME relativa: '$cwd'"

# A folder from earlier runs: the user's data and files stay byte for byte and
# date for date; a stale copy, a dangling link and a link to another
# installation are refreshed; the launcher is reached through a link.
dati=$PROVA/xdg/ponderino
mkdir -p "$dati" "$PROVA/altrove"
printf '"1,2","3"\r\n' >"$dati/dati.txt"
echo appunti >"$dati/appunti.txt"
touch -d 2001-01-01 "$dati/dati.txt" "$dati/appunti.txt"
echo vecchia >"$dati/broca.bmp"
ln -s /non/esiste/lore.bmp "$dati/lore.bmp"
echo vecchio >"$PROVA/altrove/Help.htm"
ln -s "$PROVA/altrove/Help.htm" "$dati/Help.htm"
prima=$(cd "$dati" && stat -c '%n %s %Y' dati.txt appunti.txt && md5sum dati.txt appunti.txt)
ln -s "$pre/bin/ponderino-avvia" "$PROVA/altrove/avvia"
cwd=$(avvia "$PROVA/altrove/avvia" HOME="$casa" XDG_DATA_HOME="$PROVA/xdg")
[ "$cwd" = "$dati" ] || sbaglia "cartella di lavoro con XDG_DATA_HOME: '$cwd'"
controlla_cartella "$dati" "$condivisi"
dopo=$(cd "$dati" && stat -c '%n %s %Y' dati.txt appunti.txt && md5sum dati.txt appunti.txt)
[ "$prima" = "$dopo" ] || sbaglia "file dell'utente cambiati: $prima / $dopo"
[ "$(cat "$PROVA/altrove/Help.htm")" = vecchio ] || sbaglia "toccato il file di un'altra installazione"

# Without its installed files the launcher says so and starts nothing.
mv "$condivisi" "$condivisi.via"
if env -i HOME="$casa" PATH=/usr/bin:/bin "$pre/bin/ponderino-avvia" 2>"$PROVA/err"; then
    sbaglia "partito senza share/ponderino"
fi
grep -q 'share/ponderino' "$PROVA/err" || sbaglia "messaggio poco chiaro: $(cat "$PROVA/err")"
fine
