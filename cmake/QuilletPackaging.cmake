# The Debian package: `cmake --build build --target package` writes
# quillet_<version>_<architecture>.deb holding everything the install() rules
# of the whole tree install, with its dependencies found by dpkg-shlibdeps.
include(GNUInstallDirs)

# Debian wants both in /usr/share/doc/<package>, the changelog compressed.
set(QUILLET_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillet)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/packaging/changelog
    -DOUTPUT=${PROJECT_BINARY_DIR}/changelog.gz -P ${PROJECT_SOURCE_DIR}/cmake/QuilletCompress.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_SOURCE_DIR}/cmake/QuilletCompress.cmake
  COMMENT "Compressing the changelog")
add_custom_target(quillet_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${QUILLET_PACKAGE_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR "The Quillet developers")
# quillet.app is the domain Quillet is to be published under.
set(CPACK_PACKAGE_CONTACT "The Quillet developers <maintainers@quillet.app>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillet.app/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "clipboard history, snippets, AI text transforms and a launcher")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/packaging/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed files carry no symbols; the build tree keeps them for debugging.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as Qt plugins rather than linked, so dpkg-shlibdeps cannot see them:
# the store needs the SQLite driver, the tray and window icons the SVG
# plugins. Wayland sessions, TIFF and WebP copies and the terminal agent's
# sandbox (bubblewrap, else Landlock) are better with the recommended ones.
# QtKeychain opens libsecret at run time to reach the desktop's keyring;
# without it the API key stays in the preferences file. Qt's own German
# texts (standard dialogs) come with its translations package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6, libsecret-1-0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "qt6-wayland, qt6-image-formats-plugins, bubblewrap, gnome-keyring | kwalletmanager, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# `package_source` archives the sources alone, not build trees or history.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "^${PROJECT_SOURCE_DIR}/[.]git/" "^${PROJECT_SOURCE_DIR}/build[^/]*/")

include(CPack)
