#!/usr/bin/env bash
# The Debian package: built by CPack, unpacked into a scratch root, its files,
# its dependencies, and its launcher run from the scratch root.
#   deb.sh BUILD_DIR VERSION
. "$(dirname "$0")/comune.sh"
build=$1 versione=$2

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$PROVA/pacchetto" >"$PROVA/cpack.log" 2>&1 || {
    cat "$PROVA/cpack.log" >&2; exit 1; }
deb=$(ls "$PROVA"/pacchetto/ponderino_*.deb)

[ "$(dpkg-deb -f "$deb" Package)" = ponderino ] || sbaglia "nome del pacchetto"
[ "$(dpkg-deb -f "$deb" Version)" = "$versione" ] || sbaglia "versione: $(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || sbaglia "architettura"
dipendenze=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $dipendenze"
nomi=$(echo "$dipendenze" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g; /^$/d')
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
         qt6-qpa-plugins fonts-liberation; do
    echo "$nomi" | grep -qx "$p" || sbaglia "Depends senza $p"
done
# Every dependency is a real package: each one is installed on this machine,
# where the program was built and runs.
for p in $nomi; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        sbaglia "la dipendenza $p non è un pacchetto installato qui"
done

radice=$PROVA/radice
dpkg -x "$deb" "$radice"
controlla_albero "$radice/usr"
for f in $FILE_PROGRAMMA; do
    cmp -s "$build/bin/$f" "$radice/usr/share/ponderino/$f" || sbaglia "usr/share/ponderino/$f diverso"
done

mkdir -p "$PROVA/casa"
cwd=$(avvia "$radice/usr/bin/ponderino-avvia" HOME="$PROVA/casa")
[ "$cwd" = "$PROVA/casa/.local/share/ponderino" ] || sbaglia "cartella di lavoro: '$cwd'"
controlla_cartella "$PROVA/casa/.local/share/ponderino" "$radice/usr/share/ponderino"
fine
