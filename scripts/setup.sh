#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Orvela needs.
# Meant for root on a fresh Debian 12; quiet and quick when everything is there already.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config git ca-certificates clang-format
  # GUI toolkit, printing, plots and gauges
  qtbase5-dev libqt5svg5-dev libqwt-qt5-dev
  # database access and the engines used by the demo and the tests
  libqt5sql5-odbc unixodbc unixodbc-dev libsqliteodbc sqlite3
  postgresql odbc-postgresql
  mariadb-server odbc-mariadb
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # seeing the GUI, independent checks
  xvfb xauth x11-utils xdotool imagemagick python3 locales
  # stopping a process at a chosen system call in the save tests
  strace
  # checking the desktop entry of the package
  desktop-file-utils
  # a real printer queue in tests
  cups printer-driver-cups-pdf poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Tests run under a locale whose date separator is not "/"; make sure one exists.
if command -v locale >/dev/null && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  if [ "$(id -u)" -eq 0 ] && [ -f /etc/locale.gen ]; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null 2>&1 || true
  fi
fi
