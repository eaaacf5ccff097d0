#!/usr/bin/env bash
# The launcher of an installed copy: the per-user working folder, its links to
# the pictures and Help.htm, the user's own files left alone, the program started
# inside it.
#   avvia.sh BUILD_DIR
. "$(dirname "$0")/comune.sh"
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

# Without its installed files the launcher says where it looked and starts nothing.
mv "$pre/share/ponderino" "$pre/share/via"
cwd=$(avvia "$pre/bin/ponderino-avvia" HOME="$casa")
case $cwd in "non partito: "*share/ponderino*) ;; *) sbaglia "senza share/ponderino: $cwd" ;; esac
fine
