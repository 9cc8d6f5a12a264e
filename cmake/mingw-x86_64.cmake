# Cross-compiles the Windows program with Debian's MinGW-w64 for x86-64. Test programs run under
# Wine's 64-bit loader.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZAHLIX_MINGW_TRIPLET x86_64-w64-mingw32)
set(ZAHLIX_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
