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
  appstream desktop-file-utils dpkg-dev file
)

mancanti=()
for p in "${pacchetti[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    mancanti+=("$p")
  fi
done

if [ ${#mancanti[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${mancanti[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
else
  SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends "${mancanti[@]}"
