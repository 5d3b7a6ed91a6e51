# The install layout, the desktop integration and the Debian package.
#
# The program looks for libZOR7Res.so only in its executable's own folder, and keeps its settings
# file beside the executable when that folder is writable. So the two live together in a folder
# of their own, lib/potero, rather than in bin where the settings file and a library would sit
# among every other program. bin holds a relative symbolic link to the executable: the program
# resolves its own path through /proc/self/exe, so started through the link it still sees
# lib/potero as its folder, and the process is the program itself, not a wrapper shell.
#
# Everything the program needs is in the component "potero", and the package holds exactly that
# component.

include(GNUInstallDirs)

set(POTERO_INSTALL_PROGRAMDIR "lib/potero"
    CACHE STRING "The folder, under the prefix, that holds the executable and libZOR7Res.so")
set(POTERO_APP_ID "org.potero.Potero")

if(IS_ABSOLUTE "${POTERO_INSTALL_PROGRAMDIR}")
    set(potero_full_programdir "${POTERO_INSTALL_PROGRAMDIR}")
else()
    set(potero_full_programdir "${CMAKE_INSTALL_PREFIX}/${POTERO_INSTALL_PROGRAMDIR}")
endif()

install(TARGETS potero potero-decoder ZOR7Res
    RUNTIME DESTINATION ${POTERO_INSTALL_PROGRAMDIR} COMPONENT potero
    LIBRARY DESTINATION ${POTERO_INSTALL_PROGRAMDIR} COMPONENT potero
)

# The link is made in the build tree and installed as a link; being relative, it stays right
# under any DESTDIR and in the package's staging folder. With the program folder set to bin
# itself there is nothing to link, and a link would replace the executable.
file(RELATIVE_PATH potero_link_target "${CMAKE_INSTALL_FULL_BINDIR}"
     "${potero_full_programdir}/potero")
if(NOT potero_link_target STREQUAL "potero")
    set(potero_link "${CMAKE_BINARY_DIR}/packaging/bin/potero")
    file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/packaging/bin")
    file(CREATE_LINK "${potero_link_target}" "${potero_link}" SYMBOLIC)
    install(FILES "${potero_link}" DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT potero)
endif()

# Every theme size is drawn at build time from the window icon's own SVG source, by the tool
# that renders the built-in pictures (resources/).

set(potero_icon_source "${PROJECT_SOURCE_DIR}/resources/artwork/icon.svg")
set(potero_icon_root "${CMAKE_BINARY_DIR}/packaging/icons")
set(potero_icon_files)
foreach(size IN ITEMS 32 64 128 256)
    set(icon "${potero_icon_root}/${size}x${size}/apps/${POTERO_APP_ID}.png")
    add_custom_command(OUTPUT "${icon}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${potero_icon_root}/${size}x${size}/apps"
        COMMAND artworkgen --icon "${potero_icon_source}" ${size} "${icon}"
        DEPENDS artworkgen "${potero_icon_source}"
        COMMENT "Rendering the ${size}x${size} icon"
        VERBATIM)
    list(APPEND potero_icon_files "${icon}")
    install(FILES "${icon}" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT potero)
endforeach()
add_custom_target(potero_icons ALL DEPENDS ${potero_icon_files})

install(FILES "${potero_icon_source}"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${POTERO_APP_ID}.svg
    COMPONENT potero)
install(FILES packaging/${POTERO_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT potero)
install(FILES packaging/${POTERO_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT potero)

# The Debian package. The libraries the executable links come from dpkg-shlibdeps; what it
# needs without linking is listed: the Japanese fonts its pictures are drawn with, xdg-open for
# opening the maker's web page, and the toolkit's translations for its file dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME potero)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The potero developers <potero@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small bus on the desktop that shows your pictures")
set(CPACK_PACKAGE_DESCRIPTION
    "A small bus seen from its side sits on the desktop in a fixed window. Its destination sign \
steps through the pictures of a folder you pick (BMP, GIF, JPEG, WMF and EMF), its doors open \
and close step by step, and a signboard picture can be dragged about it. A control panel that \
stays on top drives it all.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};potero;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${POTERO_MAKER_HOME_PAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libpulse0 is opened at run time for the door sound, so the library scan cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-liberation, xdg-utils, libpulse0, qt6-translations-l10n")
include(CPack)
