# The two Debian packages, one per install component: kaviro (the GUI) and kaviro-cli (the CLI,
# the simulator and the MQTT service; no Qt, for a headless host). Their library dependencies
# come from dpkg-shlibdeps; only what is loaded at run time is named here.
file(STRINGS changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^kaviro \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog has no entry for version ${PROJECT_VERSION} on top")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kaviro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "KAVIRO maintainers <maintainers@users.noreply.c-seed-f93644ac.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_COMPONENTS_ALL cli)
if(KAVIRO_GUI)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME kaviro-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION [[headless monitoring and configuration of a KAVIRO solar charge controller
kaviro-cli polls the KAVIRO MPPT charge controller over Modbus (RTU on a
serial port, RTU through a 2.4G wireless adapter, or Modbus/TCP) and prints
the register list as a table, CSV, JSON or InfluxDB lines; reads the daily
log, sets parameters, the clock and the RD relay accessory.

kaviro-cli mqtt publishes the controller on an MQTT broker with Home
Assistant discovery; the kaviro-mqtt systemd service runs it (not enabled on
installation; its options are in /etc/default/kaviro-mqtt).

kaviro-sim, a simulated controller, is included for trying things out.]])
# The conffile, and maintainer scripts that never enable the service: they have systemd reread
# the unit, stop the service on removal and drop its links on a purge.
set(KAVIRO_CLI_CONTROL_FILES conffiles postinst prerm postrm)
list(TRANSFORM KAVIRO_CLI_CONTROL_FILES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/deb/)
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${KAVIRO_CLI_CONTROL_FILES})

set(CPACK_DEBIAN_GUI_PACKAGE_NAME kaviro)
set(CPACK_COMPONENT_GUI_DESCRIPTION [[desktop tool for the KAVIRO solar MPPT charge controller
KAVIRO寄存器 monitors and configures the KAVIRO solar MPPT charge controller
over Modbus: RTU on a serial port (9600 8N2), RTU through a 2.4G wireless
serial adapter, or Modbus/TCP. A live register list, a status bar with the
controller's clock, the parameter, action, information, log and test console
dialogs, and the settings of the RD relay accessory.

The command-line front end is in the package kaviro-cli.]])
# Qt loads its platform plugin (xcb, wayland) at run time, out of dpkg-shlibdeps' sight; the
# interface is Chinese.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei")
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS kaviro-cli)

include(CPack)
