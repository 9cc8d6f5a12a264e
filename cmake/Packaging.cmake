# The packages. On Windows a .zip of zahlix.exe and LICENSE.txt. On Linux a .deb made by CPack: the
# program, its desktop entry, its icon at two sizes, its man page, AppStream metadata, a Debian
# changelog and a machine-readable copyright. Everything in the .deb is installed as the component
# "zahlix", and CPack installs that component only, so that the package holds what is installed
# here and nothing else; another target joins the package with install(... COMPONENT zahlix).
if(WIN32)
    # The zip holds zahlix.exe, linked stripped already (MinSizeRel), and beside it LICENSE.txt:
    # Zahlix's licence and the terms of the runtime parts linked into the program. It is made by a
    # script rather than by CPack, whose zips carry the builder's user and the file system's order.
    set(ZAHLIX_LICENSE_TXT ${PROJECT_BINARY_DIR}/LICENSE.txt)
    add_custom_command(
        OUTPUT ${ZAHLIX_LICENSE_TXT}
        COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tools/release_files.py windows-licence
                ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/resources/windows-runtime-licences.txt
                ${ZAHLIX_LICENSE_TXT}
        DEPENDS LICENSE resources/windows-runtime-licences.txt tools/release_files.py
        COMMENT "Making LICENSE.txt"
        VERBATIM)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(ZAHLIX_ZIP ${PROJECT_BINARY_DIR}/zahlix-${PROJECT_VERSION}-win64.zip)
    else()
        set(ZAHLIX_ZIP ${PROJECT_BINARY_DIR}/zahlix-${PROJECT_VERSION}-win32.zip)
    endif()
    add_custom_command(
        OUTPUT ${ZAHLIX_ZIP}
        COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tools/release_files.py zip ${ZAHLIX_ZIP}
                ${ZAHLIX_SOURCE_DATE_EPOCH} $<TARGET_FILE:zahlix> ${ZAHLIX_LICENSE_TXT}
        DEPENDS zahlix ${ZAHLIX_LICENSE_TXT} tools/release_files.py
        COMMENT "Making the zip"
        VERBATIM)
    add_custom_target(zahlix_zip ALL DEPENDS ${ZAHLIX_ZIP})

    if(BUILD_TESTING)
        # The zip holds zahlix.exe and LICENSE.txt, byte for byte the built ones.
        add_test(NAME zahlix_zip_package
            COMMAND sh ${PROJECT_SOURCE_DIR}/tests/package/zip_test.sh ${ZAHLIX_ZIP} ${ZAHLIX_SOURCE_DATE_EPOCH}
                    $<TARGET_FILE:zahlix> ${ZAHLIX_LICENSE_TXT})
        # LICENSE.txt covers every part of the runtime that the link map shows linked in.
        add_test(NAME zahlix_static_licences
            COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tests/package/static_licences_test.py
                    ${PROJECT_BINARY_DIR}/zahlix.map ${ZAHLIX_LICENSE_TXT})
    endif()
    return()
endif()

include(GNUInstallDirs)
set(CPACK_PACKAGE_NAME zahlix)
set(CPACK_PACKAGE_VENDOR "Zahlix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};zahlix;/")

# The same bytes from every build: CPack stamps every file of a package with SOURCE_DATE_EPOCH,
# which it reads from its environment; this file, read by cpack, sets it to the build's date.
# Directories get one mode whatever the umask of the build.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/CPackProject.cmake
     CONTENT "set(ENV{SOURCE_DATE_EPOCH} ${ZAHLIX_SOURCE_DATE_EPOCH})\n")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProject.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The icon for the desktop, from the same text as the .ico: 32 x 32 as drawn and 128 x 128 with
# each pixel scaled 4 times.
set(ZAHLIX_PNG_SIZES 32 128)
set(ZAHLIX_PNGS)
set(ZAHLIX_PNG_TEST_ARGS)
foreach(size ${ZAHLIX_PNG_SIZES})
    set(png ${PROJECT_BINARY_DIR}/zahlix_${size}.png)
    add_custom_command(
        OUTPUT ${png}
        COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tools/make_png_icon.py
                ${PROJECT_SOURCE_DIR}/resources/zahlix_icon.txt ${size} ${png}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/zahlix_icon.txt ${PROJECT_SOURCE_DIR}/tools/make_png_icon.py
                ${PROJECT_SOURCE_DIR}/tools/icon.py
        COMMENT "Making zahlix_${size}.png"
        VERBATIM)
    list(APPEND ZAHLIX_PNGS ${png})
    list(APPEND ZAHLIX_PNG_TEST_ARGS ${size} ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME zahlix.png
            COMPONENT zahlix)
endforeach()
add_custom_target(zahlix_png_icons ALL DEPENDS ${ZAHLIX_PNGS})

install(TARGETS zahlix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT zahlix)
# The accessibility plug-in, where the program looks for it (a library: not executable).
install(TARGETS zahlix_atk LIBRARY DESTINATION ${ZAHLIX_A11Y_PLUGIN_INSTALL_DIR} COMPONENT zahlix
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${PROJECT_SOURCE_DIR}/resources/zahlix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT zahlix)

# The maintainer named in the package and its changelog: a distributor sets their own.
set(ZAHLIX_MAINTAINER "Zahlix developers <zahlix@example.org>" CACHE STRING
    "The .deb's maintainer, as \"Name <address>\"")
