# Installation (cmake --install) and the Debian package (cpack -G DEB, or the
# `package` preset, which builds the package without the tests).
include(GNUInstallDirs)

set(NIVORA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/bitmap-nivora)

install(FILES app/resources/nivora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/resources/io.github.nivora.BitmapNivora.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES app/resources/nivora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES app/resources/nivora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME nivora.png)
endforeach()
install(FILES tools/completion/nivora-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME nivora-cli)
install(FILES docs/examples/coffee.bmp docs/examples/bakery.bmp docs/examples/shop-logos.txt DESTINATION ${NIVORA_DOC_DIR}/examples)
install(FILES packaging/copyright DESTINATION ${NIVORA_DOC_DIR})

# Man pages from their scdoc sources, and the changelog, compressed as Debian wants
# them (gzip -9 without a time stamp, so that builds are reproducible).
find_program(NIVORA_SCDOC scdoc REQUIRED)
find_program(NIVORA_GZIP gzip REQUIRED)
set(NIVORA_GENERATED_DOCS)
foreach(page nivora.1 nivora-cli.1)
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "'${NIVORA_SCDOC}' < '${PROJECT_SOURCE_DIR}/docs/man/${page}.scd' | '${NIVORA_GZIP}' -9n > '${out}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd
    COMMENT "Man page ${page}"
    VERBATIM)
  list(APPEND NIVORA_GENERATED_DOCS ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(changelog ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND sh -c "'${NIVORA_GZIP}' -9n < '${PROJECT_SOURCE_DIR}/packaging/changelog' > '${changelog}'"
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
list(APPEND NIVORA_GENERATED_DOCS ${changelog})
install(FILES ${changelog} DESTINATION ${NIVORA_DOC_DIR})
add_custom_target(nivora_docs ALL DEPENDS ${NIVORA_GENERATED_DOCS})

set(CPACK_PACKAGE_NAME "bitmap-nivora")
set(CPACK_PACKAGE_VENDOR "Bitmap Nivora developers")
# The project has no mail address yet. Debian's Maintainer field and changelog must
# carry one, and lintian refuses the reserved .invalid domain, so these two keep the
# reserved example domain; nothing else names an address or a homepage.
set(CPACK_PACKAGE_CONTACT "Bitmap Nivora developers <nivora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stores logos in the NV memory of ESC/POS receipt printers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "/usr")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dpkg-shlibdeps finds the Qt 6 libraries
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins")
# The extended description below the summary, in lines under 80 characters.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Desktop tool and command-line companion that download up to 255 BMP logos\n"
       "into the non-volatile graphics memory of ESC/POS receipt printers over a\n"
       "serial, parallel or USB printer port or the network, and print them by\n"
       "number. nivora-cli also decodes a recorded byte stream back into pictures.")
set(CPACK_STRIP_FILES ON)
include(CPack)
