# Shared by the project's scripts: builds and the virtual display.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Some kernels here run no 32-bit code at all; Wine then runs the 64-bit
# build of the same sources, and the 32-bit programs are only checked.
can_run_32bit() { /lib/ld-linux.so.2 --help >/dev/null 2>&1; }

# build DIR [cmake options...]: configure once, then build.
build() {
  local dir=$1
  shift
  mkdir -p "$(dirname "$root/$dir")"
  if [ ! -f "$root/$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$root/$dir" "$@" >"$root/$dir.configure.log" 2>&1 ||
      { cat "$root/$dir.configure.log"; return 1; }
  fi
  cmake --build "$root/$dir" -j"$jobs" -- --no-print-directory >"$root/$dir.build.log" 2>&1 ||
    { grep -E 'error|Error' -A3 "$root/$dir.build.log" | head -60; return 1; }
}

build_windows() {
  mkdir -p "$root/build"
  local tests32=OFF
  can_run_32bit && tests32=ON
  build build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKELVANE_RUN_WINDOWS_TESTS=$tests32
  can_run_32bit || build build/win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
}

# The Windows build whose programs Wine can run on this machine.
runnable_windows_build() { if can_run_32bit; then echo build/win32; else echo build/win64; fi; }

# Starts a private Xvfb, exports DISPLAY, and stops it (and Wine) on exit.
start_virtual_display() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
  trap stop_virtual_display EXIT
}

stop_virtual_display() {
  WINEPREFIX="$root/.wine" wineserver -k 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
