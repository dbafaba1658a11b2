# What `make deb` puts into the Debian package, and how CPack describes it.
#
# The package installs the program, kestrix-newdb, kestrix-check (which the
# program runs on every database file it did not make), the launcher that the
# desktop entry runs, the desktop entry, the icon and the user guide. Its
# shared-library dependencies come from dpkg-shlibdeps; the list below names
# only what no library check can see: the fonts the printed forms and the
# screens need, Qt's own Chinese translations, and Qt's platform plugins,
# without which no window opens at all.

include(GNUInstallDirs)

# Directories 755 and files 644 whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS kestrix kestrix-newdb kestrix-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS packaging/kestrix-launch DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/kestrix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/kestrix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES packaging/icons/kestrix-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME kestrix.png)
endforeach()

# Debian wants its changelogs compressed at the highest level and without a
# time stamp in the gzip header, so the package builds the same twice.
set(KX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kestrix)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  VERBATIM)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${KX_DOC_DIR})
include(cmake/UserGuide.cmake)

# The manual pages, compressed the same way.
set(KX_MAN_PAGES)
foreach(page kestrix kestrix-newdb kestrix-check kestrix-launch)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1 > ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1
    VERBATIM)
  list(APPEND KX_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
install(FILES ${KX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
add_custom_target(kestrix_package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz ${KX_MAN_PAGES})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrix)
set(CPACK_PACKAGE_VENDOR Kestrix)
set(CPACK_PACKAGE_CONTACT "Kestrix <support@kestrix.cn>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shipping-order register and courier waybill printing for online shops")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Kestrix keeps a register of a small online shop's shipping orders in one
encrypted database file, imports the marketplace's order report, tidies the
imported addresses, and prints courier waybills onto the couriers'
pre-printed forms, one order at a time or the whole list in one job.

The program speaks Simplified Chinese. The desktop entry keeps each user's
database in ~/.local/share/kestrix/.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kestrix <support@kestrix.cn>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.kestrix.cn)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk, fonts-arphic-uming, fonts-liberation2, qt6-translations-l10n, qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
