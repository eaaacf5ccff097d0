#!/usr/bin/env bash
# cmake --install: the files under the prefix, the menu entry and the AppStream
# metadata accepted by their validators and agreeing with each other.
#   installa.sh BUILD_DIR VERSION
. "$(dirname "$0")/comune.sh"
build=$1 versione=$2
pre=$PROVA/prefisso

cmake --install "$build" --prefix "$pre" >"$PROVA/install.log" || {
    cat "$PROVA/install.log" >&2; exit 1; }
controlla_albero "$pre"

for f in $FILE_PROGRAMMA; do
    cmp -s "$build/bin/$f" "$pre/share/ponderino/$f" || sbaglia "share/ponderino/$f diverso da $build/bin/$f"
done
if readelf -d "$pre/bin/ponderino" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    sbaglia "bin/ponderino cerca ancora le librerie nella cartella di build"
fi

desktop=$pre/share/applications/$ID.desktop
metainfo=$pre/share/metainfo/$ID.metainfo.xml
if ! desktop-file-validate "$desktop" >"$PROVA/v.log" 2>&1 || [ -s "$PROVA/v.log" ]; then
    sbaglia "desktop-file-validate: $(cat "$PROVA/v.log")"
fi
if ! appstreamcli validate --no-net "$metainfo" >"$PROVA/v.log" 2>&1; then
    sbaglia "appstreamcli validate: $(cat "$PROVA/v.log")"
fi
cat "$PROVA/v.log"

# What the menu starts, and what the software centre links to, must exist.
comando=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$pre/bin/$comando" ] || sbaglia "Exec=$comando non è un programma installato in bin/"
icona=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$pre/share/icons/hicolor/scalable/apps/$icona.svg" ] || sbaglia "Icon=$icona non installata"
grep -qF "<id>$ID</id>" "$metainfo" || sbaglia "metainfo: id diverso da $ID"
grep -qF "<launchable type=\"desktop-id\">$ID.desktop</launchable>" "$metainfo" ||
    sbaglia "metainfo: launchable diverso da $ID.desktop"
grep -qF "<release version=\"$versione\"" "$metainfo" || sbaglia "metainfo: manca la versione $versione"
fine
