#!/usr/bin/env bash
# Builds the programs and starts kelvane under Wine. Without a display it
# runs on a private virtual display, saves a screenshot and closes again;
# with one it stays open until the window is closed.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$root/scripts/setup.sh"
build_windows

dir=$(runnable_windows_build)
can_run_32bit || echo "run: this kernel runs no 32-bit code; starting the 64-bit build of the same sources"
mkdir -p "$root/out"
shot="$root/out/kelvane.png"
headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  start_virtual_display
fi
wine_run="$root/$dir/wine-run.sh"

# The development deployment the client is built for (port of its
# catalogue server, 8080 by default); headless runs bound its lifetime.
port=$(sed -n 's|^CATALOGUE_SERVER:STRING=http://127.0.0.1:\([0-9]*\).*|\1|p' "$root/$dir/CMakeCache.txt")
port=${port:-8080}
lifetime=0
[ "$headless" -eq 1 ] && lifetime=120
/usr/bin/python3 "$root/tools/devserver.py" --port "$port" --lifetime "$lifetime" &
server=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/_control/requests" && break; sleep 0.1; done
echo "run: development server on http://127.0.0.1:$port (steer it: curl 'http://127.0.0.1:$port/_control/set?version=1.4')"

"$wine_run" "$root/$dir/client/kelvane.exe" &
client=$!
"$wine_run" "$root/$dir/tools/screenshot.exe" " 在线举牌照" "Z:${shot//\//\\}" 15000
echo "run: screenshot saved to $shot"
if [ "$headless" -eq 1 ]; then
  kill "$client" 2>/dev/null || true
else
  wait "$client"
fi
kill "$server" 2>/dev/null || true
