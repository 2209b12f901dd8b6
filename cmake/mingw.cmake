# Cross build of the Windows driver with Debian's MinGW-w64, for the
# processor that the including toolchain file names in TAVLORA_MINGW_PROCESSOR
# (i686 for 32-bit, x86_64 for 64-bit).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TAVLORA_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${TAVLORA_MINGW_PROCESSOR}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${TAVLORA_MINGW_PROCESSOR}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${TAVLORA_MINGW_PROCESSOR}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVLORA_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# CTest runs the Windows programs through Wine (tools/wine-run picks the way
# for the program's bitness), in the build folder's prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
