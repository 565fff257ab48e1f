# The program folder, flat, as the viewer looks things up beside itself: the
# viewer, its renderer, converter and QR tool, the templates with their
# configurations and catalogs, and the placeholder (component "viewer"); the
# decrypter stand-in and the sample invoices (component "samples").
install(TARGETS Vandrel ${VIEWER_COMPONENTS} RUNTIME DESTINATION . COMPONENT viewer)
file(GLOB installed_templates ${CMAKE_SOURCE_DIR}/tools/templates/*)
install(FILES ${installed_templates} DESTINATION . COMPONENT viewer)
install(TARGETS selvar RUNTIME DESTINATION . COMPONENT samples)
file(GLOB installed_samples ${CMAKE_SOURCE_DIR}/examples/*.xml)
# The example issuer table lies with the samples: the program folder's own
# tableRFC.cfg is the user's configuration, which no uninstall removes.
install(FILES ${installed_samples} ${CMAKE_SOURCE_DIR}/examples/tableRFC.cfg
              ${CMAKE_SOURCE_DIR}/examples/PlantillaTesmira.vqd DESTINATION Ejemplos COMPONENT samples)
