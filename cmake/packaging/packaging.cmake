# The Windows packages: a per-user installer (NSIS) and a zip, made with CPack.
# What is installed, and in which component, is cmake/install.cmake's.

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME TesmiraViewer)
set(CPACK_PACKAGE_VENDOR Tesmira)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Visor de comprobantes fiscales CFD y CFDI")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tesmira Viewer")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Tesmira Viewer")
set(CPACK_COMPONENTS_ALL viewer samples)
set(CPACK_COMPONENT_VIEWER_DISPLAY_NAME "Tesmira Viewer")
set(CPACK_COMPONENT_VIEWER_REQUIRED ON)
set(CPACK_COMPONENT_SAMPLES_DISPLAY_NAME "Descifrador de prueba y ejemplos")
set(CPACK_COMPONENT_SAMPLES_DESCRIPTION "Un descifrador de prueba en lugar del producto hermano, y facturas de ejemplo")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/packaging/per_generator.cmake)

# The user's own programs folder, which that user can write.
set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\\\Programs")
set(CPACK_NSIS_PACKAGE_NAME "Tesmira Viewer")
set(CPACK_NSIS_DISPLAY_NAME "Tesmira Viewer")
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/platform/resources/vandrel.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/platform/resources/vandrel.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME Vandrel.exe)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL OFF)
# The "Open with" verb and the uninstall of what the viewer wrote (extras.nsh).
set(CPACK_TESMIRA_EXTRAS ${CMAKE_SOURCE_DIR}/cmake/packaging/extras.nsh)
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro TesmiraInstallExtras")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro TesmiraUninstallExtras")

list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake/packaging)
include(CPack)
