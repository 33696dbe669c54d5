# The whole program, as a user runs it, in every tree: its reports are
# held against those of the reference, build/ampstage by the default
# preset, byte for byte, for every input of scripts/compare-reports.  The
# tree's program runs on its own processor, through the tree's emulator
# (qemu-user, wine) where there is one.  Where the tree makes one of the
# release's packages, the package's program is checked the same way,
# taken from the folder AMPSTAGE_PACKAGES names where it is set (a
# release's dist/), else from the tree, where the workflow makes it.
set(source ${PROJECT_SOURCE_DIR})
set(reference ${source}/build)
set(run ${CMAKE_CROSSCOMPILING_EMULATOR})

# The reference is built, and its reports are worked out, once for every
# tree that is tested; the reference's own tree, whose tests run its
# program meanwhile, only works out the reports.
set(compare ${source}/scripts/compare-reports
	--reference-reports ${reference}/reference-reports ${reference}/locale ${reference}/ampstage)
if(CMAKE_BINARY_DIR STREQUAL reference)
	add_test(NAME Reference.Build COMMAND ${compare})
else()
	add_test(NAME Reference.Build COMMAND ${source}/scripts/reference)
endif()
set_tests_properties(Reference.Build PROPERTIES FIXTURES_SETUP reference)
if(WIN32)
	list(INSERT compare 1 --windows)
endif()
# A folder in AMPSTAGE_PACKAGES is named from the top of the source tree.
function(program_test name)
	add_test(NAME ${name} COMMAND ${ARGN})
	set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED reference SKIP_RETURN_CODE 77
		WORKING_DIRECTORY ${source})
endfunction()

if(EMSCRIPTEN)
	program_test(Page.InChromium ${source}/scripts/test-web $<TARGET_FILE:ampstage> ampstage-${PROJECT_VERSION}.html)
	return()
endif()
set(in_package ${source}/tests/unpacked ${CMAKE_BINARY_DIR} ${AMPSTAGE_PACKAGE} ${AMPSTAGE_PACKAGED_PROGRAM})

if(runs_here)
	if(NOT CMAKE_BINARY_DIR STREQUAL reference)
		program_test(Reports.Program ${compare} env LOCPATH=${TEST_LOCPATH} ${run} $<TARGET_FILE:ampstage>)
	endif()
	if(AMPSTAGE_RELEASED)
		program_test(Reports.Package ${in_package} ${compare} env LOCPATH=${TEST_LOCPATH} ${run})
	endif()
endif()

# qemu carries out the x87 unit's arithmetic in software.  Where this
# kernel runs 32-bit programs, a real processor is the better witness, so
# the 32-bit x86 programs also run natively, with the cross tree's own
# loader and libraries.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^i[3-6]86$" AND NOT WIN32)
	if(kernel_runs_32_bit STREQUAL yes)
		set(natively /usr/${AMPSTAGE_TARGET}/lib/ld-linux.so.2 --library-path /usr/${AMPSTAGE_TARGET}/lib)
		foreach(test stage_two_ways_test soft_extended_x87_test)
			add_test(NAME Natively.${test} COMMAND ${natively} $<TARGET_FILE:${test}> --gtest_brief=1)
		endforeach()
		program_test(Natively.Reports ${compare} env LOCPATH=${TEST_LOCPATH} ${natively} $<TARGET_FILE:ampstage>)
		if(AMPSTAGE_RELEASED)
			program_test(Natively.PackageReports ${in_package} ${compare} env LOCPATH=${TEST_LOCPATH} ${natively})
		endif()
	else()
		program_test(Natively.Skipped sh -c "echo this kernel runs no 32-bit programs; exit 77")
	endif()
endif()

# A Windows build's packages as they are downloaded, and their program's
# closing wait in a pseudo-terminal (with the harness of the reference's
# wait_test, which runs a command given to it instead), a report of it
# that cannot be written, and the installer's round trip.  The wait
# checks are those that apply to a Windows console: what a job or a
# POSIX signal does there is Linux's business.
if(WIN32)
	set(windows_package ${source}/tests/windows-package ${CMAKE_BINARY_DIR} ${AMPSTAGE_PACKAGE}
		${CMAKE_OBJDUMP} ${AMPSTAGE_WINDOWS_BITS})
	if(runs_here)
		program_test(Windows.Package ${windows_package} ${run})
		program_test(Windows.Wait ${in_package} sh -c [=[AMPSTAGE_COMMAND="$0 $3" exec "$1" "$2"]=]
			${run} ${reference}/tests/wait_test
			--gtest_filter=Wait.TextTypedAheadDoesNotEndIt:Wait.OneKeyWhateverItSends:Wait.TerminalGoesAway:Wait.OnlyForAPersonAtTheTerminal)
		program_test(Windows.Install ${source}/tests/windows-install ${CMAKE_BINARY_DIR} ${AMPSTAGE_PACKAGE}
			${AMPSTAGE_WINDOWS_BITS})
		set_tests_properties(Windows.Install PROPERTIES RUN_SERIAL ON)
	else()
		program_test(Windows.Package ${windows_package})
	endif()
endif()
