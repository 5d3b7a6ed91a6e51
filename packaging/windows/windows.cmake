# The Windows program: a windowed executable with its icon, version, manifest and door sounds
# as resources, and the folder it runs from (Qt's libraries and plugins, the Japanese
# translations, the compiler's run-time libraries, the licences). ./dev windows packs that folder
# as a zip and as an installer.

set(potero_windows_dir "${CMAKE_CURRENT_LIST_DIR}")
set(POTERO_ICO "${CMAKE_BINARY_DIR}/packaging/potero.ico")
set(POTERO_MANIFEST "${potero_windows_dir}/potero.manifest")
add_custom_command(OUTPUT "${POTERO_ICO}"
    COMMAND "${POTERO_ARTWORKGEN}" --ico "${PROJECT_SOURCE_DIR}/resources/artwork/icon.svg"
            "${POTERO_ICO}"
    DEPENDS "${POTERO_ARTWORKGEN}" "${PROJECT_SOURCE_DIR}/resources/artwork/icon.svg"
    COMMENT "Drawing the Windows icon")
add_custom_target(potero_ico DEPENDS "${POTERO_ICO}")
add_dependencies(potero potero_ico)
configure_file("${potero_windows_dir}/potero.rc.in" "${CMAKE_BINARY_DIR}/packaging/potero.rc" @ONLY)
target_sources(potero PRIVATE "${CMAKE_BINARY_DIR}/packaging/potero.rc")
set_source_files_properties("${CMAKE_BINARY_DIR}/packaging/potero.rc" PROPERTIES
    OBJECT_DEPENDS "${POTERO_ICO};${POTERO_MANIFEST};${PROJECT_SOURCE_DIR}/resources/door101.wav;${PROJECT_SOURCE_DIR}/resources/door102.wav")
set_target_properties(potero PROPERTIES WIN32_EXECUTABLE ON)

# The folder the program runs from.
install(TARGETS potero potero-decoder ZOR7Res RUNTIME DESTINATION . COMPONENT potero)
install(FILES "${potero_windows_dir}/qt.conf" DESTINATION . COMPONENT potero)
get_target_property(potero_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(potero_qt_bin "${potero_qtcore_dll}" DIRECTORY)
get_filename_component(potero_qt_prefix "${potero_qt_bin}" DIRECTORY)
install(FILES "${potero_qt_bin}/Qt6Core.dll" "${potero_qt_bin}/Qt6Gui.dll"
              "${potero_qt_bin}/Qt6Widgets.dll"
        DESTINATION . COMPONENT potero)
install(FILES "${potero_qt_prefix}/plugins/platforms/qwindows.dll"
        DESTINATION plugins/platforms COMPONENT potero)
install(FILES "${potero_qt_prefix}/plugins/styles/qwindowsvistastyle.dll"
        DESTINATION plugins/styles COMPONENT potero)
install(FILES "${potero_qt_prefix}/plugins/imageformats/qgif.dll"
              "${potero_qt_prefix}/plugins/imageformats/qjpeg.dll"
        DESTINATION plugins/imageformats COMPONENT potero)
# Qt's own dialogs in Japanese, from the host's translations (the same release).
install(FILES /usr/share/qt6/translations/qtbase_ja.qm DESTINATION translations COMPONENT potero)
# The compiler's run-time libraries the program and Qt link.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}")
        find_file(runtime_path ${runtime} PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH)
    endif()
    install(FILES "${runtime_path}" DESTINATION . COMPONENT potero)
    unset(runtime_path CACHE)
endforeach()
# The licences of what the folder ships: Qt (LGPL 3: its libraries stay separate files a user may
# replace) with the libraries it bundles, and the compiler's run-time libraries; Debian's copyright
# files name them all.
install(FILES /usr/share/common-licenses/LGPL-3 /usr/share/common-licenses/GPL-3
        DESTINATION licences COMPONENT potero)
install(FILES /usr/share/doc/qt6-base-dev/copyright DESTINATION licences RENAME Qt.txt
        COMPONENT potero)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licences
        RENAME gcc-runtime.txt COMPONENT potero)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION licences
        RENAME mingw-w64-runtime.txt COMPONENT potero)
