# Cross-compiling for Windows with Debian's mingw-w64 for the target triple
# in AMPSTAGE_TARGET, 64-bit or 32-bit (the windows and windows32 presets
# give theirs); what it builds runs under wine, by scripts/wine.  The compiler with POSIX threads
# (g++-mingw-w64-*-posix): GoogleTest needs std::mutex, which the one with
# Windows threads lacks; the program uses no threads and links them
# statically, so it still needs only Windows' own libraries.  Libraries
# and headers come from the mingw-w64 tree only, tools from the build
# machine.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES AMPSTAGE_TARGET)
if(NOT AMPSTAGE_TARGET MATCHES "-w64-mingw32$")
	message(FATAL_ERROR "set AMPSTAGE_TARGET to a mingw-w64 triple")
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
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine)
