#!/usr/bin/env bash
# Installs what is missing, builds Tarvex and starts it in a demo folder (the
# program sits beside the files it works on, as in the card-issuing client's
# folder). Without a display it runs in a virtual X server, saves a screenshot of
# the main window, closes it and says where the picture is.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
build="$here/build/release"
bash "$here/scripts/build.sh" "$build" >/dev/null
echo "run: built $build/bin/Tarvex"

demo="$here/demo"
mkdir -p "$demo"
cp -f "$build/bin/Tarvex" "$demo/Tarvex"
if [ ! -f "$demo/Client.mdb" ]; then
  "$build/bin/tarvex-jet" create-sample "$demo/Client.mdb" >/dev/null
  echo "run: made a sample $demo/Client.mdb"
fi
echo "run: starting $demo/Tarvex"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cd "$demo" && exec ./Tarvex
fi

echo "run: no display here; starting Tarvex in a virtual X server to take a screenshot"
shot="$here/build/screenshots/main-window.png"
mkdir -p "$(dirname "$shot")"
xvfb-run -a -s "-screen 0 1024x768x24" bash "$here/scripts/screenshot-main-window.sh" "$demo/Tarvex" "$shot"
echo "run: screenshot of the main window: $shot"
