# What both MinGW-w64 toolchains share. The posix thread model gives the tests std::mutex;
# everything is linked with -static, so that no winpthread or compiler DLL is needed.
set(CMAKE_C_COMPILER ${ZAHLIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZAHLIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZAHLIX_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZAHLIX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZAHLIX_WINE})
