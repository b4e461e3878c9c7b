# CPack: the installed tree of cmake/Install.cmake as a Debian package (cpack -G DEB in a Linux
# build) or as a zip of the 32-bit Windows binaries with the header (cpack -G ZIP in the win32
# build). scripts/package.sh makes both.
set(CPACK_PACKAGE_NAME tarnixdrv)
set(CPACK_PACKAGE_VENDOR Tarnix)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Camera driver for machine-vision hosts, with simulated cameras and a command-line host")
set(CPACK_PACKAGE_DESCRIPTION
  "The driver library hosts load (libtarnixdrv.so, with tarnixdrv.h, a CMake package and a \
pkg-config file), in a private folder with the camera SDK it loads: a stand-in SDK with five \
simulated cameras and, where built, one for GigE Vision cameras through Aravis. Also camhost, a \
command-line host, and lutgen, a generator of lookup-table files.")
set(CPACK_PACKAGE_CONTACT "Tarnix developers <developers@tarnix.example>")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# The dependencies are read from the binaries (dpkg-shlibdeps): the C++ runtime, and wxWidgets
# and GTK for the configuration dialog's module.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
