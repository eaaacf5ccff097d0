#!/usr/bin/env bash
# cmake --install: the files under the prefix, the menu entry and the AppStream
# metadata accepted by their validators and agreeing with each other.
#   installa.sh BUILD_DIR VERSION
. "$(dirname "$0")/comune.sh"
pre=$PROVA/prefisso
cmake --install "$1" --prefix "$pre" >"$PROVA/log" || { cat "$PROVA/log" >&2; exit 1; }
controlla_albero "$pre"

desktop=$pre/share/applications/$ID.desktop
metainfo=$pre/share/metainfo/$ID.metainfo.xml
# desktop-file-validate prints hints even when it succeeds: none are wanted.
desktop-file-validate "$desktop" >"$PROVA/v" 2>&1 && [ ! -s "$PROVA/v" ] || sbaglia "$(cat "$PROVA/v")"
appstreamcli validate --no-net "$metainfo" >"$PROVA/v" 2>&1 || sbaglia "$(cat "$PROVA/v")"
cat "$PROVA/v"

# What the menu starts and shows, and what the software centre points to, exist.
comando=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$pre/bin/$comando" ] || sbaglia "Exec=$comando non è installato in bin/"
icona=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$pre/share/icons/hicolor/scalable/apps/$icona.svg" ] || sbaglia "Icon=$icona non installata"
grep -qF "<launchable type=\"desktop-id\">$ID.desktop</launchable>" "$metainfo" || sbaglia "launchable"
grep -qF "<release version=\"$2\"" "$metainfo" || sbaglia "metainfo senza la versione $2"
fine
