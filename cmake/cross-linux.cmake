# Cross-compiling for Linux on another processor with Debian's cross
# compiler for the target triple in AMPSTAGE_TARGET (each cross preset
# gives its own name); what it builds runs under qemu-user.  Libraries and
# headers come from the target's tree only, tools from the build machine.
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

# qemu-user names a processor as the kernel does, where Debian's triple
# has GNU's name.  The target's loader and libraries come as one set from
# the cross compiler's tree: where the target's own C library is also
# installed beside this machine's (a release installs it for the released
# processors), this machine's ld.so.cache would otherwise hand the loader
# that library, of another build, which fails on one of them.
string(REGEX REPLACE "^i[3-6]86$" i386 qemu "${CMAKE_SYSTEM_PROCESSOR}")
string(REPLACE powerpc ppc qemu "${qemu}")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu} -L /usr/${AMPSTAGE_TARGET}
	-E LD_LIBRARY_PATH=/usr/${AMPSTAGE_TARGET}/lib)
