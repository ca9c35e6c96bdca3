#!/usr/bin/env bash
# Catalogue benchmark (not part of the tests): LoadCatalogue for 1,000,
# 10,000 and 50,000 lines from the development server under Wine, beside
# the platform-free parser alone on the same text.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$root/scripts/setup.sh"
build_windows
dir=$(runnable_windows_build)
start_virtual_display
"$root/$dir/wine-run.sh" "$(cd "$root/$dir/bench" && pwd)/bench_catalogue.exe"
