#!/usr/bin/env bash
# Installs the Debian packages Ponderino needs, but only those that are missing. Uses
# sudo when not run as root. With no argument: what building and running the program
# need (make run); "test": the test tools too (make test); "windows" and "web": what
# those builds and their tests need. Works on Debian 12 and Debian 13.
set -euo pipefail

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)
aggiornato=
aggiorna() {
  [ -n "$aggiornato" ] && return
  "${SUDO[@]}" apt-get update -q
  aggiornato=1
}

pacchetti=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev fonts-liberation
)
if [ -n "${1:-}" ]; then  # test, windows, web: their tests need these too
  pacchetti+=(
    git python3 libgtest-dev libgmock-dev
    xvfb xdotool x11-utils imagemagick poppler-utils
    cups-daemon cups-client cups-filters
    appstream desktop-file-utils dpkg-dev file lintian
    dbus at-spi2-core python3-pyatspi
  )
  # The fuzzers: the newest clang-N this release offers with its libFuzzer runtime
  # (libclang-rt-N-dev), as apt knows them; fuzz/CMakeLists.txt takes the same one.
  versioni() {
    apt-cache search --names-only '^libclang-rt-[0-9]+-dev$' 2>/dev/null |
      sed -n 's/^libclang-rt-\([0-9]*\)-dev .*/\1/p' | sort -n
  }
  [ -n "$(versioni)" ] || aggiorna
  for n in $(versioni | sort -rn); do
    if apt-cache show "clang-$n" >/dev/null 2>&1; then
      pacchetti+=("clang-$n" "libclang-rt-$n-dev")
      break
    fi
  done
fi
# The Windows build (make windows): the mingw-w64 cross compiler, Wine to run its
# tests, NSIS for the installer, and the glibc locales Wine takes its regional
# settings from.
if [ "${1:-}" = windows ]; then
  pacchetti+=(g++-mingw-w64-x86-64-posix ninja-build wine wine64 nsis locales p7zip-full unzip)
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

if [ ${#mancanti[@]} -gt 0 ]; then
  echo "Installing missing packages: ${mancanti[*]}"
  export DEBIAN_FRONTEND=noninteractive
  aggiorna
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
