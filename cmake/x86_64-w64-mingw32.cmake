# Cross-compiling for 64-bit Windows with Debian's mingw-w64; programs run under
# wine (see the windows preset).  The compiler with POSIX threads
# (g++-mingw-w64-x86-64-posix): GoogleTest needs std::mutex, which the one
# with Windows threads lacks; the program uses no threads and links them
# statically, so it still needs only Windows' own libraries.  Libraries
# and headers come from the mingw-w64 tree only, tools from the build
# machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
