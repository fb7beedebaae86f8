# Install layout of a desktop program, and a .deb built by CPack.

# The binaries, desktop entry and icons are installed by their own folders.
if(TWINEX_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.twinex.Twinex.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_PACKAGE_NAME twinex)
set(CPACK_PACKAGE_VENDOR "Twinex developers")
set(CPACK_PACKAGE_CONTACT "Twinex developers <twinex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Duplicate file finder for Linux desktops")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared-library dependencies (Qt, xxhash, zlib, libstdc++) are read off the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opening a file with its default application goes through xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
# The xcb platform plugin lives in libqt6gui6; the Wayland one in qt6-qpa-plugins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
