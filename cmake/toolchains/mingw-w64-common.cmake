# Shared part of the MinGW-w64 cross toolchains; the including file sets
# READERLINK_MINGW_TRIPLET first. The -posix compilers give std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${READERLINK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${READERLINK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${READERLINK_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${READERLINK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime goes into each .exe: no MinGW DLLs to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and gtest discovery run each .exe under Wine, in a prefix of the
# build folder's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${CMAKE_BINARY_DIR}/wine)
