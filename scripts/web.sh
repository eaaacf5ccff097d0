#!/usr/bin/env bash
# make web: Ponderino in the browser, a static folder build-web/ that works from disk
# (file://) and from any static web server, then its tests in Debian's chromium,
# firefox-esr and WebKitGTK.
#   1. the host tools, built for this machine in build/: the window tables written out
#      as an ES module bundled into the page script, the icon rasteriser, and the native side of the core parity test;
#   2. the calculation core and the commands' steps compiled to WebAssembly with
#      Debian's emscripten, embedded with its glue in one script, ponderino-core.js;
#   3. the page (web/: its modules bundled by esbuild into ponderino.js), the SVG
#      drawings (disegni/), the home-screen icons (icone/), Help.htm, and the service
#      worker with this build's list of files;
#   4. no path of this machine in what is served; the folder as a ZIP in
#      $build/pacchetti-web/, with SHA256SUMS and BUILDINFO;
#   5. npm ci in tests/web (puppeteer-core and axe-core as the lock file pins them),
#      then every tests/web/*.test.mjs with node's test runner.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${BUILD:-build}")
web=$(realpath -m "${WEB_BUILD:-build-web}")
inizio=$(date +%s)

bash scripts/deps.sh web

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target ponderino_finestre_js ponderino_parita ponderino_rasterizza -j "$(nproc)"

rm -rf "$web"
mkdir -p "$web/disegni" "$web/icone"
"$build/ponderino_finestre_js" "$build/finestre.mjs"

# Debian's emscripten runs its JavaScript tools with the machine's node, which finds
# Debian's acorn only through NODE_PATH. No eval in the glue, so that the page's
# Content-Security-Policy needs no 'unsafe-eval'; no file system, which the page
# does not use; built for size (-Oz, link-time optimisation, the small allocator): a
# third smaller than -O2, and a method still takes well under a millisecond. The
# windows' tables and the commands' steps are those of the browser edition.
NODE_PATH=/usr/share/nodejs em++ -std=c++20 -Oz -flto -fexceptions -ffp-contract=off -Wall -Wextra -Wpedantic -I. --bind \
  -DPONDERINO_EDIZIONE_WEB \
  -s MALLOC=emmalloc -s MODULARIZE=1 -s EXPORT_NAME=PonderinoCore -s SINGLE_FILE=1 -s ENVIRONMENT=web,node \
  -s DYNAMIC_EXECUTION=0 -s FILESYSTEM=0 -s ALLOW_MEMORY_GROWTH=1 \
  web/nucleo/nucleo.cpp core/misure.cpp core/metodi.cpp core/risultati.cpp core/notazione_c.cpp \
  core/sostituisci_posix.cpp report/riepilogo.cpp screens/procedure.cpp screens/tabelle.cpp \
  -o "$web/ponderino-core.js"

# The scripts carry their content in their names, so that where no service worker keeps
# the build (a first visit, plain http) the page never runs scripts of another build.
impronta() { sha256sum "$1" | cut -c1-12; }
nucleo=ponderino-core-$(impronta "$web/ponderino-core.js").js
mv "$web/ponderino-core.js" "$web/$nucleo"

# The page's modules, bundled into one classic script, so that index.html opens from
# disk as well as from a server; minified, since every byte is fetched before the
# first window (the modules in web/moduli/ are the readable source).
esbuild web/moduli/avvio.mjs --bundle --minify --format=iife --target=es2020 --charset=utf8 \
  --define:NUCLEO="\"$nucleo\"" --alias:ponderino-tabelle="$build/finestre.mjs" --legal-comments=none --log-level=warning --outfile="$web/ponderino.js"
