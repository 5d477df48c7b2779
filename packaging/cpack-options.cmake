# Read by CPack once per generator: the installer is grinzo-VERSION-setup.exe,
# the zip of the same files keeps grinzo-VERSION-win64.zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "grinzo-${CPACK_PACKAGE_VERSION}-setup")
endif()
