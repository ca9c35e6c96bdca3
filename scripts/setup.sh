#!/usr/bin/env bash
# Installs everything building, testing and running need, and prepares the
# Wine prefix used by the tests. Safe to run again: each step checks first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${WINEPREFIX:-$root/.wine}

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "sudo"; fi; }
SUDO=$(need_root)

packages=(
  cmake make g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine32:i386 wine64 xvfb xauth x11-utils fonts-wqy-zenhei locales
  python3 python3-pil curl file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine mis-converts Chinese arguments without the real glibc locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

# A prefix for the tests: code page 936 comes from LC_ALL at run time;
# Managed=N avoids a 2 s stall on every hide without a window manager;
# the font replacements let GDI+ build "宋体" from the CJK font.
# A 64-bit prefix runs both 32- and 64-bit programs, and can be made on a
# kernel without 32-bit support.
if [ ! -f "$prefix/.kelvane-ready" ]; then
  echo "setup: preparing Wine prefix $prefix"
  rm -rf "$prefix"
  export WINEPREFIX=$prefix WINEDEBUG=-all
  wine64=/usr/lib/wine/wine64
  env -u DISPLAY WINEDLLOVERRIDES="mscoree,mshtml=" $wine64 wineboot -i >/dev/null 2>&1
  env -u DISPLAY $wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  for n in 宋体 SimSun 新宋体 NSimSun 微软雅黑 "Microsoft YaHei" Tahoma Arial; do
    env -u DISPLAY $wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$n" /d 'WenQuanYi Zen Hei' /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$prefix/.kelvane-ready"
fi

# In the test prefix, http and https addresses open in a recorder rather
# than a browser: "留言反馈" must never start one during tests.
recorder="/usr/bin/python3 $root/tools/shell_open_recorder.py \"%1\""
if [ "$(cat "$prefix/.kelvane-shell-open" 2>/dev/null)" != "$recorder" ]; then
  export WINEPREFIX=$prefix WINEDEBUG=-all
  for scheme in http https; do
    env -u DISPLAY /usr/lib/wine/wine64 reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "$recorder" /f >/dev/null 2>&1
    env -u DISPLAY /usr/lib/wine/wine64 reg delete "HKCR\\$scheme\\shell\\open\\ddeexec" /f >/dev/null 2>&1 || true
  done
  wineserver -w
  echo "$recorder" >"$prefix/.kelvane-shell-open"
fi