pagina=ponderino-$(impronta "$web/ponderino.js").js
mv "$web/ponderino.js" "$web/$pagina"
sed -e "s|src=\"ponderino.js\"|src=\"$pagina\"|" web/index.html > "$web/index.html"
cp web/stile.css web/manifest.webmanifest "$web/"
cp assets/*.svg "$web/disegni/"
cp assets/Help.htm "$web/"

# Home-screen icons from the window icon, centred on a square of the theme colour
# inside the middle 80 % that a maskable icon may be cut to, so that one drawing serves
# every use; quantised to a palette, a fifth of the bytes.
icona() {  # <scale> <out.svg>: the icon (135 x 112) centred on a 512 px square
  local s=$1
  { printf '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="512" height="512" viewBox="0 0 512 512">\n'
    printf '<rect width="512" height="512" fill="#008080"/>\n<g transform="translate(%s %s) scale(%s)">\n' \
      "$(echo "(512 - 135 * $s) / 2" | bc -l)" "$(echo "(512 - 112 * $s) / 2" | bc -l)" "$s"
    sed '1,2d;$d' assets/icona.svg
    printf '</g>\n</svg>\n'; } > "$2"
}
icone=$(mktemp -d)
icona 2.3 "$icone/icona.svg"
for n in apple-touch-icon:180 icona-192:192 icona-512:512; do
  QT_QPA_PLATFORM=offscreen "$build/assets/ponderino_rasterizza" "$icone/icona.svg" "$icone/${n%:*}.png" "${n#*:}" "${n#*:}"
  pngquant --quality=60-90 --speed 1 --strip --output "$web/icone/${n%:*}.png" "$icone/${n%:*}.png"
done
rm -r "$icone"

# The service worker keeps every file of this build in a cache named after their content,
# each checked against its SHA-256 ("./" is index.html).
elenco=$(cd "$web" && find . -type f ! -name sw.js | sed 's|^\./||' | LC_ALL=C sort)
versione=$(cd "$web" && echo "$elenco" | xargs sha256sum | sha256sum | cut -c1-16)
file=$(cd "$web" && { sha256sum index.html | sed 's|index\.html$|./|'; echo "$elenco" | xargs sha256sum; } |
  sed "s/^\([0-9a-f]*\)  \(.*\)$/'\2': '\1'/" | paste -sd, | sed 's/,/, /g')
sed -e "s|@VERSIONE@|$versione|" -e "s|@FILE@|$file|" web/sw.js > "$web/sw.js"

# No path of this machine in what is served, the core's WebAssembly included (decoded
# from its script); then the folder a static host serves as one ZIP, entries in name
# order and dated by the last commit, with SHA256SUMS and BUILDINFO beside it.
. scripts/riproducibile.sh
python3 - "$web/$nucleo" "$build/ponderino-core.wasm" <<'FINE'
import base64, re, sys
testo = open(sys.argv[1]).read()
open(sys.argv[2], "wb").write(base64.b64decode(re.search(r"data:application/[a-z-]+;base64,([A-Za-z0-9+/=]+)", testo)[1]))
FINE
senza_percorsi "$PWD" "$build" "$build/ponderino-core.wasm" $(find "$web" -type f)
programma=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
nome=ponderino-$programma-web
pacchetti=$build/pacchetti-web
rm -rf "$pacchetti"
mkdir -p "$pacchetti/$nome"
cp -r "$web/." "$pacchetti/$nome/"
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)} \
  python3 packaging/windows/zip_portatile.py "$pacchetti/$nome" "$pacchetti/$nome.zip"
rm -r "${pacchetti:?}/$nome"
# What ships is the ZIP: its files, unpacked, carry no path of this machine either.
spacchettato=$(mktemp -d)
python3 -m zipfile -e "$pacchetti/$nome.zip" "$spacchettato"
mapfile -t contenuto < <(find "$spacchettato" -type f)
[ "${#contenuto[@]}" -gt 20 ] || { echo "make web: the ZIP unpacked holds ${#contenuto[@]} files" >&2; exit 1; }
senza_percorsi "$PWD" "$build" "${contenuto[@]}"
rm -rf "$spacchettato"
(cd "$pacchetti" && sha256sum "$nome.zip" >SHA256SUMS)
scrivi_buildinfo "$pacchetti/BUILDINFO" emscripten esbuild pngquant qt6-base-dev qt6-svg-dev fonts-liberation

(cd tests/web && npm ci --no-audit --no-fund --ignore-scripts)
# Every test file by its name (node 21 and later read a folder given to --test as a
# pattern). The browser tests run in Chromium, Firefox and WebKitGTK each, or in those
# PONDERINO_MOTORI names; their screenshots go to $build/confronto-web/.
PONDERINO_WEB="$web" PONDERINO_PARITA="$build/tests/web/ponderino_parita" PONDERINO_BUILD="$build" \
  node --test tests/web/*.test.mjs
echo "make web: $(( $(date +%s) - inizio )) s; $web is $(find "$web" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.1f", s / 1024 }') KB: open $web/index.html"
