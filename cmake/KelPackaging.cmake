# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in a build configured with -DCMAKE_INSTALL_PREFIX=/usr
# (scripts/ci-package.sh does both). The shared-library dependencies come from dpkg-shlibdeps
# (dpkg-dev); the panel labels are drawn in Liberation Sans, hence fonts-liberation2.
set(CPACK_PACKAGE_NAME kel-editor)
set(CPACK_PACKAGE_VENDOR "KEL Editor developers")
set(CPACK_PACKAGE_VERSION ${KEL_PRODUCT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the user memory of KEL MIDI keyboard controllers")
set(CPACK_PACKAGE_DESCRIPTION
    "KEL Editor edits which MIDI message each of the 50 controls of a KEL MIDI keyboard\n\
controller sends, saves control maps as Standard MIDI Files, transmits them to the\n\
device and receives them back over ALSA or JACK, and writes HTML assignment lists.\n\
The package also holds kelmap, a command-line tool for control map files, and\n\
kel-device-sim, a simulated device on virtual MIDI ports.")
set(KEL_PACKAGE_MAINTAINER "KEL Editor developers <kel-editor@localhost>" CACHE STRING
    "Maintainer field of the Debian package: name <e-mail>")
set(CPACK_PACKAGE_CONTACT ${KEL_PACKAGE_MAINTAINER})
# Installed where the program was configured to look for its data.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
# xdg-open shows the help pages and HTML lists in the browser; Qt's Wayland platform plug-in
# lets the editor run natively in a Wayland session (without it, it runs through XWayland); a
# Japanese font shows the Japanese windows and help page in letters instead of boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland, fonts-noto-cjk | fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
