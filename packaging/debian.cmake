# The Debian package, built from a configured build tree with `cpack -G DEB`.
set(AMPSTAGE_MAINTAINER "The ampstage developers <ampstage@example.org>"
	CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME ampstage)
set(CPACK_PACKAGE_VENDOR "The ampstage developers")
set(CPACK_PACKAGE_CONTACT "${AMPSTAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for a class-A transistor amplifier stage")
set(CPACK_PACKAGE_DESCRIPTION [=[
ampstage asks for the load resistance, the supply voltage and the minimum
voltage across the transistor of a class-A amplifier stage with a ballast
resistor, and prints fourteen design values: the optimal ballast
resistance, the consumed and peak currents, the quiescent voltages, the
output amplitude and power, the power dissipated in the ballast resistor
and in the transistor, and the efficiency.

The dialogue is in Russian, with numbers written with a decimal comma
under the ru_RU.UTF-8 locale, which the package generates when it is
missing. The program runs in a terminal; its menu entry opens one.]=])
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# A cross build makes a package for the processor it builds for, not for
# the one it runs on; Debian's name for it comes from the compiler's
# triple.  Its shared-library dependencies are then those of that
# processor's libraries, installed beside this machine's (dpkg
# --add-architecture ARCH, then libc6:ARCH), which dpkg-shlibdeps finds
# when it is told the processor: packaging/cpack-debian.cmake tells it.
if(CMAKE_CROSSCOMPILING)
	execute_process(COMMAND dpkg-architecture -t ${AMPSTAGE_TARGET} -qDEB_HOST_ARCH
		OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE
		ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
	set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-debian.cmake)
else()
	execute_process(COMMAND dpkg --print-architecture
		OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The decimal comma needs the Russian locale: either all locales prebuilt,
# or the locales package, in which postinst generates ru_RU.UTF-8.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "locales-all | locales")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian's own layout is applied to the staged files only, so that a plain
# `cmake --install` keeps uncompressed manual pages and no Debian files.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian-layout.cmake)
set(CPACK_AMPSTAGE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

# The changelog's entry is for this version, dated by SOURCE_DATE_EPOCH
# where it is set (a release sets it to its commit's time), else now.
set(AMPSTAGE_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
string(TIMESTAMP AMPSTAGE_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(CPACK_AMPSTAGE_CHANGELOG ${PROJECT_BINARY_DIR}/changelog.Debian)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CPACK_AMPSTAGE_CHANGELOG} @ONLY)

include(CPack)
# The package's file, for the tests of its program.
set(AMPSTAGE_PACKAGE ${CPACK_PACKAGE_NAME}_${AMPSTAGE_DEBIAN_VERSION}_${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}.deb)
set(AMPSTAGE_PACKAGED_PROGRAM usr/bin/ampstage)
