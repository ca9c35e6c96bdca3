#!/usr/bin/env bash
# Runs every test: the platform-free core natively under AddressSanitizer and
# UBSan, a short fuzz run, the checks of the shipped 32-bit programs, and the
# Windows tests under Wine on a private virtual display.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$root/scripts/setup.sh"

passed=0
failed=0
run_ctest() {
  local dir=$1 log
  log=$(mktemp)
  echo "== $dir"
  (cd "$root/$dir" && ctest --output-on-failure --timeout 300) 2>&1 | tee "$log" | grep -vE '^ +Start|Test +#.*Passed' || true
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -1 || true)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
  else
    local total fails
    fails=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + total - fails))
    failed=$((failed + fails))
  fi
  rm -f "$log"
}

mkdir -p "$root/build"
build build/native -DCMAKE_BUILD_TYPE=Debug
run_ctest build/native

build build/fuzz -DKELVANE_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
run_ctest build/fuzz

build_windows
start_virtual_display
run_ctest build/win32
can_run_32bit || run_ctest build/win64

echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
