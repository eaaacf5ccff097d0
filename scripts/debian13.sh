#!/usr/bin/env bash
# The README's test command on a real Debian 13 (trixie) userland: a root made with
# debootstrap from Debian's archive, with its own compiler, Qt and tools. The sources
# are copied into the superuser's home there (mode 0700, as on a fresh machine) and
# `make test` runs on them; then the .deb built on this machine is installed there
# with apt-get and its program must show its window under a private Xvfb.
#
# The root is kept between runs in ${XDG_CACHE_HOME:-~/.cache}/ponderino/debian13 (its
# packages are brought up to date each time); a machine without one makes it anew.
# /proc, /sys and /dev are mounted only while a command runs there, and only for it.
set -euo pipefail
cd "$(dirname "$0")/.."
sorgenti=$PWD
BUILD=${BUILD:-build}

SUDO=(); [ "$(id -u)" -eq 0 ] || SUDO=(sudo)
dpkg-query -W -f='${Status}' debootstrap 2>/dev/null | grep -q "install ok installed" || {
  "${SUDO[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends debootstrap
}

radice=${XDG_CACHE_HOME:-$HOME/.cache}/ponderino/debian13
inizio=$(date +%s)
if [ ! -f "$radice/.completo" ]; then
  echo "Debian 13: making its root with debootstrap in $radice"
  "${SUDO[@]}" rm -rf "$radice"
  mkdir -p "$(dirname "$radice")"
  "${SUDO[@]}" debootstrap --variant=minbase --include=make,ca-certificates \
    trixie "$radice" http://deb.debian.org/debian > "$radice.log" 2>&1 || {
      tail -n 30 "$radice.log"; exit 1; }
  printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: trixie trixie-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\nTypes: deb\nURIs: http://deb.debian.org/debian-security\nSuites: trixie-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    | "${SUDO[@]}" tee "$radice/etc/apt/sources.list.d/debian.sources" >/dev/null
  "${SUDO[@]}" rm -f "$radice/etc/apt/sources.list"
  "${SUDO[@]}" touch "$radice/.completo"
  echo "Debian 13: root made in $(( $(date +%s) - inizio )) s"
fi

# This machine's way out: its name servers, and the certificate authorities it added
# (a proxy's), which apt and npm in the root need as much as here.
"${SUDO[@]}" cp -L /etc/resolv.conf "$radice/etc/resolv.conf"
if ls /usr/local/share/ca-certificates/*.crt >/dev/null 2>&1; then
  "${SUDO[@]}" cp /usr/local/share/ca-certificates/*.crt "$radice/usr/local/share/ca-certificates/"
  "${SUDO[@]}" chroot "$radice" update-ca-certificates >/dev/null
fi
"${SUDO[@]}" mkdir -p "$radice/.radice-esterna"

# dentro COMMAND...: runs COMMAND in the root, as the root's own system: in a mount
# namespace of its own, the root bind-mounted and made "/" with pivot_root (not a
# chroot, in which the kernel refuses the user namespaces the tests make), /proc,
# /sys and /dev mounted in it. The mounts live only in that namespace, so they are
# gone when the command ends, however it ends.
dentro() {
  "${SUDO[@]}" unshare --mount --propagation private -- bash -euc '
    r=$1; shift
    mount --bind "$r" "$r"
    mount -t proc proc "$r/proc"
    mount --rbind /sys "$r/sys"
    mount --rbind /dev "$r/dev"
    cd "$r"
    pivot_root . .radice-esterna
    umount -l /.radice-esterna
    cd /
    exec /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"' _ "$radice" "$@"
}

# The sources as a newcomer has them: a copy in the superuser's home, no build folder.
"${SUDO[@]}" rm -rf "$radice/root/ponderino"
"${SUDO[@]}" install -d -m 0700 "$radice/root"
tar -C "$sorgenti" --exclude='./build*' --exclude='./web/node_modules' -cf - . \
  | "${SUDO[@]}" tar -C "$radice/root" --one-top-level=ponderino -xf -
dentro bash -c 'apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get upgrade -y -q >/dev/null'

echo "Debian 13: make test"
passo=$(date +%s)
dentro bash -c 'cd /root/ponderino && make test'
echo "Debian 13: make test took $(( $(date +%s) - passo )) s"

# The package built on Debian 12 installs with apt-get and starts here.
pacchetto=$(ls "$sorgenti/$BUILD"/pacchetto/ponderino_*.deb 2>/dev/null | head -n 1 || true)
if [ -n "$pacchetto" ]; then
  "${SUDO[@]}" cp "$pacchetto" "$radice/tmp/"
  dentro bash -c "DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/$(basename "$pacchetto") >/dev/null"
  dentro /root/ponderino/tests/x_privato.sh bash -c '. /root/ponderino/tests/install/comune.sh; richiede_schermo
    cartella=$(avvia /usr/bin/ponderino-avvia HOME=/root); [[ $cartella == /* ]] || { echo "$cartella"; exit 1; }'
  echo "Debian 13: the Debian 12 package installs and shows its window"
fi
echo "Debian 13: stage done in $(( $(date +%s) - inizio )) s"
