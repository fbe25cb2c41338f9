#!/usr/bin/env bash
# Shows Orvela at work on a built-in demo station: sets up the machine, builds, creates the demo
# station database (build/demo, remade when it is more than a day old), plays the data-collection
# system in the background while the program runs, and starts the program connected to it.
# A configuration "Orvela.ovf" beside the program is written only when there is none.
# Arguments are handed to the program.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build
demo=$build/demo
admin=$build/tools/orvela-admin/orvela-admin
program=$build/src/orvela

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target orvela orvela-admin

stamp=$demo/created
if [ ! -f "$demo/stations.db" ] || [ ! -f "$stamp" ] || [ -n "$(find "$stamp" -mmin +1440)" ]; then
  "$admin" demo "$demo" --config-dir "$(dirname "$program")"
  touch "$stamp"
fi

# The program and the feed find the demo's data source here.
export ODBCSYSINI=$demo
"$admin" feed OrvelaDemo demo demo >"$demo/feed.log" 2>&1 &
feed=$!
trap 'kill "$feed" 2>/dev/null || true; wait "$feed" 2>/dev/null || true' EXIT

"$program" "$@"
