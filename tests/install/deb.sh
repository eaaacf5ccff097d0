#!/usr/bin/env bash
# The Debian package: built by CPack into BUILD_DIR/pacchetto with SHA256SUMS beside
# it, unpacked into a scratch root, its files, its dependencies, its hardening, its
# launcher run from there; and built once more from a copy of the sources in another
# folder, the same bytes.
#   deb.sh BUILD_DIR VERSION
. "$(dirname "$0")/comune.sh"
richiede_schermo
nome=ponderino_$2_$(dpkg --print-architecture).deb
# The package's time stamps: the last commit's, as the build's own.
export SOURCE_DATE_EPOCH=$(cat "$1/SOURCE_DATE_EPOCH" 2>/dev/null || date +%s)
# CPack writes the archive members' modes as the umask leaves them: packed under 022.
cpacchetto() { (umask 022 && cpack "$@"); }
cpacchetto --config "$1/CPackConfig.cmake" -G DEB -B "$1/pacchetto" >"$PROVA/log" 2>&1 || {
    cat "$PROVA/log" >&2; exit 1; }
deb=$1/pacchetto/$nome
(cd "$1/pacchetto" && sha256sum "$nome" >SHA256SUMS)
. "$(dirname "$0")/../../scripts/riproducibile.sh"
scrivi_buildinfo "$1/pacchetto/BUILDINFO" qt6-base-dev "g++-$(g++ -dumpversion | cut -d. -f1)" cmake dpkg-dev fonts-liberation
# What Debian's own checker finds: no error and no warning, and no hardening left out.
lintian -I --fail-on error,warning "$deb" >"$PROVA/lintian" 2>&1 && ! grep -q hardening- "$PROVA/lintian" ||
    sbaglia "lintian:" "$(cat "$PROVA/lintian")"
dipendenze=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $dipendenze"
nomi=$(echo "$dipendenze" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g; /^$/d')
# Qt's core library is libqt6core6 on Debian 12 and libqt6core6t64 on Debian 13 (the
# 64-bit time_t transition); either one, and the next check wants it installed here.
for p in libc6 'libstdc\+\+6' 'libqt6core6|libqt6core6t64' libqt6gui6 libqt6widgets6 \
         libqt6printsupport6 qt6-qpa-plugins fonts-liberation; do
    echo "$nomi" | grep -qxE "$p" || sbaglia "Depends senza ${p//\\}"
done
# Each dependency is a real package: the program builds and runs here, so it is installed.
for p in $nomi; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        sbaglia "dipendenza $p: non è un pacchetto installato qui"
done

radice=$PROVA/radice
dpkg -x "$deb" "$radice"
controlla_albero "$radice/usr"
valore() { sed -n "s/^$1:[A-Z]*=//p" "$2"; }
sorgente=$(valore CMAKE_HOME_DIRECTORY "$1/CMakeCache.txt")
mapfile -t contenuto < <(find "$radice" -type f)
senza_percorsi "$sorgente" "$(realpath "$1")" "${contenuto[@]}" || sbaglia "il pacchetto porta percorsi di questa macchina"
# Debian's hardening, read from the program itself.
while IFS='|' read -r opzione modello cosa; do
    readelf -W "$opzione" "$radice/usr/bin/ponderino" | grep -E "$modello" >/dev/null ||
        sbaglia "il programma è senza $cosa"
done <<'FINE'
--file-header|Type:[[:space:]]+DYN|PIE
--program-headers|GNU_RELRO|RELRO
--dynamic|FLAGS.*BIND_NOW|BIND_NOW
--dyn-syms|__[a-z_]+_chk@|_FORTIFY_SOURCE
--dyn-syms|__stack_chk_fail@|protezione dello stack
FINE
mkdir -p "$PROVA/casa"
cwd=$(avvia "$radice/usr/bin/ponderino-avvia" HOME="$PROVA/casa")
[ "$cwd" = "$PROVA/casa/.local/share/ponderino" ] || sbaglia "cartella di lavoro: $cwd"
controlla_cartella "$cwd" "$radice/usr/share/ponderino"

# Reproducible anywhere: the packaged program alone, built again from a copy of the
# tracked sources at another folder depth, with another HOME and umask 077, with the
# same settings and time stamp, gives the same package, byte for byte.
relativa=$(realpath --relative-to="$sorgente" "$1")
case $relativa in ..*) relativa=build ;; esac
copia=$PROVA/un/livello/in/piu
mkdir -p "$copia" "$PROVA/altra-casa"
git -C "$sorgente" ls-files -z | (cd "$sorgente" && tar --null -T - --ignore-failed-read -cf - 2>/dev/null) |
    tar -xf - -C "$copia"
umask 077
export HOME=$PROVA/altra-casa
cmake -S "$copia" -B "$copia/$relativa" -DPONDERINO_FUZZ=OFF -DPONDERINO_BENCH=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_BUILD_TYPE="$(valore CMAKE_BUILD_TYPE "$1/CMakeCache.txt")" \
    -DCMAKE_CXX_FLAGS="$(valore CMAKE_CXX_FLAGS "$1/CMakeCache.txt")" \
    -DCMAKE_EXE_LINKER_FLAGS="$(valore CMAKE_EXE_LINKER_FLAGS "$1/CMakeCache.txt")" >"$PROVA/log" 2>&1 &&
cmake --build "$copia/$relativa" --target ponderino ponderino_documenti -j "$(nproc)" >>"$PROVA/log" 2>&1 &&
cpacchetto --config "$copia/$relativa/CPackConfig.cmake" -G DEB -B "$PROVA/seconda" >>"$PROVA/log" 2>&1 || {
    cat "$PROVA/log" >&2; exit 1; }
cmp "$deb" "$PROVA/seconda/$nome" || sbaglia "due costruzioni danno due pacchetti diversi"
fine
