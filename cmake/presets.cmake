# The table of targets is CMakePresets.json: a configure preset for each,
# named by its GNU triple where it runs on another processor.  Whether the
# release holds what it builds is its cache variable AMPSTAGE_RELEASED;
# which line of scripts/packages it installs is the project's own fact in
# its vendor field, "needs".  A preset that says neither takes it from the
# preset it inherits.  This prints, for the scripts, one line a visible
# preset: its name, what it needs and whether it is released.
#
#   cmake -P cmake/presets.cmake
file(READ ${CMAKE_CURRENT_LIST_DIR}/../CMakePresets.json presets)
string(JSON count LENGTH "${presets}" configurePresets)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
	string(JSON preset GET "${presets}" configurePresets ${i})
	string(JSON name GET "${preset}" name)
	set(by_name_${name} "${preset}")
	string(JSON hidden ERROR_VARIABLE none GET "${preset}" hidden)
	if(NOT hidden)
		list(APPEND visible ${name})
	endif()
endforeach()
foreach(name IN LISTS visible)
	set(needs "")
	set(released "")
	set(preset "${by_name_${name}}")
	while(preset)
		string(JSON value ERROR_VARIABLE missing GET "${preset}" vendor ampstage needs)
		if(NOT missing AND needs STREQUAL "")
			set(needs ${value})
		endif()
		string(JSON value ERROR_VARIABLE missing GET "${preset}" cacheVariables AMPSTAGE_RELEASED)
		if(NOT missing AND released STREQUAL "")
			set(released ${value})
		endif()
		string(JSON parent ERROR_VARIABLE none GET "${preset}" inherits)
		set(preset "${by_name_${parent}}")
	endwhile()
	if(released)
		set(released ON)
	else()
		set(released OFF)
	endif()
	message(NOTICE "${name} ${needs} ${released}")
endforeach()
