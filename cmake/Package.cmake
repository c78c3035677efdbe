# `cpack -G DEB` in the build directory makes kvt450_<version>-<release>_<arch>.deb from the
# install rules. dpkg-shlibdeps reads the Qt libraries the programs link; the SVG icon engine
# is a plugin Qt loads at run time, so no binary names it and it is listed by hand.
set(CPACK_PACKAGE_NAME kvt450)
set(CPACK_PACKAGE_VENDOR "KVT-450 Series Utility developers")
set(CPACK_PACKAGE_CONTACT "KVT-450 Series Utility developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operator's program for KVT-450 magnetic-stripe card encoders")
set(CPACK_PACKAGE_DESCRIPTION [[
Reads, writes, copies and erases magnetic-stripe cards with a KVT-450 series
encoder on a serial port, in the LRQ118 or the KVT-380A command set: numbered
batches, cards saved to and encoded from text files, and non-ISO data formats.
Includes kvt450-sim, a virtual encoder for trying the program without hardware.]])
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")

include(CPack)
