#!/usr/bin/env bash
# make windows: Ponderino for 64-bit Windows, cross-built on Debian.
#   1. Qt for Windows, built once per machine into the cache (scripts/qt-windows.sh);
#   2. the picture rasteriser, built for this machine in build/;
#   3. build-win/: ponderino.exe (statically linked, nothing beside it but its
#      pictures and Help.htm), and the tests, run under Wine by CTest; the results
#      file's tests once more as an ordinary user, for the write in place;
#   4. the packages beside it (packaging/windows/pacchetti.sh): the installer
#      build-win/ponderino-<version>-win64.exe and the portable ZIP, with SHA256SUMS,
#      tried by the install_windows test, and BUILDINFO; no path of this machine in
#      what is shipped; the program built once more from a copy of the sources at
#      another folder depth, with another HOME and umask 077, must give the same bytes.
set -euo pipefail
# Debian 12 only, for now: on Debian 13, Qt 6.8 for Windows and the program build, but
# Wine 10 starts no test program that makes a window (a hidden one included) without a
# display, and under Xvfb the print tests' listing does not end.
. /etc/os-release
if [ "${ID:-}" != debian ] || [ "${VERSION_ID:-}" != 12 ]; then
  echo "make windows needs Debian 12: on ${PRETTY_NAME:-this system} Wine cannot yet run the Windows tests (see the README, Windows)" >&2
  exit 1
fi
cd "$(dirname "$0")/.."
radice=$PWD
umask 022
. scripts/riproducibile.sh
build=${WIN_BUILD:-build-win}
inizio=$(date +%s)
# Every time stamp of the build and of the packages is the last commit's.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export PONDERINO_COMMIT=${PONDERINO_COMMIT:-$(git rev-parse HEAD)}

qt=$(bash scripts/qt-windows.sh | tail -n 1)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target ponderino_rasterizza ponderino_tabelle_js -j "$(nproc)"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$radice/packaging/windows/mingw-w64.cmake" \
  -DPONDERINO_RASTERIZZA="$radice/build/assets/ponderino_rasterizza" \
  -DPONDERINO_IMMAGINI_CARICATE="$radice/build/immagini_caricate.txt" \
  -DPONDERINO_TABELLE="$radice/build/finestre.mjs"
cmake --build "$build" -j "$(nproc)"
bash packaging/windows/pacchetti.sh "$build"
# No path of this machine in what is shipped: the installer and the ZIP unpacked, every
# file they hold (the installer's own script and uninstaller among them).
spacchettati=$(mktemp -d)
7z x -y -o"$spacchettati/installatore" "$build"/ponderino-*-win64.exe >/dev/null
unzip -q "$build"/ponderino-*-win64-portatile.zip -d "$spacchettati/zip"
mapfile -t contenuto < <(find "$spacchettati" -type f)
[ "${#contenuto[@]}" -gt 30 ] || { echo "make windows: the packages unpacked hold ${#contenuto[@]} files" >&2; exit 1; }
senza_percorsi "$radice" "$radice/$build" "$build/bin/ponderino.exe" "${contenuto[@]}"
rm -rf "$spacchettati"

# Reproducible anywhere: the packaged program alone, built again from a copy of the
# tracked sources at another folder depth, with another HOME and umask 077, gives the
# same program and packages, byte for byte. Qt and the compiler are the same inputs.
copia=$(mktemp -d)
trap 'rm -rf "$copia"' EXIT
sorgenti=$copia/un/livello/in/piu
mkdir -p "$sorgenti" "$copia/casa"
git ls-files -z | tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$sorgenti"
seconda=$sorgenti/$(basename "$build")
(
  umask 077
  export HOME=$copia/casa
  cmake -S "$sorgenti" -B "$seconda" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$sorgenti/packaging/windows/mingw-w64.cmake" \
    -DPONDERINO_RASTERIZZA="$radice/build/assets/ponderino_rasterizza" \
    -DPONDERINO_IMMAGINI_CARICATE="$radice/build/immagini_caricate.txt" \
    -DPONDERINO_TABELLE="$radice/build/finestre.mjs" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
  cmake --build "$seconda" --target ponderino -j "$(nproc)" >/dev/null
  bash "$sorgenti/packaging/windows/pacchetti.sh" "$seconda" >/dev/null
)
for f in bin/ponderino.exe $(awk '{print $2}' "$build/SHA256SUMS"); do
  cmp "$build/$f" "$seconda/$f" || { echo "make windows: $f differs between two builds" >&2; exit 1; }
done
rm -rf "$copia"
echo "make windows: a second build gave the same program and packages"

