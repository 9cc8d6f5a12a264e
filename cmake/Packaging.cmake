# Install rules and CPack: on Linux a .deb (the program, its desktop entry and its icon at two
# sizes), on Windows a .zip that holds zahlix.exe alone. Everything packaged is installed as the
# component "zahlix", and CPack installs that component only, so that a package holds what is
# installed here and nothing that another part of the build (GoogleTest's sources in the Windows
# build) may install.
set(CPACK_PACKAGE_NAME zahlix)
set(CPACK_PACKAGE_VENDOR "Zahlix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};zahlix;/")

if(WIN32)
    # zahlix.exe is linked stripped already (MinSizeRel); the zip holds that very file.
    install(TARGETS zahlix RUNTIME DESTINATION . COMPONENT zahlix)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(CPACK_SYSTEM_NAME win64)
    else()
        set(CPACK_SYSTEM_NAME win32)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})
    # CPack.cmake leaves the source package's name in CPACK_PACKAGE_FILE_NAME: keep ours.
    set(ZAHLIX_ZIP ${CPACK_PACKAGE_FILE_NAME}.zip)
    include(CPack)

    if(BUILD_TESTING)
        # The zip made by cpack holds zahlix.exe alone, byte for byte the built one.
        add_test(NAME zahlix_zip_package
            COMMAND sh ${PROJECT_SOURCE_DIR}/tests/package/zip_test.sh ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR}
                    ${ZAHLIX_ZIP} $<TARGET_FILE:zahlix>)
    endif()
    return()
endif()

include(GNUInstallDirs)

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

set(CPACK_GENERATOR DEB)
# cpack installs with stripping, as the install/strip target does.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION
    "Zahlix is a small window with three fields, DEC, HEX and BIN, that
show one signed 32-bit number at once. Type into any of them and the
other two follow with every keystroke; Enter recalculates from the
focused field and Escape ends it. The number wraps modulo 2^32.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zahlix developers <zahlix@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the program links, found by dpkg-shlibdeps (dpkg-dev) in the packaged binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

option(ZAHLIX_PACKAGE_TEST "Test the .deb: build, install, start and remove it (needs root or sudo)" OFF)
if(BUILD_TESTING)
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
endif()
