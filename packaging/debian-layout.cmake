# Run by CPack on the staged files before it builds the Debian package:
# Debian wants manual pages compressed, and a copyright file and a changelog
# in the package's documentation folder.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")

# -n leaves out the name and time stamp, so equal input makes equal files.
function(compress file)
	execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

file(GLOB_RECURSE pages "${root}/share/man/*.[1-9]")
foreach(page IN LISTS pages)
	compress("${page}")
endforeach()

file(MAKE_DIRECTORY "${doc}")
file(COPY_FILE "${CPACK_AMPSTAGE_CHANGELOG}" "${doc}/changelog.Debian")
compress("${doc}/changelog.Debian")

# The copyright file in Debian's machine-readable format, with the licence
# terms taken from LICENSE: indented by one blank, empty lines as " .".
file(READ "${CPACK_AMPSTAGE_LICENSE}" license)
string(REGEX MATCH "Copyright ([^\n]*)" holder "${license}")
set(holder "${CMAKE_MATCH_1}")
string(FIND "${license}" "Permission" terms)
string(SUBSTRING "${license}" ${terms} -1 license)
string(STRIP "${license}" license)
string(REPLACE "\n" "\n " license " ${license}")
string(REPLACE "\n \n" "\n .\n" license "${license}")
file(WRITE "${doc}/copyright" "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${CPACK_PACKAGE_NAME}

Files: *
Copyright: ${holder}
License: Expat
${license}
")

# Made here, these have whatever permissions the umask of the build gave
# them; a package has the usual ones.
file(CHMOD_RECURSE "${root}/share/doc" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
	DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
