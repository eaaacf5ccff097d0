#!/usr/bin/env bash
# The Windows packages made by make windows (packaging/windows/pacchetti.sh), under
# Wine in a Wine prefix of their own (a new user):
#  - the program as Windows sees it: hardening flags, manifest, version information,
#    every icon size; the installer's version information; SHA256SUMS;
#  - an older version installed silently into a folder of /D=, with a file the new
#    version no longer has; the new installer refuses, with its exit code, and
#    changes nothing (files, Apps entry, shortcut; the old program still starts)
#    while that program runs (the old uninstaller too), while another program holds
#    one of its files, when a file cannot be written, for a folder of other files,
#    and for another account's profile;
#  - the upgrade: no old file left, dati.txt kept, the Apps entry of the new version;
#    files, shortcut and Apps entry checked, the installed program driven along the
#    Windows road in its own folder, then uninstalled silently: everything it
#    installed goes, dati.txt stays;
#  - the portable ZIP unpacked, and the Windows road driven in its folder.
#   windows.sh BUILD_DIR VERSION PERCORSO_WINE TIENI_APERTO
. "$(dirname "$0")/comune.sh"
build=$1
export WINEPREFIX=$PROVA/wine
# Every Wine program of this prefix draws in the private X server of tests/x_privato.sh:
# a desktop that Wine starts without a display would keep the program's windows from showing.
richiede_schermo
trap 'wineserver -k 2>/dev/null || true; rm -rf "$PROVA"' EXIT
wine=$build/wine.sh
tieni_aperto=$4
chiave='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ponderino'
installatore=$build/ponderino-$2-win64.exe
zip=$build/ponderino-$2-win64-portatile.zip
for f in "$installatore" "$zip" "$build/SHA256SUMS"; do
    [ -f "$f" ] || { echo "manca $f: lo fa make windows (packaging/windows/pacchetti.sh)" >&2; exit 1; }
