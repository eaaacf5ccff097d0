#!/usr/bin/env bash
# A private CUPS server for the printing tests, apart from the system's own.
#
#   cups-privato.sh start DIR [PID]
#                               starts cupsd with its configuration, spool, logs
#                               and socket inside DIR, adds the queue
#                               "ponderino-test" (a file: device writing
#                               DIR/uscita/job.pdf) and makes it the default.
#                               Prints the socket path; clients reach the server
#                               with CUPS_SERVER=<that path>. With PID, the
#                               server is also stopped once that process ends,
#                               so a crashed test leaves nothing running.
#   cups-privato.sh stop DIR    stops that cupsd (only the one whose pid it
#                               wrote in DIR) and waits for it to end.
#   cups-privato.sh stampato DIR
#                               whether the queue has printed, for a test to ask
#                               until it has: nothing queued, and job.pdf not empty
#                               and as large as at the previous ask (cupsd writes
#                               it in pieces). Exit status 0 or 1.
#
# It runs for any user, as CUPS's own test suite runs it: started by an
# ordinary user, cupsd and its filters run as that user; started by root, cupsd
# hands the filters to user lp, as it will not run them as root.
#
# Exit status 77 means this machine cannot run it (cupsd, lpadmin, lpstat or
# pdftopdf missing); the reason is on standard error.
set -euo pipefail

comando=${1:-}
dir=${2:-}
sorvegliato=${3:-}
if [ -z "$comando" ] || [ -z "$dir" ]; then
  echo "uso: $0 start|stop|stampato DIR" >&2
  exit 2
fi

coda=ponderino-test

ferma() {
  local pidfile="$dir/cupsd.pid"
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      kill -KILL "$pid" 2>/dev/null || true
    fi
  fi
  rm -f "$pidfile"
}

case "$comando" in
  stop)
    ferma
    exit 0
    ;;
  stampato)
    [ -z "$(CUPS_SERVER="$dir/cups.sock" lpstat -o 2>&1)" ] || exit 1
    dimensione=$(stat -c %s "$dir/uscita/job.pdf" 2>/dev/null || echo 0)
    prima=$(cat "$dir/uscita/dimensione" 2>/dev/null || echo -1)
    echo "$dimensione" >"$dir/uscita/dimensione"
    [ "$dimensione" -gt 0 ] && [ "$dimensione" = "$prima" ]
    exit
    ;;
  start)
    ;;
  *)
    echo "comando sconosciuto: $comando" >&2
    exit 2
    ;;
esac

for programma in /usr/sbin/cupsd /usr/sbin/lpadmin lpstat; do
  if ! command -v "$programma" >/dev/null 2>&1; then
    echo "manca $programma (pacchetti cups-daemon e cups-client)" >&2
    exit 77
  fi
done
if [ ! -x /usr/lib/cups/filter/pdftopdf ]; then
  echo "manca il filtro pdftopdf (pacchetto cups-filters)" >&2
  exit 77
fi

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
ferma

utente=$(id -un)
gruppo=$(id -gn)
if [ "$(id -u)" -eq 0 ]; then
  utente=lp
  gruppo=lp
  # The filters run as user lp: every folder on the way to the output file must
  # be reachable by it, and the output folder writable.
  p="$dir"
  while [ "$p" != "/" ]; do
    case "$p" in
      /tmp/*) chmod o+x "$p" 2>/dev/null || true ;;
    esac
    p=$(dirname "$p")
  done
fi

mkdir -p "$dir/conf/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/stato" "$dir/log" "$dir/uscita"
chmod 0755 "$dir" "$dir/conf" "$dir/conf/ppd"
chmod 0710 "$dir/spool"
[ "$(id -u)" -ne 0 ] || chown root:lp "$dir/spool" "$dir/cache" "$dir/stato"
chmod 1777 "$dir/spool/tmp" "$dir/uscita"
chmod 0775 "$dir/cache" "$dir/stato"

socket="$dir/cups.sock"

cat >"$dir/conf/cupsd.conf" <<EOF
LogLevel warn
Listen $socket
Browsing No
BrowseLocalProtocols none
DefaultAuthType None
WebInterface No
MaxJobs 100
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

cat >"$dir/conf/cups-files.conf" <<EOF
FileDevice Yes
ServerRoot $dir/conf
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/stato
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
SystemGroup $(id -gn)
User $utente
Group $gruppo
EOF

# A PDF printer that passes the document on as it comes from pdftopdf, so the
# printed file keeps the fonts and the text the program put in it.
cat >"$dir/test.ppd" <<'EOF'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "PONDTEST.PPD"
*Manufacturer: "Ponderino"
*Product: "(Ponderino test)"
*ModelName: "Ponderino test PDF"
*ShortNickName: "Ponderino test PDF"
*NickName: "Ponderino test PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Page Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Page Region: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
EOF

/usr/sbin/cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" \
  </dev/null >"$dir/log/cupsd.out" 2>&1 &
pid=$!
echo "$pid" >"$dir/cupsd.pid"

export CUPS_SERVER="$socket"
pronto=0
for _ in $(seq 1 100); do
  if ! kill -0 "$pid" 2>/dev/null; then
    break
  fi
  if [ -S "$socket" ] && lpstat -r >/dev/null 2>&1; then
    pronto=1
    break
  fi
  sleep 0.1
done
if [ "$pronto" -ne 1 ]; then
  echo "cupsd non parte:" >&2
  cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null >&2 || true
  ferma
  exit 1
fi

if [ -n "$sorvegliato" ]; then
  (
    while kill -0 "$pid" 2>/dev/null; do
      if ! kill -0 "$sorvegliato" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        break
      fi
      sleep 1
    done
  ) </dev/null >/dev/null 2>&1 &
fi

/usr/sbin/lpadmin -p "$coda" -E -v "file:$dir/uscita/job.pdf" -P "$dir/test.ppd"
/usr/sbin/lpadmin -d "$coda"
echo "$socket"
