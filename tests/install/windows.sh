#!/usr/bin/env bash
# The Windows installer under Wine, in a Wine prefix of its own (a new user): built by
# CPack, installed silently, its files, shortcut and Apps entry checked, the installed
# program driven along the Windows road in its own folder, then uninstalled silently:
# everything it installed goes, dati.txt stays.
#   windows.sh BUILD_DIR VERSION PERCORSO_WINE TIENI_APERTO
. "$(dirname "$0")/comune.sh"
build=$1
export WINEPREFIX=$PROVA/wine
trap 'wineserver -k 2>/dev/null; rm -rf "$PROVA"' EXIT
wine=$build/wine.sh

cpack --config "$build/CPackConfig.cmake" -G NSIS -B "$build" >"$PROVA/log" 2>&1 || {
    cat "$PROVA/log" >&2; exit 1; }
installatore=$build/ponderino-$2-win64.exe
[ -f "$installatore" ] || { echo "manca $installatore" >&2; exit 1; }
file "$installatore" | grep -q "PE32+" || sbaglia "l'installatore non è un programma a 64 bit"

"$wine" "$installatore" /S
wineserver -w
# Windows' own folders of this user, as Linux paths.
cartella_win() { winepath -u "$("$wine" cmd /c echo "%$1%" | tr -d '\r')\\$2" 2>/dev/null; }
cartella=$(cartella_win LOCALAPPDATA 'Programs\Ponderino')
collegamento=$(cartella_win APPDATA 'Microsoft\Windows\Start Menu\Programs\Ponderino.lnk')
echo "installato in $cartella"

for f in ponderino.exe $FILE_PROGRAMMA LICENSE.txt "Liberation Sans.txt" Disinstalla.exe; do
    [ -f "$cartella/$f" ] || sbaglia "non installato: $f"
done
[ -f "$collegamento" ] || sbaglia "manca il collegamento nel menu Start"
# The shortcut's working folder is the install folder (UTF-16 text inside the .lnk).
strings -el "$collegamento" | grep -qi 'C:\\users\\.*\\AppData\\Local\\Programs\\Ponderino$' ||
    sbaglia "il collegamento non lavora nella cartella del programma"
"$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ponderino' /v UninstallString \
    2>/dev/null | grep -q 'Disinstalla.exe' || sbaglia "Ponderino non è tra le app installate"

# The installed program, in its own folder: it writes dati.txt there. Nothing of this
# prefix may still run without a display when it starts.
wineserver -k
python3 "$3" --programma "$cartella/ponderino.exe" --cartella "$cartella" --wine "$wine" \
    --tieni-aperto "$4" --artefatti "$build/e2e-artefatti/installato" || sbaglia "il programma installato"
[ -f "$cartella/dati.txt" ] || sbaglia "il programma installato non ha scritto dati.txt nella sua cartella"

"$wine" "$cartella/Disinstalla.exe" /S
wineserver -w
rimasti=$(cd "$cartella" 2>/dev/null && ls -A)
[ "$rimasti" = "dati.txt" ] || sbaglia "dopo la disinstallazione restano: $rimasti"
[ ! -e "$collegamento" ] || sbaglia "il collegamento resta dopo la disinstallazione"
! "$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ponderino' >/dev/null 2>&1 ||
    sbaglia "Ponderino resta tra le app installate"
fine
