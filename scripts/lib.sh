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
# ends the script.  A group that this machine cannot run is skipped, with
# the reason, and counted as skipped.
passed=0
skipped=0
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

skip() {
	skipped=$((skipped + 1))
	echo "$(basename "$0"): $1: skipped: $2"
}

all_passed() {
	group ""
	if [ "$skipped" -gt 0 ]; then
		echo "$(basename "$0"): $passed passed, 0 failed, $skipped skipped"
	else
		echo "$(basename "$0"): $passed passed, 0 failed"
	fi
}

# Whether this kernel runs 32-bit x86 programs, yes or no, found out in
# the folder DIR by one that only exits.  Only the kernel's own refusal,
# ENOEXEC, means it runs none.  Any other failure (a folder mounted
# noexec, a filter on system calls) would pass for that and hide every
# 32-bit check, so it ends the script and says why.  The shell cannot
# tell the two apart, since on ENOEXEC it reads the program as a script,
# so a small C program makes the call and says which it was.
runs_32_bit_programs() {
	cat >"$1/exit.s" <<'END'
	.globl _start
_start:	movl $1, %eax
	xorl %ebx, %ebx
	int $0x80
END
	cat >"$1/start.c" <<'END'
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv)
{
	(void)argc;
	execv(argv[1], argv + 1);
	if (errno == ENOEXEC)
		return 3;
	fprintf(stderr, "%s: %s\n", argv[1], strerror(errno));
	return 2;
}
END
	as --32 -o "$1/exit.o" "$1/exit.s"
	ld -m elf_i386 -o "$1/exit" "$1/exit.o"
	cc -o "$1/start" "$1/start.c"
	probe=0
	"$1/start" "$1/exit" 2>"$1/why" || probe=$?
	case $probe in
	0) echo yes ;;
	3) echo no ;;
	*) fail "a 32-bit program could not be started, and not because the kernel refuses it (status $probe): $(cat "$1/why")" ;;
	esac
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
