# Cross-builds for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686-posix):
# the build that also runs on the Windows 9x family's 32-bit systems (its
# test programs run under Wine's 32-bit loader).
set(MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# The drawing code's vector types are passed in registers only where SSE is
# there; without it (a plain i686 target, as old as the 9x family's machines)
# GCC notes the different calling convention, which stays inside one file.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
