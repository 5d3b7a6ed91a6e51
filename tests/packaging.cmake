# The installed program: its desktop entry and metainfo checked by the desktop's own validators
# (skipped where they are not installed), and an install into a scratch root, started there.
add_test(NAME packaging_metainfo
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/validate.sh appstreamcli
                 ${PROJECT_SOURCE_DIR}/packaging/org.potero.Potero.metainfo.xml)
add_test(NAME packaging_desktop_entry
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/validate.sh desktop-file-validate
                 ${PROJECT_SOURCE_DIR}/packaging/org.potero.Potero.desktop)
add_test(NAME packaging_install
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/install.sh ${CMAKE_COMMAND}
                 ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/packaging-root ${PROJECT_VERSION})
set_tests_properties(packaging_metainfo packaging_desktop_entry PROPERTIES SKIP_RETURN_CODE 77)
# Under X it drives the program's windows with the pointer, so nothing else may run on the
# display meanwhile.
set_tests_properties(packaging_install PROPERTIES TIMEOUT 90 RUN_SERIAL ON)
