# Cross-builds for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686-posix):
# the build that also runs on the Windows 9x family's 32-bit systems.
# Programs are linked statically, so they need no DLL that Windows does not ship.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The drawing code's vector types are passed in registers only where SSE is
# there; without it (a plain i686 target, as old as the 9x family's machines)
# GCC notes the different calling convention, which stays inside one file.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Test programs and the asset generator run under Wine (its 32-bit loader).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