if(NOT ZAHLIX_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
    message(FATAL_ERROR "ZAHLIX_MAINTAINER must read \"Name <address>\", found \"${ZAHLIX_MAINTAINER}\"")
endif()

# The files Debian asks of a package beside the program: the man page, the changelog (both
# compressed as Debian does, with no name or time in the gzip header), the copyright in Debian's
# machine-readable format, and the AppStream metadata. CHANGELOG.md and LICENSE are their source.
find_program(ZAHLIX_GZIP gzip REQUIRED)
set(ZAHLIX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zahlix)
set(release_files ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tools/release_files.py)
configure_file(resources/zahlix.1.in ${PROJECT_BINARY_DIR}/zahlix.1 @ONLY)
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/zahlix.1.gz
    COMMAND ${ZAHLIX_GZIP} -9nkf zahlix.1
    DEPENDS ${PROJECT_BINARY_DIR}/zahlix.1
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    VERBATIM)
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
    COMMAND ${release_files} debian-changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md zahlix ${ZAHLIX_MAINTAINER} changelog
    COMMAND ${ZAHLIX_GZIP} -9nf changelog
    DEPENDS CHANGELOG.md tools/release_files.py
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    COMMENT "Making the Debian changelog from CHANGELOG.md"
    VERBATIM)
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/copyright
    COMMAND ${release_files} debian-copyright ${PROJECT_SOURCE_DIR}/LICENSE Zahlix copyright
    DEPENDS LICENSE tools/release_files.py
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    VERBATIM)
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/zahlix.metainfo.xml
    COMMAND ${release_files} metainfo ${PROJECT_SOURCE_DIR}/CHANGELOG.md
            ${PROJECT_SOURCE_DIR}/resources/zahlix.metainfo.xml.in zahlix.metainfo.xml
    DEPENDS CHANGELOG.md resources/zahlix.metainfo.xml.in tools/release_files.py
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    VERBATIM)
add_custom_target(zahlix_package_files ALL
    DEPENDS ${PROJECT_BINARY_DIR}/zahlix.1.gz ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_BINARY_DIR}/copyright
            ${PROJECT_BINARY_DIR}/zahlix.metainfo.xml)
install(FILES ${PROJECT_BINARY_DIR}/zahlix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT zahlix)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_BINARY_DIR}/copyright DESTINATION ${ZAHLIX_DOC_DIR}
        COMPONENT zahlix)
install(FILES ${PROJECT_BINARY_DIR}/zahlix.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT zahlix)

set(CPACK_GENERATOR DEB)
# cpack installs with stripping, as the install/strip target does.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION
    "Zahlix is a small window with three fields, DEC, HEX and BIN, that
show one signed 32-bit number at once. Type into any of them and the
other two follow with every keystroke; Enter recalculates from the
focused field and Escape ends it. The number wraps modulo 2^32.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZAHLIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the program links, found by dpkg-shlibdeps (dpkg-dev) in the packaged binary, and
# libdbus, which it loads with dlopen where a session bus runs, to follow the accessibility status.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libdbus-1-3")
include(CPack)

option(ZAHLIX_PACKAGE_TEST "Test the .deb: build, install, start and remove it (needs root or sudo)" OFF)
option(ZAHLIX_RELEASE_TESTS "Test the release builds: two builds give the same bytes; a build without a preset" OFF)
if(BUILD_TESTING)
    # The writer of the release files that repeat CHANGELOG.md and LICENSE.
    add_test(NAME zahlix_release_files
        COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tests/package/release_files_test.py ${PROJECT_SOURCE_DIR}/tools)
    # The icons as PNG files, pixel by pixel against the picture's text, and the writer's checks.
    add_test(NAME zahlix_png_icons
        COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tests/package/png_icon_test.py
                ${PROJECT_SOURCE_DIR}/resources/zahlix_icon.txt ${ZAHLIX_PNG_TEST_ARGS})
    if(ZAHLIX_PACKAGE_TEST)
        # Installs the package on this machine and removes it again: the only test that does so.
        add_test(NAME zahlix_deb_package
            COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/deb_test.sh ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR}
                    ${CPACK_PACKAGE_VERSION} "${PROJECT_DESCRIPTION}")
        set_tests_properties(zahlix_deb_package PROPERTIES TIMEOUT 180)
    endif()
    if(ZAHLIX_RELEASE_TESTS)
        # Each builds the program again from scratch, the first all release files twice (one to
        # three minutes on two cores): alone, so that they neither slow nor are slowed by the others.
        add_test(NAME zahlix_reproducible_build
            COMMAND sh ${PROJECT_SOURCE_DIR}/tests/package/reproducible_test.sh ${PROJECT_SOURCE_DIR}
                    ${PROJECT_BINARY_DIR}/reproducible-test)
        add_test(NAME zahlix_release_build_without_preset
            COMMAND sh ${PROJECT_SOURCE_DIR}/tests/package/build_type_test.sh ${PROJECT_SOURCE_DIR}
                    ${PROJECT_BINARY_DIR}/build-type-test/Release Release)
        set_tests_properties(zahlix_reproducible_build PROPERTIES TIMEOUT 1200 RUN_SERIAL ON)
        set_tests_properties(zahlix_release_build_without_preset PROPERTIES TIMEOUT 600 RUN_SERIAL ON)
    endif()
endif()
