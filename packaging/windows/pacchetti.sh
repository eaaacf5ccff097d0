#!/usr/bin/env bash
# The Windows packages of a built tree, beside each other in it: the installer
# ponderino-<version>-win64.exe, the portable ZIP ponderino-<version>-win64-portatile.zip
# (the same files, in one folder), SHA256SUMS for both, and BUILDINFO (what their bytes
# depend on besides the sources). Two builds of one commit
# give the same bytes (SOURCE_DATE_EPOCH, the last commit's time).
#   pacchetti.sh BUILD_DIR
set -euo pipefail
b=$1
versione=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$b/CMakeCache.txt")
nome=ponderino-$versione-win64
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(cat "$b/SOURCE_DATE_EPOCH")}

rm -rf "$b/portatile"
cmake --install "$b" --prefix "$b/portatile/$nome-portatile" --strip >/dev/null
python3 "$(dirname "$0")/zip_portatile.py" "$b/portatile/$nome-portatile" "$b/$nome-portatile.zip"
(umask 022 && cpack --config "$b/CPackConfig.cmake" -B "$b") >"$b/cpack.log" 2>&1 || { cat "$b/cpack.log" >&2; exit 1; }
(cd "$b" && sha256sum "$nome.exe" "$nome-portatile.zip" >SHA256SUMS)
. "$(dirname "$0")/../../scripts/riproducibile.sh"
# Everything that writes or links the shipped bytes: Qt (its source, built by
# scripts/qt-windows.sh, and the host's, whose Svg draws the pictures and whose zlib
# packs them), the compilers and the binutils, the build tools, NSIS, the fonts, and
# Python's zlib for the ZIP.
scrivi_buildinfo "$b/BUILDINFO" qt6-base-dev libqt6svg6 g++-mingw-w64-x86-64-posix gcc-mingw-w64-base \
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 "g++-$(g++ -dumpversion | cut -d. -f1)" binutils \
  cmake ninja-build nsis fonts-liberation python3 zlib1g
echo "qt6-base source: $(dpkg-query -W -f='${source:Version}' qt6-base-dev) (built by scripts/qt-windows.sh)" >>"$b/BUILDINFO"
echo "Pacchetti in $b (sha256sum -c SHA256SUMS):"; cat "$b/SHA256SUMS"
