#!/usr/bin/env bash
# Takes screenshots of the running program under Xvfb.
#   scripts/screenshot.sh OUT_PREFIX [orvela arguments...]
# writes OUT_PREFIX-live.png (the "Live Data" tab) and OUT_PREFIX-graph.png (the "Graph Data"
# tab, with the first graph's cursor read-out switched on), each the main window alone (the whole
# screen when no main window shows). ORVELA_BIN names the program (build/src/orvela by default);
# SCREENSHOT_WAIT the seconds to let it load before the first picture (5 by default).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:?usage: screenshot.sh OUT_PREFIX [orvela arguments...]}
shift
bin=${ORVELA_BIN:-$root/build/src/orvela}
wait_s=${SCREENSHOT_WAIT:-5}

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# The program ends before the display it draws on.
stop() {
  if [ -n "${app:-}" ]; then kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; fi
  kill "$xvfb" 2>/dev/null || true
}
trap stop EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$bin" "$@" &
app=$!
sleep "$wait_s"

# Answer any message box the start showed (it has the focus), so the main window is on top.
# Return on the main window itself does nothing.
for _ in 1 2 3; do
  xdotool key Return 2>/dev/null || true
  sleep 0.7
done

main=$(xdotool search --onlyvisible --class orvela 2>/dev/null | tail -n1 || true)
import -window "${main:-root}" "$out-live.png"
if [ -n "$main" ]; then
  # The "Graph Data" tab sits right of "Live Data", just below the menu bar.
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 112)) $((Y + 36)) click 1 2>/dev/null || true
  sleep 1
  # The first graph's cursor: its toggle picture in the chart's top right corner, then two
  # moves over the plot (the first one switches snapping on, the second writes the read-out).
  xdotool mousemove $((X + 424)) $((Y + 96)) click 1 2>/dev/null || true
  sleep 0.5
  xdotool mousemove $((X + 240)) $((Y + 214)) 2>/dev/null || true
  sleep 0.5
  xdotool mousemove $((X + 252)) $((Y + 214)) 2>/dev/null || true
  sleep 1
fi
import -window "${main:-root}" "$out-graph.png"
echo "$out-live.png $out-graph.png"
