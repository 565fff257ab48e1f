# Package file names: TesmiraViewer-<version>-setup.exe and TesmiraViewer-<version>-win64.zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "TesmiraViewer-${CPACK_PACKAGE_VERSION}-setup")
else()
  set(CPACK_PACKAGE_FILE_NAME "TesmiraViewer-${CPACK_PACKAGE_VERSION}-win64")
endif()
