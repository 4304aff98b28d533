# Installation beyond the programs (each program's folder installs its own executable), the help
# texts beside the built programs, the Debian package, and the picture tools built on demand.
include(GNUInstallDirs)
set(vort_packaging_dir ${CMAKE_CURRENT_LIST_DIR})

# Server and Quellix are names others take easily: their commands carry the tool set's name
# (vort-server, vort-quellix), links to the programs kept under their own names in lib/vort/.
if(UNIX)
  install(TARGETS Server Quellix RUNTIME DESTINATION lib/vort)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
  foreach(command IN ITEMS "vort-server:Server" "vort-quellix:Quellix")
    string(REPLACE ":" ";" pair ${command})
    list(GET pair 0 link)
    list(GET pair 1 program)
    file(CREATE_LINK ../lib/vort/${program} ${CMAKE_BINARY_DIR}/packaging/${link} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endforeach()
else()
  install(TARGETS Server Quellix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Help texts. The programs look in the working directory first, then beside themselves, then in
# the share/vort/ folder of their installation (SystemHelpViewer::locate).
install(FILES ${vort_packaging_dir}/help/info.txt ${vort_packaging_dir}/help/download.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vort)
configure_file(${vort_packaging_dir}/help/info.txt ${CMAKE_BINARY_DIR}/config_tool/info.txt
               COPYONLY)
foreach(program_dir download_server realtime_receiver)
  configure_file(${vort_packaging_dir}/help/download.txt
                 ${CMAKE_BINARY_DIR}/${program_dir}/download.txt COPYONLY)
endforeach()

# Desktop entries, their icons, and the demonstration files used by the README and the help.
install(FILES ${vort_packaging_dir}/desktop/vortsetup.desktop
              ${vort_packaging_dir}/desktop/vort-server.desktop
              ${vort_packaging_dir}/desktop/vort-quellix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${vort_packaging_dir}/icons/vortsetup.svg ${vort_packaging_dir}/icons/vort-server.svg
              ${vort_packaging_dir}/icons/vort-quellix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${vort_packaging_dir}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vort/examples)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vort-tools)
set(CPACK_PACKAGE_VENDOR "VORT tool set developers")
set(CPACK_PACKAGE_CONTACT "VORT tool set developers <vort-tools@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VORT tool set developers <vort-tools@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC tool set of the VORT GPS tracking unit")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "PC tool set of the VORT GPS tracking unit
 vortsetup configures a VORT unit over a serial port: its settings, its log
 of GPS positions and its table of camera locations. Server sends operating
 systems, configurations and camera tables to units that call in over UDP;
 Quellix receives and acknowledges their real-time messages. vortsim and
 vortsim-udp play a unit, for trying the programs without hardware.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link against: read from the programs by dpkg-shlibdeps where it is
# installed (dpkg-dev), else the Qt 6 runtime named by hand.
find_program(VORT_DPKG_SHLIBDEPS dpkg-shlibdeps)
# Quellix's --record loads the SQLite driver as a plug-in, which no library check finds.
if(VORT_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite (>= 6.4)")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), libqt6serialport6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite (>= 6.4), libstdc++6, libc6")
endif()
# The help buttons open the texts with xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)

add_subdirectory(${CMAKE_SOURCE_DIR}/scripts/pictures ${CMAKE_BINARY_DIR}/pictures)