# Now and then Wine fails to start a program at all (seen once in a few hundred
# starts). Such a test, and only such a test, runs once more, and says so: one that
# failed within half a minute, printed no line of its own, and printed Wine's own
# line that it could not start it. Every other failure stands: one that printed
# nothing (every shell test prints the line that failed), ran into its time limit,
# or crashed (Wine's "Unhandled ..." line).
# non_partiti LOG: the failed tests in CTest's log that Wine did not start.
non_partiti() {
    awk '/^[0-9]+\/[0-9]+ Test: / { nome = substr($0, index($0, "Test: ") + 6); propria = avvio = 0 }
         /^Output:$/ { dentro = 1; getline; next }
         /^<end of output>$/ { dentro = 0 }
         dentro && /^wine( client error:[0-9a-f]+)?: / {
             if (/Unhandled|unimplemented/) propria = 1; else if (/could not|cannot|failed to/) avvio = 1; next }
         dentro && NF && !/^([0-9a-f]+:)?(fixme|err|warn|trace):/ { propria = 1 }
         /^Test time = / { breve = $4 < 30 }
         /^Test Failed/ && avvio && !propria && breve { print nome }' "$1"
}
# The rule on made-up logs: only the start that Wine refused is run again.
prova_log() {
    printf '1/9 Test: %s\nOutput:\n----------\n%b<end of output>\nTest time =  %s sec\n----------\nTest Failed.\n' "$@"
}
{
    prova_log rifiutato 'wine: could not load kernel32.dll, status c0000135\n' 2.1
    prova_log muto '' 0.4
    prova_log scaduto 'wine: could not load kernel32.dll, status c0000135\n' 300.0
    prova_log guasto 'wine: Unhandled page fault on read access to 0000000000000008\n' 3.0
    prova_log suo 'wine: failed to start\nFALLITO: la finestra\n' 5.0
} >"$build/non-partiti-prova.log"
[ "$(non_partiti "$build/non-partiti-prova.log")" = rifiutato ] ||
    { echo "make windows: the rule for running a test once more is wrong" >&2; exit 1; }
if ! ctest --test-dir "$build" --output-on-failure -j "$(nproc)"; then
    falliti=$build/Testing/Temporary/LastTestsFailed.log  # NUMBER:NAME
    non_partiti "$build/Testing/Temporary/LastTest.log" >"$build/non-partiti.txt"
    altri=$(cut -d: -f2- "$falliti" | grep -vxF -f "$build/non-partiti.txt" || true)
    [ -z "$altri" ] || { echo "make windows: falliti:" $altri; exit 1; }
    while read -r nome; do
        echo "make windows: Wine non ha avviato $nome: di nuovo"
    done <"$build/non-partiti.txt"
    ctest --test-dir "$build" --output-on-failure -I "0,0,0,$(cut -d: -f1 "$falliti" | paste -sd,)"
fi
# The write in place runs where Wine refuses the temporary file, which it does only
# where the Linux user may not write, and the superuser always may: the results
# file's tests once more as an ordinary user (nobody, for the superuser) in a Wine
# prefix of its own, with a folder that user may not write, holding a dati.txt it may.
# That user may not enter the checkout (a home folder is often 0700): what it runs is
# copied into the test's own folder first, and goes with it.
utente=$(mktemp -d)
chmod 755 "$utente"
mkdir "$utente/casa" "$utente/chiusa" "$utente/programmi"
cp "$build/wine.sh" "$build/tests/core/test_core.exe" "$utente/programmi/"
chmod -R a+rX "$utente/programmi"
: >"$utente/chiusa/dati.txt"
come=()
if [ "$(id -u)" = 0 ]; then
    chown nobody: "$utente/casa" "$utente/chiusa/dati.txt"
    come=(setpriv --reuid=nobody --regid="$(id -gn nobody)" --clear-groups)
fi
chmod 555 "$utente/chiusa"
come_utente() {
    "${come[@]}" env HOME="$utente/casa" WINEPREFIX="$utente/casa/wine" PONDERINO_CARTELLA_CHIUSA="Z:$utente/chiusa" "$@"
}
for volta in 1 2; do
    esito=0
    come_utente timeout -k 10 300 "$utente/programmi/wine.sh" "$utente/programmi/test_core.exe" \
        --gtest_filter='FileRisultati.*' >"$build/test_core-utente.log" 2>&1 || esito=$?
    # Once more only when Wine did not start it, as above.
    [ "$esito" != 0 ] && [ "$volta" = 1 ] && ! grep -q '^\[==========\]' "$build/test_core-utente.log" &&
        grep -Eq '^wine: .*(could not|cannot|failed to)' "$build/test_core-utente.log" || break
    echo "make windows: Wine non ha avviato test_core come utente normale: di nuovo"
done
come_utente wineserver -k 2>/dev/null || true
chmod 755 "$utente/chiusa"
rm -rf "$utente"
# It must have run: a filter that matches no test passes with "0 tests".
if [ "$esito" != 0 ] || grep -q '^\[  SKIPPED \]' "$build/test_core-utente.log" ||
    ! grep -Eq '^\[  PASSED  \] [1-9][0-9]* tests?\.' "$build/test_core-utente.log"; then
    cat "$build/test_core-utente.log"
    echo "make windows: the results file's tests as an ordinary user failed or skipped (exit $esito)"
    exit 1
fi
echo "make windows: the results file's tests passed once more as an ordinary user"
echo "make windows: $(( $(date +%s) - inizio )) s; program $build/bin/ponderino.exe, installer $build/ponderino-*-win64.exe"
