# Installation (cmake --install) and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(FILES app/resources/nivora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/resources/nivora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES app/resources/nivora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME nivora.png)
endforeach()

set(CPACK_PACKAGE_NAME "bitmap-nivora")
set(CPACK_PACKAGE_VENDOR "Bitmap Nivora developers")
set(CPACK_PACKAGE_CONTACT "Bitmap Nivora developers <nivora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stores logos in the NV memory of ESC/POS receipt printers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "/usr")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dpkg-shlibdeps finds the Qt 6 libraries
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop tool and command-line companion that download up to 255 BMP logos into the non-volatile graphics memory of ESC/POS receipt printers over a serial, parallel or USB printer port, and print them by number.")
set(CPACK_STRIP_FILES ON)
include(CPack)
