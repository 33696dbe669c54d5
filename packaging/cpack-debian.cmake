# Read by cpack before it makes a cross build's Debian package: the
# processor it is for, where dpkg-shlibdeps asks dpkg-architecture, as
# `dpkg-architecture -a ARCH -c` would tell it.
set(ENV{DEB_HOST_ARCH} ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})
