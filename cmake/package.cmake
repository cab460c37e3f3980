# The Debian package of what cmake/install.cmake installs: cpack in the build folder (or
# ./scripts/package, which builds it with Debian's compiler flags) writes
# qmx7700_<version>-<revision>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmx7700)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# No address is published for the authors: a name in a domain that cannot exist (RFC 2606)
# keeps the field well-formed without inventing one.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "The QMX-7700 control program authors <authors@qmx7700.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "control program for the QMX-7700 fibre-optic multiplexer")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The desktop program for the QMX-7700, a 16-channel fibre-optic multiplexer
on an RS-232 line: it connects to the device, switches its channels by hand
from a dial of 16 buttons or a small control bar, and writes, saves and runs
timed channel sequences.
.
While it runs, it serves the multiplexer to the programs of the computer (lab
scripts, VISA libraries) in a line protocol in the style of SCPI, on a local
socket and, when asked, on TCP; qmx7700-server does the same without windows.
.
The package also holds qmx7700-sim, a stand-in QMX-7700 on a pseudo-terminal,
for trying the program without the device.")

# dpkg-shlibdeps finds the libraries the programs link. Nothing in them names Qt's plug-ins
# or translations: the SVG icon engine draws the toolbar, qtbase's catalogues put Qt's own
# dialogs in the user's language.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-translations-l10n")
set(CPACK_QMX_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Everything a plain install holds, and the Debian changelog and lintian overrides.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/" "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)

include(CPack)
