# The Debian package (CPack's DEB generator: the install rules are the one
# description of the installed layout, for `cmake --install` and the package
# alike) and what it carries besides the programs: man pages, the menu entry,
# icons and AppStream metadata. `bash scripts/package.sh` builds it.

# Our programs carry the version note that tells an earlier installation of
# ours from a stranger's file of the same name.
set(tsrn_noted_programs tsrnctl)
if(TSRN_BUILD_GUI)
    list(APPEND tsrn_noted_programs tsrn remover)
endif()
foreach(program IN LISTS tsrn_noted_programs)
    target_link_libraries(${program} PRIVATE tsrn_program_version_note)
endforeach()

include(GNUInstallDirs)
set(tsrn_data ${PROJECT_SOURCE_DIR}/data)
set(tsrn_pkg ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${tsrn_pkg})
set(TSRN_DEB_VERSION ${PROJECT_VERSION}-1)

# Man pages, gzip-compressed as Debian wants them, with the version filled in.
set(tsrn_pkg_outputs "")
foreach(page tsrn.1 tsrnctl.1 tsrnvx.8)
    set(VERSION ${PROJECT_VERSION})
    configure_file(${PROJECT_SOURCE_DIR}/docs/${page} ${tsrn_pkg}/man/${page} @ONLY)
    add_custom_command(OUTPUT ${tsrn_pkg}/man/${page}.gz
        COMMAND gzip -9nf -k ${tsrn_pkg}/man/${page}
        DEPENDS ${tsrn_pkg}/man/${page} VERBATIM)
    list(APPEND tsrn_pkg_outputs ${tsrn_pkg}/man/${page}.gz)
    string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
    install(FILES ${tsrn_pkg}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

configure_file(${tsrn_data}/changelog.Debian.in ${tsrn_pkg}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${tsrn_pkg}/changelog.Debian.gz
    COMMAND gzip -9nf -k ${tsrn_pkg}/changelog.Debian
    DEPENDS ${tsrn_pkg}/changelog.Debian VERBATIM)
list(APPEND tsrn_pkg_outputs ${tsrn_pkg}/changelog.Debian.gz)
install(FILES ${tsrn_pkg}/changelog.Debian.gz ${tsrn_data}/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaryn)

configure_file(${tsrn_data}/org.tessaryn.Tessaryn.metainfo.xml.in
    ${tsrn_pkg}/org.tessaryn.Tessaryn.metainfo.xml @ONLY)
install(FILES ${tsrn_pkg}/org.tessaryn.Tessaryn.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${tsrn_data}/org.tessaryn.Tessaryn.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${tsrn_data}/tessaryn.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# PNG sizes of the icon, rendered from the SVG by Qt's svg module (a build
# without the Qt programs has no Qt and packs the scalable icon only).
set(TSRN_ICON_SIZES 16 24 32 48 64 128 256)
if(TSRN_BUILD_GUI)
    add_executable(tsrn_icon_render ${tsrn_data}/icon-render/main.cpp)
    target_link_libraries(tsrn_icon_render PRIVATE Qt6::Svg Qt6::Gui)
    foreach(size IN LISTS TSRN_ICON_SIZES)
        set(png ${tsrn_pkg}/icons/${size}x${size}/tessaryn.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${tsrn_pkg}/icons/${size}x${size}
            COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:tsrn_icon_render> ${tsrn_data}/tessaryn.svg ${size} ${png}
            DEPENDS tsrn_icon_render ${tsrn_data}/tessaryn.svg VERBATIM)
        list(APPEND tsrn_pkg_outputs ${png})
        install(FILES ${png}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()
add_custom_target(package_data ALL DEPENDS ${tsrn_pkg_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaryn)
set(CPACK_PACKAGE_VENDOR "The Tessaryn developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tessaryn developers <author@tessaryn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "keeps chosen folders enciphered in place under one password")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaryn keeps chosen folders enciphered in place. While it runs, its FUSE
driver (tsrnvx) deciphers files as programs read them and enciphers what they
write, so every program keeps using the usual paths. The package holds the
Qt program tsrn, the command-line and rescue tool tsrnctl, the driver and the
manual.
.
The cipher is a fixed legacy format: deterministic, unauthenticated, with a
weak key derivation and a 16-bit password check value. It keeps casual eyes
out; it does not resist a determined attacker.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessaryn.example/")
# dpkg-shlibdeps finds the libraries (libfuse3-3, Qt 6, libsqlite3, the C++
# run time); fuse3 brings fusermount3 and Qt's platform plugins the display.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fuse3, qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the programs a user runs: setup and the remover are for installs
# without dpkg, which removes a package itself.
include(CPack)
