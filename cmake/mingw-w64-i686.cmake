# Cross-building quorl for 32-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-i686-posix). Its tests need Wine's 32-bit half (wine32).
set(QUORL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
