# The Debian packages, one per install component, made by cpack -G DEB in the
# build directory (scripts/build-deb.sh sets the distribution's build flags
# and the time stamp around it). Library dependencies come from the binaries
# (dpkg-shlibdeps): the terminal tool and the simulated device need no Qt.
set(CPACK_PACKAGE_NAME ${VANTO_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VANTO")
set(CPACK_PACKAGE_CONTACT ${VANTO_PACKAGE_MAINTAINER})
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_COMPONENTS_ALL ${vanto_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)

# Stripped as dh_strip does it (also the compiler's .comment and .note).
set(CPACK_VANTO_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/deb_strip.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE ${VANTO_PACKAGE_NAME})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VANTO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vanto.example/updater")
# The three packages used to be one, vanto-updater; each takes over its files.
set(CPACK_DEBIAN_PACKAGE_CONFLICTS ${VANTO_PACKAGE_NAME})
set(CPACK_DEBIAN_PACKAGE_REPLACES ${VANTO_PACKAGE_NAME})

# Descriptions: the synopsis, then the long text (CPack indents it; the
# texts hold no double quotes, which CPack would pass on unescaped).
string(CONCAT vanto_device_text
    "A VANTO device in its Update Mode has its flash memory rewritten over an\n"
    "RS-232 serial link (a USB serial adapter will do): the update file, in\n"
    "Intel HEX or Motorola S-records, goes in checked 256-byte blocks.\n")
string(CONCAT vanto_access_text
    "The package's udev rule lets the user at the computer open USB serial\n"
    "adapters without joining the dialout group.")

set(CPACK_DEBIAN_FLASH_PACKAGE_NAME vanto-flash)
string(CONCAT CPACK_DEBIAN_FLASH_DESCRIPTION
    "VANTO device firmware updater for the terminal\n"
    ${vanto_device_text}
    "\n"
    "vanto-flash finds the device on COM1 to COM10 and programs it, or several\n"
    "devices at once, showing progress on one line per device. Its exit\n"
    "status and its --json report suit scripts. It also lists the serial\n"
    "ports and checks update files. It needs no graphical libraries.\n"
    "\n"
    ${vanto_access_text})
set(CPACK_DEBIAN_FLASH_PACKAGE_SUGGESTS vanto-devsim)

set(CPACK_DEBIAN_UPDATE_PACKAGE_NAME vanto-update)
# The font faces the wizard falls back to for its fixed fonts.
set(CPACK_DEBIAN_UPDATE_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-urw-base35")
string(CONCAT CPACK_DEBIAN_UPDATE_DESCRIPTION
    "VANTO device firmware updater (wizard)\n"
    ${vanto_device_text}
    "\n"
    "vanto-update is a three-page wizard, VANTO Updater in the desktop's menu:\n"
    "it shows how to connect the device, finds it on COM1 to COM10 and\n"
    "programs it with a progress bar and the result in plain words.\n"
    "\n"
    ${vanto_access_text})
set(CPACK_DEBIAN_UPDATE_PACKAGE_SUGGESTS "vanto-flash, vanto-devsim")

set(CPACK_DEBIAN_DEVSIM_PACKAGE_NAME vanto-devsim)
set(CPACK_DEBIAN_DEVSIM_PACKAGE_SECTION devel)
string(CONCAT CPACK_DEBIAN_DEVSIM_DESCRIPTION
    "simulated VANTO device for trying the firmware updater\n"
    "vanto-devsim plays a VANTO device in its Update Mode on a pseudo-terminal,\n"
    "so that vanto-update and vanto-flash can be tried and tested without\n"
    "hardware: it checks every frame, stores the blocks, verifies the total\n"
    "and writes the committed flash to a file. Lost replies, device errors,\n"
    "junk bytes, hang-ups and silence can be injected. A sample update file\n"
    "comes with it.")

# The two packages with the udev rule have udev read it when they come and go.
foreach(component FLASH UPDATE)
    set(CPACK_DEBIAN_${component}_PACKAGE_CONTROL_EXTRA
        ${CMAKE_CURRENT_SOURCE_DIR}/postinst ${CMAKE_CURRENT_SOURCE_DIR}/postrm)
endforeach()

set(CPACK_GENERATOR DEB)
include(CPack)
