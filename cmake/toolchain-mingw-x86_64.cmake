# The same sources as 64-bit Windows programs: used to run the Windows
# tests under wine64 on hosts whose kernel cannot execute 32-bit code.
set(KELVANE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
