# What `cmake --install` puts where (GNUInstallDirs), and the Debian package CPack makes of
# it. The programs find the GDAL module and the help pages relative to their own folder
# (base/InstallPaths.h), so the installed tree works under any prefix.

install(TARGETS qn-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS qn-gdal LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/qn)
install(FILES man/qn-render.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(QN_BUILD_GUI)
  install(TARGETS qn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY resources/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/qn/help)
  install(FILES man/qn.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The desktop: the application menu's entry, the icon at the usual sizes, the document
  # type (*.qnf, "QN" at offset 0) the entry opens, and the software centre's description.
  install(FILES resources/desktop/jp.mossgate.QN.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES resources/desktop/jp.mossgate.QN.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES resources/desktop/jp.mossgate.QN.mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME jp.mossgate.QN.xml)
  foreach(size 16 32 48 64 128 256)
    install(FILES resources/icons/hicolor/${size}x${size}/apps/jp.mossgate.QN.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# `cpack -G DEB` in the build folder: qn_<version>_<arch>.deb. The runtime dependencies of
# the libraries come from dpkg-shlibdeps over the installed programs and module; the
# Japanese font and Qt's Japanese texts are data the programs look for, recommended.
set(CPACK_PACKAGE_NAME qn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Mossgate)
set(CPACK_PACKAGE_CONTACT "QN developers <qn@mossgate.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D terrain renderer for height maps")
set(CPACK_PACKAGE_DESCRIPTION
  "QN turns a height map and a surface texture into a picture of a landscape and exports\n the terrain mesh (DXF, STL, OBJ, PLY, glTF). qn is the desktop program, qn-render\n renders pictures, camera flights and meshes from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n")
set(CPACK_GENERATOR DEB)
include(CPack)
