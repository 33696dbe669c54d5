# Cross-compiling for Linux on another processor with Debian's cross
# compiler for the target triple in AMPSTAGE_TARGET (aarch64-linux-gnu,
# i686-linux-gnu, ...); scripts/test-cross runs the results under
# qemu-user.  Libraries and headers come from the target's tree only, tools
# from the build machine.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES AMPSTAGE_TARGET)
if(NOT AMPSTAGE_TARGET)
	message(FATAL_ERROR "set AMPSTAGE_TARGET to a Debian cross compiler's triple")
endif()
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${AMPSTAGE_TARGET}")
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${AMPSTAGE_TARGET}-gcc)
set(CMAKE_CXX_COMPILER ${AMPSTAGE_TARGET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${AMPSTAGE_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
