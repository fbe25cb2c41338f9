# A Debian package of what `cmake --install` installs (scripts/package.sh drives it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvela)
set(CPACK_PACKAGE_VENDOR "Orvela")
set(CPACK_PACKAGE_CONTACT "Orvela maintainers <orvela@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer for the readings of automatic weather stations")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvela shows one station of a station database read through ODBC: live gauges, a wind \
direction chart and six time-series graphs, refreshed on a timer. orvela-admin prepares \
configuration files, checks data sources and restores a running program's window.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY orvela)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries the programs link come from dpkg-shlibdeps. What it cannot see is
# loaded at run time: Qt's ODBC plugin, the ODBC driver manager's configuration files, and the
# SVG image plugin that draws the icon and the built-in station picture.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5sql5-odbc, unixodbc-common, libqt5svg5")
# The SQLite driver runs the demo station; the others are the engines people keep station data
# in. hicolor-icon-theme owns the icon folders.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsqliteodbc, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, odbc-mariadb, qt5-image-formats-plugins")

include(CPack)
