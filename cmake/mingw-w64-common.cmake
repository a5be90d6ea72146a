# What the two MinGW-w64 toolchain files share. The POSIX-threads flavour
# of the compilers is taken: it gives std::thread and pthreads
# (winpthreads), which the threads of the editing use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUORL_MINGW_TRIPLE})
set(CMAKE_C_COMPILER ${QUORL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Windows programs run here under Wine.
find_program(QUORL_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORL_WINE})
