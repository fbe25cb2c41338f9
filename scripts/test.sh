#!/usr/bin/env bash
# Sets up everything and runs every test: the ordinary build with all tests, then the core
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for
# a bounded time. Exits non-zero on any failure.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

step() { printf '\n==== %s\n' "$*"; }

step "setup"
bash "$root/scripts/setup.sh"

step "build"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$jobs"

# Everything started below is stopped again at the end, whatever happens.
pgdir=$(mktemp -d)
mariadir=$(mktemp -d)
cupsdir=$(mktemp -d)
cleanup() {
  bash "$root/scripts/cups.sh" stop "$cupsdir" >/dev/null 2>&1 || true
  bash "$root/scripts/mariadb-server.sh" stop "$mariadir" >/dev/null 2>&1 || true
  bash "$root/scripts/pg-server.sh" stop "$pgdir" >/dev/null 2>&1 || true
  rm -rf "$cupsdir" "$mariadir" "$pgdir"
}
trap cleanup EXIT

step "PostgreSQL server for the database tests"
bash "$root/scripts/pg-server.sh" start "$pgdir"
set -a
. "$pgdir/env"
set +a

step "MariaDB server for the database tests"
bash "$root/scripts/mariadb-server.sh" start "$mariadir"
set -a
. "$mariadir/env"
set +a

step "CUPS scheduler with a PDF queue for the printing test"
if [ "$(id -u)" -eq 0 ]; then
  if bash "$root/scripts/cups.sh" start "$cupsdir"; then
    set -a
    . "$cupsdir/env"
    set +a
  else
    echo "WARNING: the CUPS scheduler did not start (see above): test_graph_print_queue skips"
  fi
else
  echo "not root: no CUPS scheduler, so test_graph_print_queue skips"
fi

step "tests"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

step "sanitizer build (clang, ASan + UBSan) with fuzz targets"
CXX=clang++ cmake -S "$root" -B "$root/build-san" -DCMAKE_BUILD_TYPE=Debug -DORVELA_GUI=OFF \
    -DORVELA_SANITIZE=ON -DORVELA_FUZZ=ON -DORVELA_FUZZ_SECONDS="${ORVELA_FUZZ_SECONDS:-30}" >/dev/null
cmake --build "$root/build-san" -j "$jobs"

step "core tests under sanitizers, then the fuzz runs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$root/build-san" --output-on-failure -j "$jobs" -L 'core|fuzz'
