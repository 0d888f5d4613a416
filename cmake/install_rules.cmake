# Where the programs and their desktop files go on Linux, in the GNU layout: the programs to
# bin; the manual pages, the desktop entry, the icons, the AppStream metainfo and the shell
# completion under share. The data that carries the version is made from data/ at build time, so the
# programs, the manual pages, the metainfo and the package all show the one project version.
include(GNUInstallDirs)

# Directories the installation makes are world-readable whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(tavro_programs tavro-writer-cli tavro-sim)
if(TAVRO_BUILD_GUI)
    list(PREPEND tavro_programs tavro-writer)
endif()
install(TARGETS ${tavro_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(tavro_data ${PROJECT_SOURCE_DIR}/data)
set(tavro_made ${PROJECT_BINARY_DIR}/data)

# tavro_gzip(<file> <gz-variable>): <file>.gz, made at build time without a time stamp or a
# name inside, so the package is the same on every build.
function(tavro_gzip file gz_variable)
    add_custom_command(OUTPUT ${file}.gz
        COMMAND gzip -9 -n -k -f ${file}
        DEPENDS ${file}
        COMMENT "Compressing ${file}"
        VERBATIM)
    set(${gz_variable} ${file}.gz PARENT_SCOPE)
endfunction()

# Manual pages, one per installed program.
set(tavro_manual_pages)
foreach(program IN LISTS tavro_programs)
    configure_file(${tavro_data}/man/${program}.1.in ${tavro_made}/man/${program}.1 @ONLY)
    tavro_gzip(${tavro_made}/man/${program}.1 page)
    list(APPEND tavro_manual_pages ${page})
endforeach()

# The copyright file is the project's LICENSE in the Debian machine-readable format.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE tavro_license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" _ "${tavro_license}")
set(TAVRO_COPYRIGHT_HOLDERS ${CMAKE_MATCH_1})
string(REGEX REPLACE "^[^\n]*\n\n[^\n]*\n\n" "" tavro_license_body "${tavro_license}")
string(STRIP "${tavro_license_body}" tavro_license_body)
string(REGEX REPLACE "\n\n" "\n.\n" tavro_license_body "${tavro_license_body}")
string(REPLACE "\n" "\n " tavro_license_body "${tavro_license_body}")
set(TAVRO_LICENSE_BODY " ${tavro_license_body}")
configure_file(${tavro_data}/debian/copyright.in ${tavro_made}/copyright @ONLY)

# The changelog of the package, dated with the release.
execute_process(COMMAND date -u -R -d "${TAVRO_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE TAVRO_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
configure_file(${tavro_data}/debian/changelog.in ${tavro_made}/changelog @ONLY)
tavro_gzip(${tavro_made}/changelog tavro_changelog)

add_custom_target(tavro_installed_data ALL DEPENDS ${tavro_manual_pages} ${tavro_changelog})

install(FILES ${tavro_manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${tavro_made}/copyright ${tavro_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(tavro_completion ${tavro_data}/completion)
install(FILES ${tavro_completion}/tavro-writer-cli.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tavro-writer-cli)
install(FILES ${tavro_completion}/_tavro-writer-cli
    DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${tavro_completion}/tavro-writer-cli.fish
    DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

if(NOT TAVRO_BUILD_GUI)
    return()
endif()

# The dialog's launcher, its icon at every size the desktops ask for, and its software-centre
# entry. The icon files are the window icon's drawing, rendered by scripts/icons.
install(FILES ${tavro_data}/linux/tavro-writer.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${tavro_data}/icons/tavro-writer-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME tavro-writer.png)
endforeach()
install(FILES ${tavro_data}/icons/tavro-writer.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
configure_file(${tavro_data}/linux/org.tavro.Writer.metainfo.xml.in
    ${tavro_made}/org.tavro.Writer.metainfo.xml @ONLY)
install(FILES ${tavro_made}/org.tavro.Writer.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
