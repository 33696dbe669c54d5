# shellcheck shell=sh
# What the scripts share, sourced by each from the top of the source tree:
#
#   . scripts/lib.sh
#
# Becoming root, the parallelism of builds and tests, the counted groups of
# checks, and the version.

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

# The version, as CMakeLists.txt gives it to every package, and the Debian
# packages' version, with packaging/debian.cmake's revision.
project_version() {
	sed -n 's/^project(ampstage VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt
}
debian_version() {
	echo "$(project_version)-$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_RELEASE \(.*\))$/\1/p' packaging/debian.cmake)"
}
