# The Debian package, made by cpack -G DEB in the build directory. Its
# library dependencies come from the binaries (dpkg-shlibdeps); the font
# packages are the faces the wizard falls back to.
set(CPACK_PACKAGE_NAME ${VANTO_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VANTO")
set(CPACK_PACKAGE_CONTACT ${VANTO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for VANTO devices over RS-232")
set(CPACK_PACKAGE_DESCRIPTION
    "Rewrites the flash memory of a VANTO device in its Update Mode over a serial\n"
    "link. vanto-update is a three-page wizard that finds the device on COM1 to\n"
    "COM10 and sends the update file (Intel HEX or Motorola S-records) in\n"
    "checked 256-byte blocks. vanto-flash does the same in a terminal, and\n"
    "vanto-devsim plays a device on a pseudo-terminal for trying it out.")
# (set() joined the pieces with ";", which the text itself never holds)
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VANTO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-urw-base35")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
include(CPack)
