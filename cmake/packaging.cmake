# The Debian packages: `cpack -G DEB` in the build folder writes, from the install rules'
# components,
#   vimbrel_<version>_amd64.deb         the game and the lobby program (component game)
#   vimbrel-server_<version>_amd64.deb  the dedicated host, the lobby's bot, the lobby
#                                       server's configuration and systemd units (server)
# A server-only configure writes the second alone. Dependencies come from the libraries
# the programs link (dpkg-shlibdeps), so the server's name no GUI library.
include(GNUInstallDirs)

# ---- what the server package holds, besides vimbrel-host and its manual page ----------
# The units name the programs where they are installed, so they are written at install
# time, when the prefix is known (cmake --install --prefix, packages staged with DESTDIR).
set(vimbrel_units vimbrel-host)
# (The bot's own folder installs the program into this component.)
if(TARGET vimbrel-lobbybot)
  list(APPEND vimbrel_units vimbrel-lobbybot)
endif()
foreach(unit ${vimbrel_units})
  install(CODE "
    file(READ \"${CMAKE_CURRENT_LIST_DIR}/systemd/${unit}.service.in\" unit)
    string(REPLACE \"@BINDIR@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" unit \"\${unit}\")
    file(WRITE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/system/${unit}.service\" \"\${unit}\")
    message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/system/${unit}.service\")
  " COMPONENT server)
endforeach()
# The lobby server's runner, beside the ejabberd configuration it fills in and the game
# version whose room it creates; /usr/bin/vimbrel-lobby-server points to it.
if(EXISTS ${PROJECT_SOURCE_DIR}/server/vimbrel-lobby-server)
  set(vimbrel_share ${CMAKE_INSTALL_DATADIR}/vimbrel-server)
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/server/vimbrel-lobby-server DESTINATION ${vimbrel_share}
          COMPONENT server)
  file(GLOB vimbrel_server_templates ${PROJECT_SOURCE_DIR}/server/*.in)
  install(FILES ${vimbrel_server_templates} DESTINATION ${vimbrel_share} COMPONENT server)
  string(REGEX MATCH "^[0-9]+\\.[0-9]+\\.[0-9]+" vimbrel_protocol_version ${PROJECT_VERSION})
  file(WRITE ${CMAKE_BINARY_DIR}/protocol-version "${vimbrel_protocol_version}\n")
  install(FILES ${CMAKE_BINARY_DIR}/protocol-version DESTINATION ${vimbrel_share} COMPONENT server)
  # The lobby's web page with its one library from npm (web/node_modules, which ./dev
  # fills with npm ci), laid out as the runner serves it.
  set(vimbrel_web_lib ${PROJECT_SOURCE_DIR}/web/node_modules/strophe.js)
  if(EXISTS ${vimbrel_web_lib}/dist/strophe.umd.min.js)
    file(GLOB vimbrel_web_files ${PROJECT_SOURCE_DIR}/web/*.html ${PROJECT_SOURCE_DIR}/web/*.css
         ${PROJECT_SOURCE_DIR}/web/*.js)
    install(FILES ${vimbrel_web_files} DESTINATION ${vimbrel_share}/web COMPONENT server)
    install(FILES ${vimbrel_web_lib}/dist/strophe.umd.min.js DESTINATION ${vimbrel_share}/web/lib
            COMPONENT server)
    install(FILES ${vimbrel_web_lib}/LICENSE.txt DESTINATION ${vimbrel_share}/web/lib
            RENAME strophe.LICENSE.txt COMPONENT server)
  else()
    message(WARNING "web/node_modules lacks the web page's library (npm ci in web/; ./dev does): "
                    "the server's package will not hold the lobby's web page")
  endif()
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../share/vimbrel-server/vimbrel-lobby-server
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vimbrel-lobby-server\" SYMBOLIC)
  " COMPONENT server)
endif()
# The lobby program goes with the game (its own folder installs it there), and with it
# its desktop entry, named as the program names itself to the desktop.
if(TARGET zumveklobby)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/com.zumvek.ZumvekLobby.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT game)
endif()

# ---- the packages ---------------------------------------------------------------------
set(CPACK_PACKAGE_NAME vimbrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zumvek Software")
set(CPACK_PACKAGE_CONTACT "Zumvek Software <vimbrel@zumvek.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the packages are written to the build folder; nothing else of the build goes in.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEB_COMPONENT_INSTALL ON)
if(VIMBREL_SERVER_ONLY)
  set(CPACK_COMPONENTS_ALL server)
else()
  set(CPACK_COMPONENTS_ALL game server)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zumvek.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

set(CPACK_DEBIAN_GAME_PACKAGE_NAME vimbrel)
set(CPACK_COMPONENT_GAME_DESCRIPTION "dice game of ten phases, alone or over the network")
# Sound reaches the speakers through the multimedia backend's plugins; Qt's own German
# texts (the buttons of message boxes) come with its translations.
set(CPACK_DEBIAN_GAME_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-base, qt6-translations-l10n")
set(CPACK_DEBIAN_GAME_PACKAGE_SUGGESTS "vimbrel-server")
# CPack puts the summary first and indents this text below it; an empty line becomes " .".
set(CPACK_DEBIAN_GAME_DESCRIPTION
    "dice game of ten phases, alone or over the network
Vimbrel is a dice game for up to four players and five spectators. Roll ten
coloured dice up to three times a turn, keep the ones you want and complete
ten phases in order: sets, runs and seven dice of one colour. The highest
total wins.

Play alone against the computer player Klot, or host and join tables over
IPv4 and IPv6 on TCP port 7772. The Zumvek Lobby (zumveklobby) finds open
tables and people to play with online.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME vimbrel-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION games)
# The runner that sets up a lobby server is a Python script; the server is ejabberd.
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "python3")
set(CPACK_DEBIAN_SERVER_PACKAGE_RECOMMENDS "ejabberd")
set(CPACK_COMPONENT_SERVER_DESCRIPTION "Vimbrel's dedicated host and online lobby, without a display")
set(CPACK_DEBIAN_SERVER_DESCRIPTION
    "Vimbrel's dedicated host and online lobby, without a display
vimbrel-host runs one table of the dice game Vimbrel on a server, and can
announce it in an online lobby. vimbrel-lobbybot keeps the lobby's list of
open tables in the lobby's chat room on an XMPP server (ejabberd); the
package also holds the lobby server's configuration template, the
program that fills it in, and the lobby's web page, which shows the open
tables, who is online and the best players in any browser.

Both come with hardened systemd units that are installed but not enabled.
Nothing here needs a display or a GUI library.")
# The units are handled as Debian's own helpers do for units that are not enabled by
# default: known to systemd after install, stopped on removal, forgotten on purge.
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
    ${CMAKE_CURRENT_LIST_DIR}/debian/prerm
    ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)

include(CPack)
