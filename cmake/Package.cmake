# The Debian binary package korvane-admin_VERSION_amd64.deb (scripts/package.sh runs cpack).
# CPack's DEB generator packs what `cmake --install` installs, so the package holds exactly what a
# hand install does, under the prefix /usr; dpkg-shlibdeps (dpkg-dev) derives the dependencies on
# libraries from the binaries, so they follow the build machine's libraries instead of a hand list.
# Only CPack itself, configured here, is needed; the build targets do not change.
set(KORVANE_PACKAGE_MAINTAINER "KORVANE Admin developers <developers@korvane-admin.example>" CACHE STRING
    "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane-admin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "administration of KORVANE LAN storage devices")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/dist/debian/description.txt)
set(CPACK_PACKAGE_CONTACT ${KORVANE_PACKAGE_MAINTAINER})
# Installed with DESTDIR under the real prefix, so that what is written at install time (the units'
# path of korvanectl, /etc/korvane/monitor.conf) names /usr and /etc, not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the binaries do not link but use when present: xdg-open for the device's web pages and the
# manual, and Qt's own texts (the buttons of standard dialogs) in the user's language. Both are
# optional at run time, so Recommends, which apt installs by default. A Japanese desktop has a CJK
# font already; elsewhere the Japanese texts need one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-cjk")

set(KORVANE_SYSUSERS_FILE ${CPACK_PACKAGING_INSTALL_PREFIX}/${KORVANE_SYSUSERS_DIR}/korvane.conf)
configure_file(${PROJECT_SOURCE_DIR}/dist/debian/postinst.in ${PROJECT_BINARY_DIR}/debian/postinst @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/debian/postinst
    ${PROJECT_SOURCE_DIR}/dist/debian/prerm
    ${PROJECT_SOURCE_DIR}/dist/debian/postrm
    ${PROJECT_SOURCE_DIR}/dist/debian/conffiles)
# Maintainer scripts 0755, the other control files 0644, whatever the checkout's modes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
