#!/usr/bin/env bash
# make web: Ponderino in the browser, a static folder build-web/ that works from disk
# (file://) and from any static web server, then its tests in Debian's chromium.
#   1. the host tools, built for this machine in build/: the window tables written out
#      as finestre.js, and the native side of the core parity test;
#   2. the calculation core compiled to WebAssembly with Debian's emscripten, embedded
#      with its glue in one script, ponderino-core.js;
#   3. the page (web/), the SVG drawings (disegni/) and Help.htm beside them;
#   4. npm ci in tests/web (puppeteer-core and axe-core as the lock file pins them),
#      then every tests/web/*.test.mjs with node's test runner.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${BUILD:-build}")
web=$(realpath -m "${WEB_BUILD:-build-web}")
inizio=$(date +%s)

bash scripts/deps.sh web

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target ponderino_finestre_js ponderino_parita -j "$(nproc)"

rm -rf "$web"
mkdir -p "$web/disegni"
"$build/ponderino_finestre_js" "$web/finestre.js"

# Debian's emscripten runs its JavaScript tools with the machine's node, which finds
# Debian's acorn only through NODE_PATH. No eval in the glue, so that the page's
# Content-Security-Policy needs no 'unsafe-eval'; no file system, which the page
# does not use; built for size (-Oz, the small allocator): a quarter smaller than -O2,
# and a method still takes well under a millisecond.
NODE_PATH=/usr/share/nodejs em++ -std=c++20 -Oz -fexceptions -ffp-contract=off -Wall -Wextra -Wpedantic -I. --bind \
  -s MALLOC=emmalloc -s MODULARIZE=1 -s EXPORT_NAME=PonderinoCore -s SINGLE_FILE=1 -s ENVIRONMENT=web,node \
  -s DYNAMIC_EXECUTION=0 -s FILESYSTEM=0 -s ALLOW_MEMORY_GROWTH=1 \
  core/web/nucleo.cpp core/misure.cpp core/metodi.cpp core/risultati.cpp core/notazione_c.cpp \
  core/sostituisci_posix.cpp report/riepilogo.cpp -o "$web/ponderino-core.js"

cp web/* "$web/"
cp assets/*.svg "$web/disegni/"
cp assets/Help.htm "$web/"

(cd tests/web && npm ci --no-audit --no-fund --ignore-scripts)
PONDERINO_WEB="$web" PONDERINO_PARITA="$build/tests/web/ponderino_parita" PONDERINO_BUILD="$build" \
  node --test tests/web/
# The size of what a static host serves: the side-by-side screenshots are not part of it.
echo "make web: $(( $(date +%s) - inizio )) s; $web is $(du -sk --apparent-size --exclude=confronto "$web" | cut -f1) KB: open $web/index.html"
