# Installing Quillfray like any desktop game, and its Debian package (CPack).
#
# Layout under the prefix, after Debian's convention for games:
#   games/quillfray                   the command: starts the game on the installed files
#   lib/games/quillfray/quillfray     the game program the command starts
#   bin/quillfray-sim, bin/quillfray-check, bin/quillfray-lsp
#   share/games/quillfray/            base.vec, font.vec, default.lev, quillfray.cfg
#   share/applications/quillfray.desktop, share/icons/hicolor/.../quillfray.{svg,png}
#   share/man/man6/quillfray.6.gz, share/doc/quillfray/
# `cmake --install build [--prefix P]` and `cpack -G DEB` (prefix /usr) both install it.
include(GNUInstallDirs)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/core/version.h)

set(QF_INSTALL_GAMESDIR games CACHE STRING "Folder of the quillfray command, under the prefix")
set(QF_INSTALL_GAMELIBDIR lib/games/quillfray CACHE STRING
    "Folder of the game program the quillfray command starts, under the prefix")
set(QF_INSTALL_GAMEDATADIR share/games/quillfray CACHE STRING
    "Folder of the game's definition files, under the prefix")
set(QF_PACKAGE_CONTACT "Quillfray maintainers <quillfray@localhost>" CACHE STRING
    "Maintainer field of the Debian package")

set(qf_packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(qf_generated ${CMAKE_CURRENT_BINARY_DIR}/packaging)

# The command: a shell script that finds the program and the data beside itself, so the
# installed tree works under any prefix (and under DESTDIR).
file(RELATIVE_PATH QF_GAME_FROM_COMMAND /${QF_INSTALL_GAMESDIR} /${QF_INSTALL_GAMELIBDIR}/quillfray)
file(RELATIVE_PATH QF_DATA_FROM_COMMAND /${QF_INSTALL_GAMESDIR} /${QF_INSTALL_GAMEDATADIR})
configure_file(${qf_packaging}/quillfray.sh.in ${qf_generated}/quillfray @ONLY)

# The icon, drawn from base.vec's first ship by quillfray-icon.
add_custom_command(
    OUTPUT ${qf_generated}/quillfray.svg ${qf_generated}/quillfray.png
    COMMAND quillfray-icon ${CMAKE_CURRENT_SOURCE_DIR}/data ${qf_generated}/quillfray.svg
            ${qf_generated}/quillfray.png
    DEPENDS quillfray-icon ${CMAKE_CURRENT_SOURCE_DIR}/data/base.vec
    COMMENT "Drawing the icon from data/base.vec")
# The manual page, compressed as Debian wants it (-n: no time stamp, the same bytes each build).
add_custom_command(
    OUTPUT ${qf_generated}/quillfray.6.gz
    COMMAND gzip -9n -c ${qf_packaging}/quillfray.6 > ${qf_generated}/quillfray.6.gz
    DEPENDS ${qf_packaging}/quillfray.6
    COMMENT "Compressing the manual page")
add_custom_target(quillfray_install_files ALL DEPENDS
    ${qf_generated}/quillfray.svg ${qf_generated}/quillfray.png ${qf_generated}/quillfray.6.gz)

install(TARGETS quillfray RUNTIME DESTINATION ${QF_INSTALL_GAMELIBDIR})
install(TARGETS quillfray-sim quillfray-check quillfray-lsp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${qf_generated}/quillfray DESTINATION ${QF_INSTALL_GAMESDIR})
install(FILES data/base.vec data/font.vec data/default.lev data/quillfray.cfg
        DESTINATION ${QF_INSTALL_GAMEDATADIR})
install(FILES ${qf_generated}/quillfray.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${qf_generated}/quillfray.png
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/256x256/apps)
install(FILES ${qf_generated}/quillfray.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES README.md docs/levels.md docs/reference.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/examples DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The desktop entry names the program and the data by absolute paths, so it is written
# at install time, when the prefix is known (`--prefix` may change it then).
install(CODE "
    set(QF_GAME \"\${CMAKE_INSTALL_PREFIX}/${QF_INSTALL_GAMELIBDIR}/quillfray\")
    set(QF_DATA \"\${CMAKE_INSTALL_PREFIX}/${QF_INSTALL_GAMEDATADIR}\")
    configure_file(${qf_packaging}/quillfray.desktop.in ${qf_generated}/quillfray.desktop @ONLY)
    file(INSTALL ${qf_generated}/quillfray.desktop
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATAROOTDIR}/applications\")
")

# The Debian package: `cpack -G DEB` in the build folder makes quillfray_VERSION_ARCH.deb,
# its dependencies found by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_PACKAGE_NAME quillfray)
set(CPACK_PACKAGE_VENDOR "Quillfray")
set(CPACK_PACKAGE_CONTACT "${QF_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vertically scrolling shoot-'em-up drawn with coloured lines")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quillfray is a vertically scrolling shoot-'em-up in which everything on screen\n"
    "is a coloured line: ships, enemies, bullet patterns, explosions and letters.\n"
    "Ships, enemies and stages come from plain-text definition files run by a small\n"
    "script interpreter. Includes quillfray-check, which reports what the game would\n"
    "misread in a level, quillfray-lsp, a language server that brings those reports,\n"
    "completion and an outline of level files into an editor, and quillfray-sim,\n"
    "which runs the game without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
