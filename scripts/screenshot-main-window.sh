#!/usr/bin/env bash
# screenshot-main-window.sh PROGRAM PNG: inside an X server, starts PROGRAM under a
# light window manager, photographs its main window and closes it by its frame.
set -euo pipefail
program=$1 shot=$2
openbox >/dev/null 2>&1 & wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
sleep 0.5
(cd "$(dirname "$program")" && exec "$program") 2>/dev/null & pid=$!
wid=
for _ in $(seq 50); do
  wid=$(xdotool search --name '^ToolFrm$' 2>/dev/null | head -n 1) && [ -n "$wid" ] && break
  if ! kill -0 $pid 2>/dev/null; then
    wait $pid && code=0 || code=$?
    echo "run: Tarvex ended before showing its window (exit code $code)"
    exit 0
  fi
  # A failed start-up shows only the run-time error box.
  if box=$(xdotool search --name '^Error$' 2>/dev/null | head -n 1) && [ -n "$box" ]; then
    sleep 0.5
    import -window root "$shot"
    xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
    xdotool key Return
    wait $pid && code=0 || code=$?
    echo "run: Tarvex could not start and showed its run-time error box (exit code $code)"
    exit 0
  fi
  sleep 0.2
done
sleep 0.8
import -window root -crop "$(xwininfo -id "$wid" -frame | awk '/Width:/{w=$2}/Height:/{h=$2}/Absolute upper-left X/{x=$4}/Absolute upper-left Y/{y=$4}END{print w+2"x"h+26"+"x-1"+"y-21}')" "$shot" 2>/dev/null \
  || import -window root "$shot"
xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
xdotool key alt+F4
wait $pid && code=0 || code=$?
echo "run: Tarvex closed with exit code $code"
