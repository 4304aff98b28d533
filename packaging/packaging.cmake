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
# AppStream metadata, so software centres list the three desktop programs.
file(GLOB vort_metainfo ${vort_packaging_dir}/metainfo/*.metainfo.xml)
install(FILES ${vort_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Documentation under the package's name: the README and the guides keep their places relative
# to each other (README.md beside docs/), so their links work there too. The licence itself is
# Debian's /usr/share/common-licenses/Apache-2.0, named by the copyright file.
set(vort_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vort-tools)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${vort_packaging_dir}/debian/copyright
        DESTINATION ${vort_doc_dir})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${vort_doc_dir}/docs)
# The changelog's newest entry is this release, so the two cannot drift apart.
file(STRINGS ${vort_packaging_dir}/debian/changelog vort_changelog_head LIMIT_COUNT 1)
if(NOT vort_changelog_head MATCHES "^vort-tools \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/debian/changelog: the newest entry is not ${PROJECT_VERSION}")
endif()
set(vort_generated ${CMAKE_BINARY_DIR}/packaging)
# -n: no name or time stamp in the archive, so the same changelog gives the same bytes.
add_custom_command(
  OUTPUT ${vort_generated}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${vort_packaging_dir}/debian/changelog ${vort_generated}/changelog
  COMMAND gzip -9nf ${vort_generated}/changelog
  DEPENDS ${vort_packaging_dir}/debian/changelog VERBATIM)
install(FILES ${vort_generated}/changelog.gz DESTINATION ${vort_doc_dir})
set(vort_package_files ${vort_generated}/changelog.gz)

# Manual pages, made at build time from each program's --help and --version (help2man) and the
# sections kept in packaging/man/COMMAND.h2m, so they follow the programs' options.
find_program(VORT_HELP2MAN help2man)
if(VORT_HELP2MAN)
  foreach(command IN ITEMS "vortsetup:vortsetup" "vort-server:Server" "vort-quellix:Quellix"
                           "vortsim:vortsim" "vortsim-udp:vortsim-udp")
    string(REPLACE ":" ";" pair ${command})
    list(GET pair 0 name)
    list(GET pair 1 program)
    set(page ${vort_generated}/man/${name}.1.gz)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${vort_generated}/man
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DCOMMAND=${name}
              -DINCLUDE=${vort_packaging_dir}/man/${name}.h2m -DOUTPUT=${page}
              -P ${vort_packaging_dir}/man/make_man_page.cmake
      DEPENDS ${program} ${vort_packaging_dir}/man/${name}.h2m
              ${vort_packaging_dir}/man/make_man_page.cmake
      VERBATIM)
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    list(APPEND vort_package_files ${page})
  endforeach()
else()
  message(WARNING "help2man not found: no manual pages (scripts/install-deps.sh installs it)")
endif()
add_custom_target(vort_package_files ALL DEPENDS ${vort_package_files})

# Service units (installed, not enabled), their settings, and the rotation of Server's log.txt.
if(UNIX AND NOT APPLE)
  install(FILES ${vort_packaging_dir}/systemd/vort-server.service
                ${vort_packaging_dir}/systemd/vort-quellix.service
          DESTINATION lib/systemd/system)
  install(FILES ${vort_packaging_dir}/systemd/vort-server.default DESTINATION /etc/default
          RENAME vort-server)
  install(FILES ${vort_packaging_dir}/systemd/vort-quellix.default DESTINATION /etc/default
          RENAME vort-quellix)
  install(FILES ${vort_packaging_dir}/systemd/vort-tools.logrotate DESTINATION /etc/logrotate.d
          RENAME vort-tools)
endif()

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vort-tools)
set(CPACK_PACKAGE_VENDOR "VORT tool set developers")
set(CPACK_PACKAGE_CONTACT "VORT tool set developers <vort-tools@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VORT tool set developers <vort-tools@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC tool set of the VORT GPS tracking unit")
# The summary is the synopsis; this is the long description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "vortsetup configures a VORT unit over a serial port: its settings, its log
of GPS positions and its table of camera locations. Server sends operating
systems, configurations and camera tables to units that call in over UDP;
Quellix receives and acknowledges their real-time messages. Both also run
without a window as systemd services (units shipped, not enabled), with
Prometheus metrics. vortsim and vortsim-udp play a unit, for trying the
programs without hardware.")
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
# The help buttons open the texts with xdg-open where it is installed, else in a viewer of their
# own: a server without a desktop needs none of it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
# Files in /etc are the administrator's: an upgrade keeps their changes.
file(WRITE ${vort_generated}/conffiles
     "/etc/default/vort-server\n/etc/default/vort-quellix\n/etc/logrotate.d/vort-tools\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${vort_generated}/conffiles)
include(CPack)

add_subdirectory(${CMAKE_SOURCE_DIR}/scripts/pictures ${CMAKE_BINARY_DIR}/pictures)
