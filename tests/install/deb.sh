#!/usr/bin/env bash
# The Debian package: built by CPack, unpacked into a scratch root, its files,
# its dependencies, its launcher run from there.
#   deb.sh BUILD_DIR VERSION
. "$(dirname "$0")/comune.sh"
schermo_privato
cpack --config "$1/CPackConfig.cmake" -G DEB -B "$PROVA/deb" >"$PROVA/log" 2>&1 || {
    cat "$PROVA/log" >&2; exit 1; }
deb=$PROVA/deb/ponderino_$2_$(dpkg --print-architecture).deb
# What Debian's own checker finds: no error and no warning.
lintian --fail-on error,warning "$deb" >"$PROVA/lintian" 2>&1 ||
    sbaglia "lintian:" "$(cat "$PROVA/lintian")"
dipendenze=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $dipendenze"
nomi=$(echo "$dipendenze" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g; /^$/d')
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
         qt6-qpa-plugins fonts-liberation; do
    echo "$nomi" | grep -qx "$p" || sbaglia "Depends senza $p"
done
# Each dependency is a real package: the program builds and runs here, so it is installed.
for p in $nomi; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        sbaglia "dipendenza $p: non è un pacchetto installato qui"
done

radice=$PROVA/radice
dpkg -x "$deb" "$radice"
controlla_albero "$radice/usr"
mkdir -p "$PROVA/casa"
cwd=$(avvia "$radice/usr/bin/ponderino-avvia" HOME="$PROVA/casa")
[ "$cwd" = "$PROVA/casa/.local/share/ponderino" ] || sbaglia "cartella di lavoro: $cwd"
controlla_cartella "$cwd" "$radice/usr/share/ponderino"
fine
