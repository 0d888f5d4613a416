# The Debian package: `cpack --preset release` after `cmake --build --preset release` writes
# build-release/package/tavro-writer_<version>_<arch>.deb from the install rules. Its library
# dependencies come from the programs themselves (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavro-writer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The TAVRO Writer developers")
set(CPACK_PACKAGE_CONTACT "${TAVRO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "find TAVRO Wi-Fi LAN I/O devices and write firmware into them")
set(CPACK_PACKAGE_DESCRIPTION [=[
TAVRO Writer finds the TAVRO family of Wi-Fi LAN I/O devices on a local
network and writes a new firmware image into one of them: a search
broadcasts a probe from the chosen interface, lists each device that
answers with its address, hardware address and firmware version, and the
chosen file is sent in acknowledged blocks, with the device's password
challenge answered on the way.

The package holds three programs:
 - tavro-writer: the dialog (Qt 6, in Japanese);
 - tavro-writer-cli: the same jobs from a terminal or a script;
 - tavro-sim: simulated devices with faults on request, for tests.]=])
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Qt's own Japanese texts for the file dialog and the buttons; without them Qt speaks English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
if(TAVRO_HOMEPAGE_URL)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TAVRO_HOMEPAGE_URL}")
endif()

include(CPack)
