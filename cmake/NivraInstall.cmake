# What `cmake --install BUILD --prefix P` gives:
#   P/lib/nivra/     nivra, librcpcv.so and nivra0.act ... nivra9.act together,
#                    because the program looks for the library and the palettes
#                    beside its own executable
#   P/bin/nivra      a relative link to the executable, the command on the path
#   P/share/applications/nivra.desktop,
#   P/share/icons/hicolor/32x32/apps/nivra.png (the program's own icon),
#   P/share/mime/packages/nivra.xml (the RCP family's file type),
#   P/share/metainfo/nivra.metainfo.xml (the software centre's entry) and
#   P/share/man/man1/nivra.1
# The executable and the library are installed by their own targets' rules,
# the palettes by resources/palettes.

# The command: a relative link, so a moved prefix still works. Made at install
# time, where DESTDIR and the prefix chosen then are known.
install(CODE [[
    set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(MAKE_DIRECTORY "${bin}")
    file(REMOVE "${bin}/nivra")
    file(CREATE_LINK ../lib/nivra/nivra "${bin}/nivra" SYMBOLIC)
    message(STATUS "Installing: ${bin}/nivra -> ../lib/nivra/nivra")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_PREFIX}/bin/nivra")
]])

# The desktop entry names the installed command by its full path, so it starts
# the program even where P/bin is not on the menu's search path.
set(NIVRA_DESKTOP_TEMPLATE ${CMAKE_SOURCE_DIR}/resources/desktop/nivra.desktop.in)
install(CODE "set(NIVRA_DESKTOP_TEMPLATE \"${NIVRA_DESKTOP_TEMPLATE}\")")
install(CODE [[
    set(NIVRA_INSTALLED_COMMAND "${CMAKE_INSTALL_PREFIX}/bin/nivra")
    set(entry "${CMAKE_INSTALL_PREFIX}/share/applications/nivra.desktop")
    configure_file("${NIVRA_DESKTOP_TEMPLATE}" "$ENV{DESTDIR}${entry}" @ONLY)
    message(STATUS "Installing: $ENV{DESTDIR}${entry}")
    # The manifest lists installed files without DESTDIR, as CMake's own rules do.
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
]])

# The menu icon, written from the icon compiled into the program.
add_executable(nivra_icon_png ${CMAKE_SOURCE_DIR}/resources/compiler/icon_to_png.cpp)
target_link_libraries(nivra_icon_png PRIVATE nivra_resources PkgConfig::PNG)
set(NIVRA_ICON_PNG ${CMAKE_BINARY_DIR}/share/nivra.png)
add_custom_command(
    OUTPUT ${NIVRA_ICON_PNG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share
    COMMAND nivra_icon_png ${NIVRA_ICON_PNG}
    DEPENDS nivra_icon_png
    COMMENT "Writing the menu icon nivra.png"
    VERBATIM)
add_custom_target(nivra_icon ALL DEPENDS ${NIVRA_ICON_PNG})
install(FILES ${NIVRA_ICON_PNG} DESTINATION share/icons/hicolor/32x32/apps)

# The manual page, and the file type of the RCP family, so a file manager
# offers the program for those files (once update-mime-database has run
# over P/share/mime, as package managers do).
install(FILES ${CMAKE_SOURCE_DIR}/docs/nivra.1 DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/nivra-mime.xml DESTINATION share/mime/packages
    RENAME nivra.xml)

# The software centre's entry. Its homepage and screenshot point at where the
# project is published.
set(NIVRA_PROJECT_URL "https://github.com/nivra-player/nivra" CACHE STRING
    "the project's public home, named by the software centre's entry")
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/nivra.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/share/nivra.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/nivra.metainfo.xml DESTINATION share/metainfo)
