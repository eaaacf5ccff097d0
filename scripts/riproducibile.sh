# What makes a package reproducible anywhere, for the scripts that build packages
# (sourced by scripts/windows.sh, scripts/web.sh and tests/install/deb.sh).

# BUILDINFO: what the bytes of the packages beside it depend on, besides the sources:
# the commit (PONDERINO_COMMIT, for a copy of the sources outside git), and the Debian versions of the named packages (dpkg-query), then Python's
# zlib, which compresses the ZIP files.
#   scrivi_buildinfo OUT PACKAGE...
scrivi_buildinfo() {
    local out=$1 p
    shift
    {
        echo "commit: ${PONDERINO_COMMIT:-$(git -C "$(dirname "${BASH_SOURCE[0]}")/.." rev-parse HEAD)}"
        for p in "$@"; do
            echo "$p: $(dpkg-query -W -f='${Version}' "$p" 2>/dev/null || echo assente)"
        done
        echo "python3 zlib: $(python3 -c 'import zlib; print(zlib.ZLIB_RUNTIME_VERSION)')"
    } >"$out"
}

# Fails, naming the file and the path, when a shipped file carries a path of the build
# machine: the home folder, a .cache folder, the source or a build folder. Give it
# the files as they are shipped inside their packages (unpacked), not the packages:
# what is compressed there cannot be read from outside. A file that is not there fails.
#   senza_percorsi SOURCE_DIR BUILD_DIR FILE...
senza_percorsi() {
    local sorgente=$1 build=$2 f trovati
    shift 2
    for f in "$@"; do
        [ -f "$f" ] || { echo "senza_percorsi: manca $f" >&2; return 1; }
        # A compressed file (a man page, a changelog) is looked at inside.
        case $f in
            *.gz) trovati=$(gzip -dc "$f" | strings -a -n 6) ;;
            *) trovati=$(strings -a -n 6 "$f") ;;
        esac
        trovati=$(echo "$trovati" | grep -F -e "$HOME/" -e "/.cache/" -e "$sorgente/" -e "$build/" | head -n 3 || true)
        if [ -n "$trovati" ]; then
            echo "$f porta percorsi di questa macchina:" >&2
            echo "$trovati" >&2
            return 1
        fi
    done
}
