# Cross-compiles the Windows program with Debian's MinGW-w64 for 32-bit x86 (the product). Test
# programs run under Wine's 32-bit loader.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZAHLIX_MINGW_TRIPLET i686-w64-mingw32)
set(ZAHLIX_WINE /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
