# Installation and the Debian package (cpack -G DEB in the build folder).
install(TARGETS wimblet wimblet-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wimblet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pink Heart Software")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "simple and fun text editor that converts text into Cute Style")
set(CPACK_PACKAGE_DESCRIPTION
    "Wimblet is a small single-window text editor. It converts the whole text between\n ordinary writing and Cute Style, Indonesian chat-speak, and back. It also ships\n wimblet-convert, the same conversion as a command-line filter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Wimblet developers <dev@wimblet.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies are computed from the binaries, not listed by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SVG icon plugins Qt loads at run time, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_STRIP_FILES ON)
include(CPack)
