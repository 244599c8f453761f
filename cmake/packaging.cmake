# The Debian package: `cpack -G DEB` in the build folder writes vimbrel_<version>_amd64.deb
# from the install rules. Its dependencies come from the libraries the programs link
# (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME vimbrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zumvek Software")
set(CPACK_PACKAGE_CONTACT "Zumvek Software <vimbrel@zumvek.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dice game of ten phases, alone or over the network")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the package is written to the build folder; nothing else of the build goes in.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zumvek.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Sound reaches the speakers through the multimedia backend's plugins; Qt's own German
# texts (the buttons of message boxes) come with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-base, qt6-translations-l10n")
# CPack puts the summary first and indents this text below it; an empty line becomes " .".
set(CPACK_PACKAGE_DESCRIPTION
    "Vimbrel is a dice game for up to four players and five spectators. Roll ten
coloured dice up to three times a turn, keep the ones you want and complete
ten phases in order: sets, runs and seven dice of one colour. The highest
total wins.

Play alone against the computer player Klot, or host and join tables over
IPv4 and IPv6 on TCP port 7772. The package also holds vimbrel-host, a
dedicated host without a display, and a systemd unit for it that is
installed but not enabled.")
# The unit is handled as Debian's own helpers do for a unit that is not enabled by
# default: known to systemd after install, stopped on removal, forgotten on purge.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
    ${CMAKE_CURRENT_LIST_DIR}/debian/prerm
    ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
