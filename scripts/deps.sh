#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Ponderino need,
# but only those that are missing. Uses sudo when not run as root.
set -euo pipefail

pacchetti=(
  build-essential cmake pkg-config git python3
  qt6-base-dev qt6-svg-dev libgl-dev fonts-liberation
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  xvfb xdotool x11-utils imagemagick poppler-utils
  cups-daemon cups-client cups-filters
  appstream desktop-file-utils dpkg-dev file lintian
  dbus at-spi2-core python3-pyatspi
)
# The Windows build (make windows): the mingw-w64 cross compiler, Wine to run its
# tests, NSIS for the installer, and the glibc locales Wine takes its regional
# settings from.
if [ "${1:-}" = windows ]; then
  pacchetti+=(g++-mingw-w64-x86-64-posix ninja-build wine wine64 nsis locales)
fi
# The web edition (make web): the WebAssembly compiler and the three browsers its
# tests drive (WebKitGTK's through its WebDriver, in Xvfb; locales for the languages
# the machine has not generated); npm (with node) only where no node and npm are there
# already, whatever package brought them.
if [ "${1:-}" = web ]; then
  pacchetti+=(emscripten esbuild bc pngquant chromium firefox-esr webkit2gtk-driver xvfb locales)
  command -v node >/dev/null && command -v npm >/dev/null || pacchetti+=(nodejs npm)
fi

mancanti=()
for p in "${pacchetti[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    mancanti+=("$p")
  fi
done

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)
if [ ${#mancanti[@]} -gt 0 ]; then
  echo "Installing missing packages: ${mancanti[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -q
  "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${mancanti[@]}"
fi

if [ "${1:-}" = windows ]; then
  for l in it_IT en_US; do
    if ! locale -a 2>/dev/null | grep -qx "$l.utf8"; then
      echo "Generating the $l.UTF-8 locale"
      "${SUDO[@]}" sed -i "s/^# *\($l.UTF-8 UTF-8\)/\1/" /etc/locale.gen
      grep -qx "$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
      "${SUDO[@]}" locale-gen >/dev/null
    fi
  done
fi
