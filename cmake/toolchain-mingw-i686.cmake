# The shipped programs: 32-bit Windows, mingw-w64 with POSIX threads
# (the win32-threads libstdc++ has no std::thread or std::mutex).
set(KELVANE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
