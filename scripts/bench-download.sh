#!/usr/bin/env bash
# The updater's download benchmark: a 200 MB file from the loopback server,
# read by curl on the Linux side and by the download facility under Wine
# (three parts and one stream), in the same run. Prints MB/s, the ratios
# and CPU time. Not part of the tests.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$root/scripts/setup.sh"
build_windows
dir=$root/$(runnable_windows_build)
size_mb=${SIZE_MB:-200}
rounds=${ROUNDS:-3}

# Files in memory where there is room: the disk is not what is measured.
work=$(mktemp -d -p "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp)")
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
  stop_virtual_display
}
trap cleanup EXIT
start_virtual_display
trap cleanup EXIT
mkdir -p "$work/www" "$work/out"
head -c $((size_mb * 1000000)) /dev/urandom >"$work/www/big.bin"
python3 "$root/tools/updater_test_server.py" --root "$work/www" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 50); do grep -q serving "$work/server.log" && break; sleep 0.1; done
url=$(sed -n 's/.* on \(http[^ ]*\)$/\1/p' "$work/server.log")big.bin
out="Z:${work//\//\\}\\out\\kelvane.exe"

best() { sort -g | tail -1; }
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
declare -A rates
add() { rates[$1]="${rates[$1]:-} $2"; }
for round in $(seq "$rounds"); do
  # curl twice: writing a file beside the facility's, and reading only.
  for target in "$work/out/curl.bin" /dev/null; do
    line=$( { /usr/bin/time -f "%U %S" curl -s -o "$target" -w '%{speed_download}\n' "$url"; } 2>&1 )
    rate=$(awk 'NR==1 {printf "%.0f", $1 / 1e6}' <<<"$line")
    cpu=$(awk 'NR==2 {printf "%.3f", $1 + $2}' <<<"$line")
    echo "round $round: curl -o $target: $rate MB/s, CPU $cpu s"
    add "curl $target" "$rate"
  done
  order="3 1"
  [ $((round % 2)) -eq 0 ] && order="1 3"  # alternate, so that neither always goes first
  for parts in $order; do
    line=$("$dir/wine-run.sh" "$dir/bench/updater/download_bench.exe" "$url" "$out" "$parts")
    echo "round $round: $line"
    add "facility $parts" "$(sed -E 's/.* = ([0-9]+) MB\/s.*/\1/' <<<"$line")"
    cmp -s "$work/www/big.bin" "$work/out/kelvane.exe" || { echo "bench: the downloaded file differs" >&2; exit 1; }
  done
done
for pick in best median; do
  b() { tr ' ' '\n' <<<"${rates[$1]}" | grep . | $pick; }
  cf=$(b "curl $work/out/curl.bin") cn=$(b "curl /dev/null") p=$(b "facility 3") o=$(b "facility 1")
  echo "$pick of $rounds (MB/s): curl to a file $cf, curl to /dev/null $cn, facility 3 parts $p, facility 1 stream $o"
  awk -v cf="$cf" -v cn="$cn" -v p="$p" -v o="$o" 'BEGIN {
    printf "  ratios: 3 parts / curl to a file = %.2f, 3 parts / curl to /dev/null = %.2f, 3 parts / 1 stream = %.2f\n", p / cf, p / cn, p / o }'
done
