# Cross-compiling for 32-bit Windows (i686) with Debian's mingw-w64; programs
# run under wine (see the windows32 preset).  The compiler with POSIX threads
# (g++-mingw-w64-i686-posix): GoogleTest needs std::mutex, which the one
# with Windows threads lacks; the program uses no threads and links them
# statically, so it still needs only Windows' own libraries.  Libraries
# and headers come from the mingw-w64 tree only, tools from the build
# machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
