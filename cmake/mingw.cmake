# Cross-compiling for Windows with Debian's mingw-w64 for the target triple
# in AMPSTAGE_TARGET: x86_64-w64-mingw32 for 64-bit Windows, or
# i686-w64-mingw32 for 32-bit; programs run under wine (see the windows
# and windows32 presets).  The compiler with POSIX threads
# (g++-mingw-w64-*-posix): GoogleTest needs std::mutex, which the one with
# Windows threads lacks; the program uses no threads and links them
# statically, so it still needs only Windows' own libraries.  Libraries
# and headers come from the mingw-w64 tree only, tools from the build
# machine.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES AMPSTAGE_TARGET)
if(NOT AMPSTAGE_TARGET MATCHES "^(x86_64|i686)-w64-mingw32$")
	message(FATAL_ERROR "set AMPSTAGE_TARGET to x86_64-w64-mingw32 or i686-w64-mingw32")
endif()
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${AMPSTAGE_TARGET}")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${AMPSTAGE_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${AMPSTAGE_TARGET}-g++-posix)
set(CMAKE_FIND_ROOT_PATH /usr/${AMPSTAGE_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
