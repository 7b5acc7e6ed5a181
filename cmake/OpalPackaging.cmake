# A Debian package of the installed layout: `cpack -G DEB` in the build folder. The
# libraries the program links are found by dpkg-shlibdeps; the ones named here are those it
# cannot see: the toolkit's X11 platform plugin (loaded at run time) and the caption font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME opal-revel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver of shaded objects that leave trails, with its preset editor")
set(CPACK_PACKAGE_DESCRIPTION "Seven objects, each a stack of shaded spheres and rings, run along one of twenty\nmotion curves and leave their trails. Runs as a screen-saver host's saver, as an\nXScreenSaver display mode (opal-revel --root), and opens its preset editor from the menu.")
set(CPACK_PACKAGE_CONTACT "Opal Revel developers <opal-revel@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6 (>= 6.4), libjpeg62-turbo, libwebp7, libwebpmux3, libvpx7, libxrandr2, qt6-qpa-plugins, fonts-dejavu-core")
# The licence: named in the package's control data and installed where Debian keeps a
# package's copyright file.
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/opal-revel RENAME copyright)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-extra, xscreensaver")
include(CPack)
