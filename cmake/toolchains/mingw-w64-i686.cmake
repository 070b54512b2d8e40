# Cross build for 32-bit Windows with Debian's mingw-w64 compiler (posix-threads variant, so the
# standard library's threads and mutexes work). The C and C++ runtimes are linked statically:
# the programs import nothing but Windows system libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(RADLYN_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${RADLYN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RADLYN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RADLYN_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${RADLYN_MINGW_PREFIX}-objdump)
set(CMAKE_OBJCOPY ${RADLYN_MINGW_PREFIX}-objcopy)

set(CMAKE_FIND_ROOT_PATH /usr/${RADLYN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs are marked terminal-server aware, as Windows' own are: without the mark, Remote Desktop
# hosts apply compatibility shims to them (per-user copies of files in the Windows folder).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--tsaware")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
