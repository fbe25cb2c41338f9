#!/usr/bin/env bash
# A throwaway CUPS scheduler with one PDF queue for the printing tests, kept inside one folder.
#
#   cups.sh start DIR   writes a configuration of its own into DIR, starts a scheduler that
#                       listens only on the socket DIR/cups.sock, adds the queue OrvelaPDF (the
#                       PDF printer backend, which writes every job as a PDF file into DIR/pdf),
#                       makes it the default, and writes the facts to DIR/env
#   cups.sh stop DIR    stops that scheduler (quietly does nothing when it is not running)
#
# DIR/env holds shell assignments: CUPS_SERVER (the socket, so that every CUPS client, Qt's
# printer support among them, talks to this scheduler), ORVELA_TEST_PRINTER (the queue) and
# ORVELA_TEST_PDF_DIR (where the printed PDF files land).
#
# The scheduler needs root: it runs its filters as the "lp" account and the PDF backend as root.
# The PDF backend reads cups-pdf.conf from the scheduler's ServerRoot (the CUPS_SERVERROOT it is
# handed), so the output folder is set here and the system's /etc/cups is never touched.
set -euo pipefail

usage() {
  echo "usage: cups.sh start|stop DIR" >&2
  exit 2
}

[ $# -eq 2 ] || usage
command=$1
dir=$2
case "$command" in start | stop) ;; *) usage ;; esac

queue=OrvelaPDF

stop_scheduler() {
  local pidfile=$1/cupsd.pid
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$pidfile"
}

if [ "$command" = stop ]; then
  [ -d "$dir" ] && stop_scheduler "$(cd "$dir" && pwd)"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "cups: starting a scheduler needs root" >&2
  exit 1
fi
for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/lib/cups/backend/cups-pdf; do
  if [ ! -x "$tool" ]; then
    echo "cups: $tool is missing (packages cups and printer-driver-cups-pdf)" >&2
    exit 1
  fi
done
ppd=""
for candidate in /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd \
  /usr/share/ppd/cups-pdf/CUPS-PDF.ppd; do
  [ -f "$candidate" ] && ppd=$candidate && break
done
if [ -z "$ppd" ]; then
  echo "cups: no PPD file of the PDF printer found under /usr/share/ppd/cups-pdf" >&2
  exit 1
fi

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
stop_scheduler "$dir"
# The filters run as "lp": they must reach the spool below DIR.
chmod 755 "$dir"
mkdir -p "$dir/etc/ppd" "$dir/etc/ssl" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" \
  "$dir/pdf" "$dir/pdf-spool"
chown root:lp "$dir/spool" "$dir/cache" "$dir/state"
chmod 0710 "$dir/spool"
chmod 1770 "$dir/spool/tmp"
chown root:lp "$dir/spool/tmp"
chmod 0770 "$dir/cache" "$dir/state"
# Jobs may come from any account; each PDF is written as the job's owner.
chmod 1777 "$dir/pdf" "$dir/pdf-spool"
socket=$dir/cups.sock

cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
User lp
Group lp
SystemGroup root
FileDevice No
EOF

cat >"$dir/etc/cupsd.conf" <<EOF
LogLevel warn
Listen $socket
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
PreserveJobHistory No
PreserveJobFiles No
MaxLogSize 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

# The PDF backend: every job into DIR/pdf, named after the job's title, no user subfolders.
cat >"$dir/etc/cups-pdf.conf" <<EOF
Out $dir/pdf
AnonDirName $dir/pdf
Spool $dir/pdf-spool
Log $dir/log
LogType 3
UserUMask 0022
AnonUMask 0022
Grp lp
EOF

/usr/sbin/cupsd -t -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/check.log" 2>&1 || {
  cat "$dir/log/check.log" >&2
  exit 1
}

# The PDF backend reads its settings only from /etc/cups/cups-pdf.conf. The scheduler runs in a
# mount namespace of its own where that file is DIR's, so neither the system's printing nor its
# files see any of this. Without mount namespaces (a container without the capability) the
# backend keeps the system's settings: "Out ${HOME}/PDF", the home of the job's owner.
pdf_dir=$dir/pdf
private_conf=1
if ! unshare --mount --propagation private -- \
  mount --bind "$dir/etc/cups-pdf.conf" /etc/cups/cups-pdf.conf 2>/dev/null; then
  private_conf=0
  out=$(sed -n 's/^Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n 1)
  if [ "$out" != '${HOME}/PDF' ]; then
    echo "cups: no mount namespace, and /etc/cups/cups-pdf.conf writes to '$out'" >&2
    exit 1
  fi
  pdf_dir=$(getent passwd "${ORVELA_TEST_USER:-$(id -un)}" | cut -d: -f6)/PDF
  echo "cups: no private mount namespace; PDF files land in $pdf_dir" >&2
fi

# In the foreground, detached from this shell; unshare, sh and setsid all exec, so $! is the
# scheduler's own process id for the stop.
if [ "$private_conf" -eq 1 ]; then
  setsid unshare --mount --propagation private -- sh -c \
    'mount --bind "$0" /etc/cups/cups-pdf.conf && exec "$@"' "$dir/etc/cups-pdf.conf" \
    /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
else
  setsid /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
fi
echo $! >"$dir/cupsd.pid"

export CUPS_SERVER=$socket
ready=0
for _ in $(seq 1 100); do
  if [ -S "$socket" ] && lpstat -r >/dev/null 2>&1; then
    ready=1
    break
  fi
  sleep 0.1
done
if [ "$ready" -ne 1 ]; then
  echo "cups: the scheduler did not come up" >&2
  cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
  stop_scheduler "$dir"
  exit 1
fi

# -P with a PPD file is deprecated in CUPS 2.4 but still the one way to name this driver.
lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o printer-error-policy=abort-job \
  >"$dir/log/lpadmin.log" 2>&1 || {
  cat "$dir/log/lpadmin.log" >&2
  stop_scheduler "$dir"
  exit 1
}
lpadmin -d "$queue" >>"$dir/log/lpadmin.log" 2>&1

{
  printf 'CUPS_SERVER=%s\n' "$socket"
  printf 'ORVELA_TEST_PRINTER=%s\n' "$queue"
  printf 'ORVELA_TEST_PDF_DIR=%s\n' "$pdf_dir"
} >"$dir/env"
