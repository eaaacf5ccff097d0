#!/usr/bin/env bash
# Builds Qt for 64-bit Windows once per machine: a static cross build of Debian's own
# qt6-base source (the version the Linux build uses) with mingw-w64, installed into
# a cache outside the clone. Prints the install prefix on its last line.
#
# The cache is keyed by the Qt version, the configure flags and the toolchain file,
# so a later run (CI, another session, another clone) finds it and returns at once.
# The first build takes about 45 minutes on 2 cores and needs about 6 GB of disk
# while it runs; what stays in the cache is about 110 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
radice=$PWD

bash scripts/deps.sh windows >&2

versione=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
toolchain=$radice/packaging/windows/mingw-w64.cmake
flags=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_icu=OFF
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
)
# No path of this machine goes into the libraries, and so into ponderino.exe: Qt's own
# prefix is a fixed one (the files are installed under it into the cache with DESTDIR),
# and the source and build folders are mapped to short relative names.
prefissoFisso=/ponderino-qt
mappe="-ffile-prefix-map=@sorgente@=qtbase -ffile-prefix-map=@build@=build"
# The compiler's version is part of the key: a new mingw-w64 builds Qt anew.
compilatore=$(x86_64-w64-mingw32-g++-posix --version | head -n 1)
chiave=$(printf '%s\n' "$versione" "${flags[@]}" "$prefissoFisso" "$mappe" "$compilatore" | cat - "$toolchain" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/ponderino
prefisso=$cache/qt-${versione%%+*}-mingw-$chiave

if [ -f "$prefisso/.completo" ]; then
  echo "$prefisso"
  exit 0
fi

inizio=$(date +%s)
echo "Qt $versione for Windows is not in the cache yet: building it once into" >&2
echo "  $prefisso" >&2
echo "This takes about 45 minutes on 2 cores; later runs reuse it." >&2

# Debian's source packages: a deb-src entry for every suite this machine already uses.
if ! apt-get source --print-uris -q "qt6-base=$versione" >/dev/null 2>&1; then
  sorgenti=/etc/apt/sources.list.d/ponderino-deb-src.sources
  SUDO=(); [ "$(id -u)" -eq 0 ] || SUDO=(sudo)
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$sorgenti" ] || continue
      sed -e 's/^Types:.*/Types: deb-src/' "$f"
      echo
    done
    if [ -f /etc/apt/sources.list ]; then
      grep -E '^deb ' /etc/apt/sources.list | while read -r _ resto; do
        # One-line entries: URI, suite and components, as a deb822 paragraph.
        set -- $resto
        case $1 in \[*) shift ;; esac
        uri=$1 suite=$2; shift 2
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n\n' "$uri" "$suite" "$*"
      done
    fi
  } | "${SUDO[@]}" tee "$sorgenti" >/dev/null
  "${SUDO[@]}" apt-get update -q >&2
fi

lavoro=$cache/lavoro-$chiave
rm -rf "$lavoro"
mkdir -p "$lavoro"
(cd "$lavoro" && apt-get source -q "qt6-base=$versione" >&2)
sorgente=$(find "$lavoro" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)

mappe=${mappe//@sorgente@/$sorgente}
mappe=${mappe//@build@/$lavoro/build}
cmake -S "$sorgente" -B "$lavoro/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefissoFisso" \
  -DCMAKE_C_FLAGS="$mappe" -DCMAKE_CXX_FLAGS="$mappe" \
  "${flags[@]}" > "$lavoro/configure.log" 2>&1 || {
    tail -n 40 "$lavoro/configure.log" >&2; exit 1; }

# Ninja's own "[done/total]" lines, thinned out to one every few percent.
set +e
ninja -C "$lavoro/build" all 2>&1 | tee "$lavoro/build.log" | {
  ultimo=-5
  while read -r primo _; do
    [[ $primo =~ ^\[([0-9]+)/([0-9]+)\]$ ]] || continue
    p=$(( 100 * BASH_REMATCH[1] / BASH_REMATCH[2] ))
    if [ "$p" -ge $((ultimo + 5)) ]; then
      ultimo=$p
      echo "Qt for Windows: $p% (${BASH_REMATCH[1]}/${BASH_REMATCH[2]}), $(( ($(date +%s) - inizio) / 60 )) min" >&2
    fi
  done
}
esito=${PIPESTATUS[0]}
set -e
if [ "$esito" -ne 0 ]; then
  grep -E -B2 -A20 'FAILED|error:' "$lavoro/build.log" | head -n 60 >&2
  exit 1
fi
DESTDIR="$lavoro/installato" cmake --install "$lavoro/build" > "$lavoro/install.log" 2>&1
rm -rf "$prefisso"
mv "$lavoro/installato$prefissoFisso" "$prefisso"
touch "$prefisso/.completo"
rm -rf "$lavoro"
echo "Qt for Windows built in $(( ($(date +%s) - inizio) / 60 )) minutes." >&2
echo "$prefisso"
