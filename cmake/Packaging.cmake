# The Debian package for users: `cpack -G DEB` in a configured build folder
# (scripts/package builds the release preset, packs it and runs lintian).
# It holds what `cmake --install` installs, stripped, with the manual page
# and the Debian changelog compressed as Debian policy asks; the libraries it
# needs are found by dpkg-shlibdeps.

set(PLOMIX_PACKAGE_MAINTAINER "Quernfield <plomix2@quernfield.com>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME plomix2)
set(CPACK_PACKAGE_VENDOR Quernfield)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of storage media with a Japanese interface")
set(CPACK_PACKAGE_DESCRIPTION
  "Plomix2 reads a disk, CD or DVD, USB stick, network share or any folder
once and keeps every folder and file of it in one catalogue file, so that
the media can be browsed, searched, checked for duplicate and similar file
names, commented, marked and exported while it sits in a drawer.
.
The package holds the window (plomix2) and the command-line tool
plomix2-cli, which works on the same catalogues.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(PLOMIX_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PLOMIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the linked libraries: Qt's platform plugins (the window cannot open
# without them); Qt's Japanese texts and a Japanese font are recommended, the
# image plugins (WebP media pictures) suggested.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-image-formats-plugins")

# The Debian changelog, dated when configured (SOURCE_DATE_EPOCH is honoured).
string(TIMESTAMP PLOMIX_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog.in
  ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
set(PLOMIX_DEB_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/DebianStage.cmake)
# Passed on to DebianStage.cmake through CPackConfig.cmake.
set(CPACK_PLOMIX_DEB_CHANGELOG ${PLOMIX_DEB_CHANGELOG})
set(CPACK_PLOMIX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/plomix2)
set(CPACK_PLOMIX_MAN_DIR ${CMAKE_INSTALL_MANDIR})

include(CPack)
