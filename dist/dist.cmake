# Installing on a Linux desktop, and the Debian package.
#
#   cmake --install build --prefix P   puts the program in P/bin, the desktop
#   entry, the icons and the AppStream metadata under P/share;
#   cpack -G DEB (in the build folder) makes vorlith_<version>_<arch>.deb and
#   vorlith-server_<version>_<arch>.deb, the headless table server.
#
# One reverse-DNS id names the desktop entry, the icon and the metadata; the
# program tells the desktop the same id (see src/app/application.cpp).
include(GNUInstallDirs)

set(VORLITH_HOMEPAGE "https://vorlith.example.org/" CACHE STRING "The project's home page (ends with /)")
set(VORLITH_LICENSE "GPL-3.0-or-later" CACHE STRING "SPDX expression of the program's licence")

set(dist ${CMAKE_CURRENT_LIST_DIR})
set(distOut ${CMAKE_BINARY_DIR}/dist)
configure_file(${dist}/org.example.vorlith.desktop.in ${distOut}/${VORLITH_APP_ID}.desktop @ONLY)
configure_file(${dist}/org.example.vorlith.lobby.desktop.in ${distOut}/${VORLITH_APP_ID}.lobby.desktop @ONLY)
configure_file(${dist}/org.example.vorlith.metainfo.xml.in ${distOut}/${VORLITH_APP_ID}.metainfo.xml @ONLY)
configure_file(${dist}/copyright ${distOut}/copyright @ONLY)
file(READ ${CMAKE_SOURCE_DIR}/assets/dict/word-list-LICENSE.txt wordListLicence)
file(APPEND ${distOut}/copyright "${wordListLicence}")

# The lobby lies beside the game: the game's Play with Others finds it there
# (see src/app/CMakeLists.txt), and the lobby starts the game beside it.
install(TARGETS vorlith vorlith-lobby RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT game)
install(FILES ${distOut}/${VORLITH_APP_ID}.desktop ${distOut}/${VORLITH_APP_ID}.lobby.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT game)
install(FILES ${distOut}/${VORLITH_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT game)
install(FILES ${CMAKE_SOURCE_DIR}/assets/images/icons/vorlith.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VORLITH_APP_ID}.svg
        COMPONENT game)
foreach(size 48 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/assets/images/icons/vorlith_${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VORLITH_APP_ID}.png
            COMPONENT game)
endforeach()
install(FILES ${dist}/vorlith.6 ${dist}/vorlith-lobby.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT game)
install(FILES ${distOut}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorlith COMPONENT game)

# The table server's own files (its binary is installed by src/server). The
# settings file goes to /etc as the package's conffile (an operator's edits
# survive upgrades); it is left out of a plain `cmake --install`, which must
# not write outside its prefix. The server runs on its defaults without it.
install(FILES ${dist}/vorlith-server.service DESTINATION lib/systemd/system COMPONENT server)
install(FILES ${dist}/server.conf DESTINATION /etc/vorlith COMPONENT server EXCLUDE_FROM_ALL)
install(FILES ${distOut}/copyright ${CMAKE_SOURCE_DIR}/docs/server.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorlith-server
        COMPONENT server)

# The package. Its libraries come from Debian itself: dpkg-shlibdeps names
# the Qt 6, libjpeg and C++ runtime packages the binary links (Debian's Qt
# Multimedia package carries its media backends). What the binary cannot
# tell: the platform plugin that opens windows, the font the windows ask
# for, and the sound server Qt Multimedia plays through (a desktop has one
# already; a bare system gets PulseAudio, which runs without a session
# manager).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlith)
set(CPACK_PACKAGE_VENDOR "The Vorlith developers")
set(CPACK_PACKAGE_CONTACT "The Vorlith developers <vorlith@example.org>")
# Each package's summary is the first line of its own description: CPack
# would put one shared summary in front of both.
set(gameSummary "timed word game for up to six players")
set(CPACK_PACKAGE_DESCRIPTION "Every round the host deals one board of 36 letters to everybody at the
table; players build words from the letters before the clock runs out, and
every accepted word scores the square of its length. Play alone, host a game
or join one on the local network, with chat, sounds and a tally of wins.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VORLITH_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_GAME_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_GAME_PACKAGE_RECOMMENDS "hicolor-icon-theme")

# One cpack run makes both packages: the game, and the server, which needs
# no display, sound or fonts (dpkg-shlibdeps finds Qt Core, Qt Network and
# libmicrohttpd).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL game server)
set(CPACK_DEBIAN_GAME_PACKAGE_NAME vorlith)
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME vorlith-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION games)
configure_file(${dist}/server.conffiles ${CMAKE_CURRENT_BINARY_DIR}/server/conffiles COPYONLY)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/server/conffiles)
set(CPACK_COMPONENT_GAME_DESCRIPTION "${gameSummary}\n${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_COMPONENT_SERVER_DESCRIPTION "headless table server for the Vorlith word game
Keeps tables of the game open on the internet: each table is a host engine
on a port of its own, with computer players if asked, made and listed
through an HTTP JSON API, with a status page. Runs as a systemd service.")
include(CPack)
