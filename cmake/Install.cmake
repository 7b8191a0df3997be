# What `cmake --install` puts where, beside the targets' own install rules (korvane-admin in
# src/app; the manual PDFs, the desktop entry and the icons in res): the command-line programs, the
# manual pages and the monitor's systemd units. Paths are prefix-relative, so that a package built
# with CMAKE_INSTALL_PREFIX=/usr lands where Debian expects it.
include(GNUInstallDirs)

set(KORVANE_SYSTEMD_USER_UNIT_DIR "lib/systemd/user" CACHE STRING
    "Where the user unit korvane-monitor.service goes, relative to the prefix")
set(KORVANE_SYSTEMD_SYSTEM_UNIT_DIR "lib/systemd/system" CACHE STRING
    "Where the system unit korvane-monitor.service goes, relative to the prefix")
set(KORVANE_SYSUSERS_DIR "lib/sysusers.d" CACHE STRING
    "Where the sysusers.d entry of the monitor's system user goes, relative to the prefix")

if(KORVANE_BUILD_TOOLS)
    install(TARGETS korvanectl korvane-sim)
endif()

# The manual pages of the programs this build makes, in each language, compressed as Debian ships
# them (gzip -n: no name or time stamp, so that a rebuild gives the same bytes).
set(KORVANE_MAN_PAGES)
if(KORVANE_BUILD_TOOLS)
    list(APPEND KORVANE_MAN_PAGES korvanectl korvane-sim)
endif()
if(NOT KORVANE_CORE_ONLY)
    list(APPEND KORVANE_MAN_PAGES korvane-admin)
endif()
find_program(KORVANE_GZIP gzip REQUIRED)
set(KORVANE_MAN_OUTPUTS)
foreach(language_dir "" "ja/")
    foreach(page IN LISTS KORVANE_MAN_PAGES)
        set(source ${PROJECT_SOURCE_DIR}/man/${language_dir}${page}.1)
        set(copy ${PROJECT_BINARY_DIR}/man/${language_dir}${page}.1)
        add_custom_command(
            OUTPUT ${copy}.gz
            COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
            COMMAND ${KORVANE_GZIP} -9nf ${copy}
            DEPENDS ${source}
            COMMENT "Compressing the manual page man/${language_dir}${page}.1"
            VERBATIM)
        list(APPEND KORVANE_MAN_OUTPUTS ${copy}.gz)
        install(FILES ${copy}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${language_dir}man1)
    endforeach()
endforeach()
add_custom_target(korvane_man_pages ALL DEPENDS ${KORVANE_MAN_OUTPUTS})

# The units name korvanectl by its installed path: systemd runs no search of PATH for a program
# outside its fixed directories, and /opt or /usr/local prefixes must work as well as /usr. The path
# is written at install time, so that the prefix given to `cmake --install --prefix` (or a package's)
# is the one the units name, not the one of the configuration.
if(KORVANE_BUILD_TOOLS)
    foreach(scope user system)
        set(unit ${PROJECT_BINARY_DIR}/dist/systemd/${scope}/korvane-monitor.service)
        install(CODE "
            set(KORVANE_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
            configure_file(\"${PROJECT_SOURCE_DIR}/dist/systemd/${scope}/korvane-monitor.service.in\"
                           \"${unit}\" @ONLY)")
    endforeach()
    install(FILES ${PROJECT_BINARY_DIR}/dist/systemd/user/korvane-monitor.service
            DESTINATION ${KORVANE_SYSTEMD_USER_UNIT_DIR})
    install(FILES ${PROJECT_BINARY_DIR}/dist/systemd/system/korvane-monitor.service
            DESTINATION ${KORVANE_SYSTEMD_SYSTEM_UNIT_DIR})
    install(FILES ${PROJECT_SOURCE_DIR}/dist/systemd/system/korvane.sysusers
            DESTINATION ${KORVANE_SYSUSERS_DIR} RENAME korvane.conf)
    # The system unit reads /etc/korvane/monitor.conf whatever the prefix; the commented example
    # goes there only for the system's own prefix /usr (a package, or DESTDIR staging), so that a
    # hand install elsewhere never writes to /etc.
    install(CODE "
        if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
            file(INSTALL \"${PROJECT_SOURCE_DIR}/dist/systemd/system/monitor.conf\"
                 DESTINATION /etc/korvane)
        endif()")
endif()
