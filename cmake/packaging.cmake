# The packages of a build, made by CPack (`cmake --build BUILD --target
# package`): the MinGW build makes the Windows installer
# grinzo-VERSION-setup.exe (NSIS) and the portable grinzo-VERSION-win64.zip;
# the native build makes the Debian package grinzo_VERSION_ARCH.deb. Each
# holds what the build's install rules install; the version is the project's.

include(GNUInstallDirs)
set(GRINZO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
# The program's title, from the one place that defines it.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/ui/runtime/app_info.h _title
     REGEX "^#define GRINZO_APP_TITLE \"[^\"]+\"$")
string(REGEX REPLACE ".*\"([^\"]+)\"$" "\\1" GRINZO_APP_TITLE "${_title}")

set(CPACK_PACKAGE_NAME grinzo)
set(CPACK_PACKAGE_VENDOR "The ${GRINZO_APP_TITLE} authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver that is also a shooting game")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${GRINZO_APP_TITLE}")
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)
# Per generator: the installer's and the zip's file names (see the file).
set(CPACK_PROJECT_CONFIG_FILE ${GRINZO_PACKAGING_DIR}/cpack-options.cmake)

if(WIN32)
  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_PACKAGE_FILE_NAME grinzo-${PROJECT_VERSION}-win64)
  # The project's own installer script: a 64-bit installer (it installs a
  # 64-bit program) that also sets the user's screen saver.
  list(PREPEND CMAKE_MODULE_PATH ${GRINZO_PACKAGING_DIR}/windows)
  set(CPACK_NSIS_DISPLAY_NAME "${GRINZO_APP_TITLE}")
  set(CPACK_NSIS_UNINSTALL_NAME uninstall)
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  # The uninstall entry's key and the program's settings key share the title.
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "${GRINZO_APP_TITLE}")
  set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/assets/grinzo.ico)
  set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/assets/grinzo.ico)
elseif(GRINZO_QT)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Grinzo Screensaver maintainers <maintainers@grinzo.invalid>")
  # Under the summary, which is the synopsis.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "It photographs the desktop, covers the screen with it, and grinning faces
wander over it. Played in a window or full screen, the mouse shoots them
with a handgun, a shotgun or a machine gun; every shot leaves holes and
splats in the picture for good. As an XScreenSaver module the computer
plays.")
  # The libraries the program needs, as dpkg-shlibdeps finds them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Qt's Wayland platform is a plugin, which no library dependency names;
  # without it a Wayland session falls back to Xwayland.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-wayland)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | swayidle")
  # Root owns every file, whoever builds the package.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                                  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

  # The package's own documents, compressed without a time stamp as Debian
  # wants them. The version is native (no Debian revision), so the change log
  # is changelog.gz.
  set(_doc ${CMAKE_BINARY_DIR}/debian-doc)
  add_custom_command(
    OUTPUT ${_doc}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_doc}
    COMMAND gzip -9nc ${GRINZO_PACKAGING_DIR}/debian/changelog > ${_doc}/changelog.gz
    DEPENDS ${GRINZO_PACKAGING_DIR}/debian/changelog
    COMMENT "Compressing the Debian change log")
  add_custom_target(grinzo_debian_doc ALL DEPENDS ${_doc}/changelog.gz)
  install(FILES ${GRINZO_PACKAGING_DIR}/debian/copyright ${_doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # How an idle daemon starts the game on Wayland.
  install(FILES ${GRINZO_PACKAGING_DIR}/linux/swayidle.example
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

# A build without the Linux program (GRINZO_QT off) has nothing to package.
if(WIN32 OR GRINZO_QT)
  include(CPack)
endif()
