#!/usr/bin/env bash
# HTTP benchmark (not part of the tests): a 50 MB body from a server on
# 127.0.0.1 read by HttpRequest and by a bare WinInet loop in one run under
# Wine, then by curl on the Linux side from the same server.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$root/scripts/setup.sh"
build_windows
dir=$(runnable_windows_build)
start_virtual_display
run="$root/$dir/wine-run.sh"
exe=$(cd "$root/$dir/bench" && pwd)/bench_http.exe

echo "== Wine: HttpRequest against a bare WinInet loop"
"$run" "$exe"

echo "== curl on the Linux side, same server"
work=$(mktemp -d)
"$run" "$exe" serve "Z:$work" &
server=$!
for _ in $(seq 300); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(tr -d '\r\n' <"$work/port")
for round in 1 2 3; do
  speed=$(curl -s -o /dev/null -w '%{speed_download}' "http://127.0.0.1:$port/")
  awk -v r="$round" -v s="$speed" 'BEGIN { printf "curl round %d: %.1f MB/s\n", r, s / 1e6 }'
done
touch "$work/stop"
wait "$server" || true
rm -rf "$work"
