# shellcheck shell=sh
# What the scripts share, sourced by each from the top of the source tree:
#
#   . scripts/lib.sh
#
# Becoming root, the parallelism of builds and tests, the counted groups of
# checks, and the x86-64 build that the other builds are compared with.

# Builds and tests use every processor unless the environment says
# otherwise; the presets leave the count to it.
CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$CMAKE_BUILD_PARALLEL_LEVEL}
export CMAKE_BUILD_PARALLEL_LEVEL CTEST_PARALLEL_LEVEL

# Runs a command as root: directly when this is root, else through sudo.
as_root() {
	if [ "$(id -u)" -eq 0 ]; then
		"$@"
	elif command -v sudo >/dev/null 2>&1; then
		sudo "$@"
	else
		echo "$(basename "$0"): $1 needs root, and there is no sudo" >&2
		exit 1
	fi
}

# The checks of a script come in named groups.  Each group that gets
# through counts once in the closing line; the first check that fails
# ends the script.
passed=0
current=

fail() {
	echo "$(basename "$0"): FAILED: $*" >&2
	exit 1
}

group() {
	[ -z "$current" ] || passed=$((passed + 1))
	current=$1
	[ -z "$current" ] || echo "$(basename "$0"): $current"
}

all_passed() {
	group ""
	echo "$(basename "$0"): $passed passed, 0 failed"
}

# The x86-64 program that the other builds are compared with,
# build/ampstage, by the default preset, and the Russian locale that it is
# run in, compiled into build/locale, where LOCPATH finds it.  It works
# whatever build/ was configured with before (scripts/run leaves it
# without tests).  The arguments name further targets to build, which
# are tests and so need a tree configured with them.
reference_build() {
	if [ $# -gt 0 ]; then
		cmake --preset default -DBUILD_TESTING=ON -DAMPSTAGE_WERROR="${AMPSTAGE_WERROR:-OFF}" >/dev/null
	elif [ ! -f build/CMakeCache.txt ]; then
		cmake --preset default -DBUILD_TESTING=OFF >/dev/null
	fi
	cmake --build --preset default --target ampstage "$@" >/dev/null
	scripts/test-locale build/locale
}

# The version, as CMakeLists.txt gives it to every package.
project_version() {
	sed -n 's/^project(ampstage VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt
}
