# The Windows packages, built from a configured build tree with `cpack`: a
# ZIP to unpack anywhere, and an NSIS installer that puts the program under
# Program Files, adds a Start-menu shortcut (which opens it in a console
# window, as a shortcut to a console program does) and registers an
# uninstaller.  Both hold the program, the README and the licence side by
# side; the manual pages and the desktop entry belong to Linux.
install(TARGETS ampstage RUNTIME DESTINATION .)
install(FILES README.md LICENSE DESTINATION .)

# Each installer is a program of its build's own kind: NSIS's amd64 stub
# for the 64-bit build, so that it runs wherever that program runs and
# writes the 64-bit Program Files and the 64-bit registry, and its default
# 32-bit stub for the 32-bit build.  The 64-bit target is chosen by the
# makensis that packaging/makensis-64-bit runs, before the script.
#
# An installer keeps the time of each file it holds, to give it again on
# installation; a file's time here is only when it was built or checked
# out, so none is kept and the same source gives the same installer.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
	set(windows_kind win64)
	set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
	set(CPACK_NSIS_EXECUTABLE ${PROJECT_SOURCE_DIR}/packaging/makensis-64-bit)
else()
	set(windows_kind win32)
	set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()
set(CPACK_NSIS_DEFINES "  SetDateSave off")

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME ampstage)
set(CPACK_PACKAGE_VENDOR "The ampstage developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for a class-A transistor amplifier stage")
set(CPACK_PACKAGE_FILE_NAME ampstage-${PROJECT_VERSION}-${windows_kind})
set(CPACK_PACKAGE_INSTALL_DIRECTORY ampstage)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_NSIS_PACKAGE_NAME ampstage)
set(CPACK_NSIS_DISPLAY_NAME ampstage)
set(CPACK_PACKAGE_EXECUTABLES ampstage ampstage)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME ampstage.exe)

# The packages' files, for the tests of their program.
set(AMPSTAGE_PACKAGE ${CPACK_PACKAGE_FILE_NAME}.zip)
set(AMPSTAGE_PACKAGED_PROGRAM ${CPACK_PACKAGE_FILE_NAME}/ampstage.exe)
math(EXPR AMPSTAGE_WINDOWS_BITS "${CMAKE_SIZEOF_VOID_P} * 8")

include(CPack)
