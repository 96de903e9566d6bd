# Installation, desktop integration and the Debian package.
#
# The game reads its sounds from its working folder, so what goes on PATH is a launcher that
# changes to the data folder and runs the real program from a private folder. The launcher
# finds both relative to itself and the program loads libTarvenko.so relative to its own
# folder: the same tree works under any --prefix, after being moved, and inside the .deb.
#
#   bin/tarvenko                              launcher
#   libexec/tarvenko/tarvenko                 the game
#   <libdir>/libTarvenko.so                   sound library (installed by soundlib/)
#   share/tarvenko/*.wav                      the five sounds (installed by tools/sounds/)
#   share/applications/tarvenko.desktop       runs `tarvenko %f` for the game record's type
#   share/mime/packages/tarvenko.xml          the game record's type (*.tkf, or by its heading)
#   share/man/man6/tarvenko.6.gz
#   share/icons/hicolor/NxN/apps/tarvenko.png
#   share/metainfo/<id>.metainfo.xml
#   share/doc/tarvenko/copyright

set(TARVENKO_APP_ID io.github.tarvenko.Tarvenko)
set(TARVENKO_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/tarvenko)
set(TARVENKO_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tarvenko)
# Must match the destination in soundlib/CMakeLists.txt.
set(TARVENKO_SOUNDLIB_DIR ${CMAKE_INSTALL_LIBDIR}/tarvenko)

foreach(dir CMAKE_INSTALL_BINDIR TARVENKO_PROGRAM_DIR TARVENKO_DATA_DIR TARVENKO_SOUNDLIB_DIR)
    if(IS_ABSOLUTE "${${dir}}")
        message(FATAL_ERROR "${dir} (${${dir}}) must be relative to the prefix: the launcher "
                            "and the game find their files relative to themselves")
    endif()
endforeach()

# The path that leads from one install folder to another, both relative to the prefix.
function(tarvenko_relative_path out from to)
    file(RELATIVE_PATH path "/prefix/${from}" "/prefix/${to}")
    if(path STREQUAL "")
        set(path ".")
    endif()
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

# The game.
tarvenko_relative_path(soundlib_from_program ${TARVENKO_PROGRAM_DIR} ${TARVENKO_SOUNDLIB_DIR})
target_compile_definitions(tarvenko PRIVATE
    TARVENKO_SOUNDLIB_INSTALLED="${soundlib_from_program}/$<TARGET_FILE_NAME:Tarvenko>")
install(TARGETS tarvenko RUNTIME DESTINATION ${TARVENKO_PROGRAM_DIR})

# The launcher.
tarvenko_relative_path(TARVENKO_DATA_FROM_BIN ${CMAKE_INSTALL_BINDIR} ${TARVENKO_DATA_DIR})
tarvenko_relative_path(program_dir_from_bin ${CMAKE_INSTALL_BINDIR} ${TARVENKO_PROGRAM_DIR})
set(TARVENKO_PROGRAM_FROM_BIN "${program_dir_from_bin}/tarvenko")
configure_file(${PROJECT_SOURCE_DIR}/packaging/tarvenko-launcher.in
               ${PROJECT_BINARY_DIR}/packaging/tarvenko @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/tarvenko DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop integration.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvenko.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TARVENKO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The desktop's database of file types takes this in at installation (the package's trigger;
# after `cmake --install`, update-mime-database PREFIX/share/mime).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvenko.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# The manual page, with this version, compressed as Debian keeps them (no name or time in it).
configure_file(${PROJECT_SOURCE_DIR}/packaging/tarvenko.6.in
               ${PROJECT_BINARY_DIR}/packaging/tarvenko.6 @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/tarvenko.6.gz
    COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/packaging/tarvenko.6 > tarvenko.6.gz
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/tarvenko.6
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/packaging
    COMMENT "Compressing the manual page")
add_custom_target(manual_page ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/tarvenko.6.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/tarvenko.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/res/icons/tarvenko-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tarvenko.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvenko)

# The installed tree, checked from a scratch prefix.
if(BUILD_TESTING)
    add_test(NAME install.layout
             COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/packaging/check_install.py
                     --cmake ${CMAKE_COMMAND}
                     --build ${PROJECT_BINARY_DIR}
                     --work ${PROJECT_BINARY_DIR}/install-check
                     --app-id ${TARVENKO_APP_ID}
                     --bindir ${CMAKE_INSTALL_BINDIR}
                     --libdir ${TARVENKO_SOUNDLIB_DIR}
                     --programdir ${TARVENKO_PROGRAM_DIR}
                     --datadir ${CMAKE_INSTALL_DATADIR}
                     --mandir ${CMAKE_INSTALL_MANDIR}
                     --source ${PROJECT_SOURCE_DIR})
    set_tests_properties(install.layout PROPERTIES LABELS install TIMEOUT 120)
endif()

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME tarvenko)
set(CPACK_PACKAGE_VENDOR "The Tarvenko developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "three in a row with shogi pieces")
set(CPACK_PACKAGE_CONTACT "The Tarvenko developers <tarvenko@example.org>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own Japanese texts (file dialogs, standard buttons); the libraries' packages
# come from the shared-library dependencies.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# The window's Mincho: without it Qt falls back to another CJK font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-mincho")
# The synopsis line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Two sides drop shogi pieces, one at a time, onto an empty 9x9 board; the first
to line up exactly three of its own pieces through the piece just dropped wins.
Shogi's drop limits hold, and where the opponent's pieces attack empty squares
the next piece must go on one of them. Play against a friend at one mouse or
against the computer, with sound effects and music.")
include(CPack)