done
# SHA256SUMS as whoever downloads it uses it: beside the two packages in a folder of
# their own, naming just those two.
mkdir "$PROVA/scaricati"
cp "$installatore" "$zip" "$build/SHA256SUMS" "$PROVA/scaricati/"
[ "$(awk '{print $2}' "$build/SHA256SUMS")" = "$(printf '%s\n' "${installatore##*/}" "${zip##*/}")" ] ||
    sbaglia "SHA256SUMS non nomina i due pacchetti:" "$(cat "$build/SHA256SUMS")"
(cd "$PROVA/scaricati" && sha256sum --quiet --strict -c SHA256SUMS) || sbaglia "SHA256SUMS non vale nella cartella dello scaricamento"
file "$installatore" | grep -q "PE32+" || sbaglia "l'installatore non è un programma a 64 bit"

# The program as Windows sees it, read from the built files.
exe=$build/bin/ponderino.exe
x86_64-w64-mingw32-objdump -p "$exe" >"$PROVA/pe"
for voce in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
    grep -qw "$voce" "$PROVA/pe" || sbaglia "ponderino.exe senza $voce"
done
x86_64-w64-mingw32-nm "$exe" | grep -w __stack_chk_fail >/dev/null || sbaglia "ponderino.exe senza protezione dello stack"
x86_64-w64-mingw32-windres -i "$exe" -O rc >"$PROVA/risorse.rc" 2>&1
x86_64-w64-mingw32-windres -i "$installatore" -O rc >"$PROVA/installatore.rc" 2>&1
while IFS='|' read -r risorse atteso; do
    grep -qF "$atteso" "$PROVA/$risorse.rc" || sbaglia "manca in $risorse: $atteso"
done <<FINE
risorse|VALUE "FileDescription", L"Ponderino \x2013 calcolo del peso ideale"
risorse|VALUE "ProductName", "Ponderino"
risorse|VALUE "ProductVersion", "$2"
risorse|VALUE "Comments", "Licenza: GNU GPL, versione 3 o successiva"
risorse|VALUE "Translation", 0x410, 1200
risorse|level=""asInvoker""
risorse|<supportedOS Id=""{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}""/>
risorse|<longPathAware xmlns=""http://schemas.microsoft.com/SMI/2016/WindowsSettings"">true<
risorse|>PerMonitorV2<
installatore|VALUE "ProductName", "Ponderino"
installatore|VALUE "ProductVersion", "$2"
FINE
lati=$(python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read()
print(*(d[6 + 16 * i] or 256 for i in range(struct.unpack_from("<3H", d)[2])))' "$build/assets/icona.ico")
[ "$lati" = "16 20 24 32 40 48 64 256" ] || sbaglia "l'icona ha i lati $lati"

# stato: the install folder's files with their checksums, the Apps entry's version
# and the Start-menu shortcut.
stato() {
    (cd "$cartella" 2>/dev/null && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r sha256sum)
    "$wine" reg query "$chiave" /v DisplayVersion 2>/dev/null | tr -d '\r' | grep DisplayVersion || true
    [ ! -f "$collegamento" ] || echo "$collegamento"
}
# avvia_installato: the installed program, left running until ferma; returns once
# its window "PONDERINO" is shown.
avvia_installato() {
    (cd "$cartella" && exec "$wine" 'C:\Prova\Ponderino\ponderino.exe' >/dev/null 2>&1) &
    AVVIATO=$!
    finestra_ponderino "" 60 || sbaglia "il programma installato non mostra la sua finestra"
}
ferma() { wineserver -k 2>/dev/null || true; wait "$AVVIATO" 2>/dev/null || true; }
# tieni FILE (a Windows path): another program holds FILE open without sharing it,
# until lascia.
tieni() {
    mkfifo "$PROVA/tieni"
    "$wine" "$tieni_aperto" "$1" <"$PROVA/tieni" >"$PROVA/tenuto" 2>/dev/null &
    TIENE=$!
    exec 7>"$PROVA/tieni"
    for _ in $(seq 150); do grep -q aperto "$PROVA/tenuto" && return; sleep 0.2; done
    sbaglia "nessuno tiene aperto $1"
}
lascia() { exec 7>&-; wait "$TIENE" || true; rm -f "$PROVA/tieni"; }
# cartella_locale VALUE: the user's Local AppData folder, as Windows finds it.
cartella_locale() {
    "$wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
        /v 'Local AppData' /t REG_EXPAND_SZ /d "$1" /f >/dev/null 2>&1
}

# An older version, with one more file, installed where /D= says.
vecchia=0.9.0
echo 'file(WRITE "${CMAKE_INSTALL_PREFIX}/vecchio.dll" "una versione vecchia")' >"$PROVA/vecchio.cmake"
cpack --config "$build/CPackConfig.cmake" -G NSIS -B "$PROVA/vecchia" -D CPACK_PACKAGE_VERSION=$vecchia \
    -D CPACK_PONDERINO_VERSIONE_4=$vecchia.0 -D CPACK_PACKAGE_FILE_NAME=ponderino-$vecchia-win64 \
    -D CPACK_INSTALL_SCRIPTS="$PROVA/vecchio.cmake" >"$PROVA/log" 2>&1 || { cat "$PROVA/log" >&2; exit 1; }
"$wine" "$PROVA/vecchia/ponderino-$vecchia-win64.exe" /S '/D=C:\Prova\Ponderino'
wineserver -w
cartella=$(winepath -u 'C:\Prova\Ponderino' 2>/dev/null)
altrui=$(winepath -u 'C:\Prova\Altrui' 2>/dev/null)
collegamento=$(winepath -u "$("$wine" cmd /c echo "%APPDATA%" | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Ponderino.lnk")
[ -f "$cartella/vecchio.dll" ] && [ -f "$cartella/ponderino.exe" ] || sbaglia "la versione $vecchia non è in /D="
printf '0,0,0,0,0,0,0,0\r\n' >"$cartella/dati.txt"
cp "$cartella/dati.txt" "$PROVA/dati.prima"
prima=$(stato)
echo "$prima" | grep -q "DisplayVersion.*$vecchia" || sbaglia "la versione $vecchia non è tra le app installate"
echo "$prima" | grep -q "Ponderino.lnk" || sbaglia "la versione $vecchia non ha il collegamento nel menu Start"

# Runs of the new installer that must refuse, each after what makes it refuse and
# undone after it: the exit code, and nothing changed.
while IFS='|' read -r -u 3 codice prepara argomenti disfa; do
    eval "$prepara"
    esito=0
    eval "\"\$wine\" \"\$installatore\" $argomenti" </dev/null || esito=$?
    eval "$disfa"
    [ "$esito" = "$codice" ] || sbaglia "$prepara: l'installatore esce con $esito, non con $codice"
    [ "$(stato)" = "$prima" ] || sbaglia "$prepara: è cambiato:" "$(diff <(echo "$prima") <(stato))"
    avvia_installato
    ferma
done 3<<'FINE'
2|avvia_installato|/S|e=0; "$wine" "$cartella/Disinstalla.exe" /S '_?=C:\Prova\Ponderino' || e=$?; [ "$e" = 2 ] || sbaglia "la disinstallazione con Ponderino aperto esce con $e, non con 2"; ferma
3|tieni 'C:\Prova\Ponderino\Help.htm'|/S|lascia
3|mv "$cartella/LICENSE.txt" "$PROVA" && mkdir "$cartella/LICENSE.txt"|/S|rmdir "$cartella/LICENSE.txt" && mv "$PROVA/LICENSE.txt" "$cartella"
4|mkdir "$altrui" && echo mie >"$altrui/Help.htm"|/S '/D=C:\Prova\Altrui'|[ "$(cat "$altrui/Help.htm")" = mie ] && [ "$(ls -A "$altrui")" = Help.htm ] || sbaglia "la cartella altrui è cambiata"; rm -r "$altrui"
4|mkdir "$altrui" && echo mio >"$altrui/ponderino.exe" && echo mie >"$altrui/note.txt"|/S '/D=C:\Prova\Altrui'|[ "$(cat "$altrui/ponderino.exe" "$altrui/note.txt")" = "$(printf 'mio\nmie')" ] && [ "$(ls -A "$altrui" | paste -sd' ')" = "note.txt ponderino.exe" ] || sbaglia "la cartella con un ponderino.exe altrui è cambiata"; rm -r "$altrui"
8|tieni 'C:\Prova\Ponderino\Help.htm'|/S '/D=C:\Prova\Nuova'|lascia; [ ! -e "$(dirname "$cartella")/Nuova" ] || sbaglia "la versione nuova resta in C:\Prova\Nuova"
5|cartella_locale 'C:\windows\system32\config\systemprofile\AppData\Local'|/S|cartella_locale '%USERPROFILE%\AppData\Local'
FINE

# The upgrade, into the installed version's folder, from where an upgrade that never
# ended (a power cut) left it: the old files in .vecchia, dati.txt and one new file in
# place, no ponderino.exe. The installer puts the old version back, then upgrades it.
mkdir "$cartella/.vecchia"
find "$cartella" -maxdepth 1 -type f ! -name dati.txt -exec mv -t "$cartella/.vecchia" {} +
echo nuovo >"$cartella/LICENSE.txt"
# First with that new file held open, so that the old one cannot come back over it: the
# installer stops (7) and deletes nothing; the next run, with the file let go, repairs.
nomi() { (cd "$cartella" && find . -type f ! -name .torna-vecchia -printf '%f\n' | LC_ALL=C sort); }
interrotto=$(nomi)
tieni 'C:\Prova\Ponderino\LICENSE.txt'
esito=0; "$wine" "$installatore" /S </dev/null || esito=$?
lascia
[ "$esito" = 7 ] || sbaglia "con un file che non torna da .vecchia l'installatore esce con $esito, non con 7"
[ "$(nomi)" = "$interrotto" ] || sbaglia "la riparazione fallita ha perso file:" "$(diff <(echo "$interrotto") <(nomi))"
[ "$(cat "$cartella/.vecchia/LICENSE.txt" 2>/dev/null)" != nuovo ] || sbaglia "il LICENSE.txt vecchio non è in .vecchia"
"$wine" "$installatore" /S
wineserver -w
# A shortcut that cannot be written (a folder stands in its place): Ponderino is
# installed all the same, and the installer says what is missing (6); the next run
# writes it.
rm -f "$collegamento"
mkdir "$collegamento"
esito=0; "$wine" "$installatore" /S </dev/null || esito=$?
rmdir "$collegamento"
[ "$esito" = 6 ] || sbaglia "senza il collegamento l'installatore esce con $esito, non con 6"
[ -f "$cartella/ponderino.exe" ] || sbaglia "senza il collegamento Ponderino non è installato"
"$wine" "$installatore" /S
wineserver -w
cmp -s "$PROVA/dati.prima" "$cartella/dati.txt" || sbaglia "l'aggiornamento ha cambiato dati.txt"
atteso=$(printf '%s\n' ponderino.exe $FILE_PROGRAMMA LICENSE.txt "Liberation Sans.txt" Disinstalla.exe dati.txt \
         Ponderino.installato |
         LC_ALL=C sort)
[ "$(cd "$cartella" && ls -A | LC_ALL=C sort)" = "$atteso" ] ||
    sbaglia "dopo l'aggiornamento:" "$(diff <(echo "$atteso") <(cd "$cartella" && ls -A | LC_ALL=C sort))"
"$wine" reg query "$chiave" /v DisplayVersion 2>/dev/null | grep -q "$2" || sbaglia "l'app installata non è la $2"
kib=$("$wine" reg query "$chiave" /v EstimatedSize 2>/dev/null | sed -n 's/.*REG_DWORD *0x\([0-9a-f]*\).*/\1/p')
[ $((16#${kib:-0})) -gt 1000 ] || sbaglia "EstimatedSize: ${kib:-manca}"
[ -f "$collegamento" ] || sbaglia "manca il collegamento nel menu Start"
# The shortcut's working folder is the install folder (UTF-16 text inside the .lnk).
strings -el "$collegamento" | grep -qi '^C:\\Prova\\Ponderino$' ||
    sbaglia "il collegamento non lavora nella cartella del programma"
"$wine" reg query "$chiave" /v UninstallString 2>/dev/null | grep -q 'Disinstalla.exe' ||
    sbaglia "Ponderino non è tra le app installate"

# The installed program, in its own folder: it writes dati.txt there. Nothing of this
# prefix may still run without a display when it starts.
wineserver -k
python3 "$3" --programma "$cartella/ponderino.exe" --cartella "$cartella" --wine "$wine" \
    --tieni-aperto "$4" --artefatti "$build/e2e-artefatti/installato" || sbaglia "il programma installato"

"$wine" "$cartella/Disinstalla.exe" /S
wineserver -w
rimasti=$(cd "$cartella" 2>/dev/null && ls -A)
[ "$rimasti" = "dati.txt" ] || sbaglia "dopo la disinstallazione restano: $rimasti"
[ ! -e "$collegamento" ] || sbaglia "il collegamento resta dopo la disinstallazione"
e=0; "$wine" reg query "$chiave" >/dev/null 2>&1 || e=$?
[ "$e" = 1 ] || sbaglia "Ponderino resta tra le app installate (reg query esce con $e, non con 1)"

# The portable ZIP: the same files in one folder, and the program works there.
wineserver -k
mkdir "$PROVA/portatile"
python3 -m zipfile -e "$zip" "$PROVA/portatile"
portatile=$PROVA/portatile/ponderino-$2-win64-portatile
atteso=$(printf '%s\n' ponderino.exe $FILE_PROGRAMMA LICENSE.txt "Liberation Sans.txt" | LC_ALL=C sort)
[ "$(ls -A "$portatile" | LC_ALL=C sort)" = "$atteso" ] || sbaglia "nello ZIP:" "$(ls -A "$portatile")"
touch "$PROVA/segno"
python3 "$3" --programma "$portatile/ponderino.exe" --cartella "$portatile" --wine "$wine" \
    --tieni-aperto "$4" --artefatti "$build/e2e-artefatti/portatile" || sbaglia "il programma dello ZIP"
fuori=$(find "$WINEPREFIX/drive_c/users" -newer "$PROVA/segno" -type f ! -ipath '*/temp/*')
[ -z "$fuori" ] || sbaglia "il programma dello ZIP scrive fuori dalla sua cartella:" "$fuori"
fine
