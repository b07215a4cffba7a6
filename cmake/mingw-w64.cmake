# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# which Qt's std::thread use needs). scripts/windows passes it, and the cached
# toolchain's folder as FW_WINDOWS_PREFIX; Qt and OpenSSL are looked up there
# and in mingw-w64's own root, never among the build machine's libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FW_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FW_MINGW_TRIPLE}-windres)

# Try-compile projects do not see the caller's cache; hand the prefix on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FW_WINDOWS_PREFIX)
if(NOT FW_WINDOWS_PREFIX AND DEFINED ENV{FW_WINDOWS_PREFIX})
  set(FW_WINDOWS_PREFIX "$ENV{FW_WINDOWS_PREFIX}")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${FW_MINGW_TRIPLE})
if(FW_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${FW_WINDOWS_PREFIX}/qt ${FW_WINDOWS_PREFIX}/openssl)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs the Windows tests under Wine (scripts/windows sets up its prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
