# CPack: one .deb per component. Run-time dependencies come from dpkg-shlibdeps; only the packages'
# dependencies on each other are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvz)
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brennic Plant Link team <plantlink@quillmark.net>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${kvz_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file for libFerrolink, so that programs built against it depend on this version or later.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillmark.net/plantlink)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Our own library is found in the build tree and is given its dependency by the component link below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)

foreach(component ${kvz_components})
  string(TOUPPER ${component} C)
  set(CPACK_DEBIAN_${C}_PACKAGE_NAME ${kvz_pkg_${component}})
endforeach()

set(CPACK_COMPONENT_DRIVER_DESCRIPTION
    "Brennic Plant Link poll engine and command-line tools\nKVZSPOLL polls Siemens S5, S7 and Simatic TI controllers over ISO transport\non Industrial Ethernet (H1) or TCP/IP and keeps their data, status words and\nmessages in shared memory for the SCADA host and the configurator. The\npackage runs it as the service kvzspoll under its own system user and holds\nkvzcfg, the headless front end that converts configurations and commands the\ndriver.")
set(CPACK_COMPONENT_DRIVER_DEPENDS Ferrolink)
set(CPACK_DEBIAN_DRIVER_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_DRIVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_DRIVER_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/control/driver/postinst
    ${CMAKE_CURRENT_BINARY_DIR}/control/driver/prerm ${CMAKE_CURRENT_BINARY_DIR}/control/driver/postrm)
set(CPACK_DEBIAN_DRIVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_COMPONENT_CONFIGURATOR_DESCRIPTION
    "Brennic Plant Link configurator\nKVZdidw builds the configuration of the Brennic Plant Link I/O driver:\nchannels, Siemens controllers and the blocks of controller memory the driver\npolls. It validates every address against the controller family, exchanges\nconfigurations with CSV files, imports from the host's DBF tables and shows\nthe running driver's counters, poll record states and messages. Context help\nand a demo plant are included.")
set(CPACK_DEBIAN_CONFIGURATOR_PACKAGE_SECTION electronics)
# F1 opens the help pages with xdg-open.
set(CPACK_DEBIAN_CONFIGURATOR_PACKAGE_RECOMMENDS "kvz-driver, xdg-utils")

set(CPACK_COMPONENT_FERROLINK_DESCRIPTION
    "ISO transport library for Siemens controllers\nlibFerrolink gives a poll engine channels over Industrial Ethernet (H1, ISO\n8073 class 4 on raw Ethernet) or TCP/IP (RFC 1006), one transport connection\nper controller, and S5 fetch/write and S7 read/write requests with their\nanswers.")
set(CPACK_DEBIAN_FERROLINK_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_FERROLINK_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/control/triggers)
set(CPACK_DEBIAN_FERROLINK_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_COMPONENT_FERROLINKDEV_DESCRIPTION
    "ISO transport library for Siemens controllers (development files)\nThe C header, the link and the pkg-config file (ferrolink) for building a\npoll engine of one's own against libFerrolink.")
set(CPACK_COMPONENT_FERROLINKDEV_DEPENDS Ferrolink)
set(CPACK_DEBIAN_FERROLINKDEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_FERROLINKDEV_PACKAGE_ARCHITECTURE_INDEPENDENT OFF)

set(CPACK_COMPONENT_SETUP_DESCRIPTION
    "Brennic Plant Link installer library\nlibsetup provides InstallDriver, which a SCADA host's own setup program\nloads to copy the driver's files onto a node from its INF file, write the\ndriver's registry values, create the configurator's shortcuts and register\nthe OPC server.")
set(CPACK_DEBIAN_SETUP_PACKAGE_SECTION libs)

# Maintainer scripts with the permissions dpkg expects.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/control/driver)
foreach(script postinst prerm postrm)
  file(COPY ${CMAKE_CURRENT_SOURCE_DIR}/control/driver-${script} DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/control/tmp)
  file(RENAME ${CMAKE_CURRENT_BINARY_DIR}/control/tmp/driver-${script} ${CMAKE_CURRENT_BINARY_DIR}/control/driver/${script})
endforeach()

include(CPack)
