# The stand-in dialog manager: the platform underneath the program on Linux. The resource
# compiler turns resources/zahlix.rc into a compiled resource file whose bytes are embedded; the
# stand-in reads the dialog template from them. The modal run is a host of its own
# (zahlix_headless), linked into each program beside the stand-in.
#
# The resource compiler preprocesses with this build's own compiler and MinGW-w64's headers
# (mingw-w64-common), as if for Win32: the compiled resources come out as the Windows build's, to
# the byte, without the cross compiler that a Linux build has no other use for.
find_program(ZAHLIX_WINDRES NAMES i686-w64-mingw32-windres windres REQUIRED)
find_path(ZAHLIX_MINGW_INCLUDE_DIR windows.h PATHS /usr/share/mingw-w64/include NO_DEFAULT_PATH REQUIRED)
set(ZAHLIX_RES ${CMAKE_CURRENT_BINARY_DIR}/zahlix.res)
add_custom_command(
    OUTPUT ${ZAHLIX_RES}
    COMMAND ${ZAHLIX_WINDRES} --preprocessor=${CMAKE_CXX_COMPILER} --preprocessor-arg=-E --preprocessor-arg=-xc
            --preprocessor-arg=-DRC_INVOKED --preprocessor-arg=-D_WIN32 --include-dir=${ZAHLIX_MINGW_INCLUDE_DIR}
            --include-dir=${CMAKE_CURRENT_BINARY_DIR} ${ZAHLIX_RC_VERSION_FLAGS} -O res -i zahlix.rc -o ${ZAHLIX_RES}
    DEPENDS resources/zahlix.rc dialog/resource.h ${ZAHLIX_ICO}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/resources
    COMMENT "Compiling resources/zahlix.rc"
    VERBATIM)
add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/program_resources.cpp
    COMMAND ${CMAKE_COMMAND} -DINPUT=${ZAHLIX_RES} -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/program_resources.cpp
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBytes.cmake
    DEPENDS ${ZAHLIX_RES} cmake/EmbedBytes.cmake
    VERBATIM)

add_library(zahlix_platform STATIC
    platform/standin/char_upper.cpp
    platform/standin/codepage.cpp
    platform/standin/dialog_box.cpp
    platform/standin/dialog_template.cpp
    platform/standin/edit.cpp
    platform/standin/keyboard.cpp
    platform/standin/windows.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/program_resources.cpp)
add_library(zahlix_headless OBJECT platform/standin/headless_loop.cpp)
target_link_libraries(zahlix_headless PUBLIC zahlix_platform)

# The real window: the stand-in shown through FLTK 1.3, with Xlib where FLTK has no call (and
# Xrandr for the monitors).
find_library(ZAHLIX_FLTK_LIBRARY fltk REQUIRED)
find_path(ZAHLIX_FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
find_package(X11 REQUIRED)
add_library(zahlix_fltk OBJECT
    # the window, its widgets and the modal run
    platform/fltk/dialog_units.cpp
    platform/fltk/dialog_window.cpp
    platform/fltk/edit_menu.cpp
    platform/fltk/modal_loop.cpp
    # what the window asks of the X11 desktop
    platform/fltk/x11/activation.cpp
    platform/fltk/x11/keep_above.cpp
    platform/fltk/x11/layout_dpi.cpp
    platform/fltk/x11/no_maximise.cpp
    platform/fltk/x11/startup_notification.cpp
    platform/fltk/x11/window_frame.cpp
    platform/fltk/x11/window_icon.cpp
    platform/fltk/x11/wm_request.cpp
    platform/fltk/x11/work_area.cpp
    platform/fltk/x11/x_property.cpp
    # the accessibility host: the status watch over libdbus (the plug-in's loader follows below)
    platform/fltk/a11y/accessibility_status.cpp
    platform/fltk/a11y/dbus_fltk_loop.cpp
    platform/fltk/a11y/dbus_library.cpp)
target_include_directories(zahlix_fltk SYSTEM PUBLIC ${ZAHLIX_FLTK_INCLUDE_DIR})
target_link_libraries(zahlix_fltk PUBLIC zahlix_platform ${ZAHLIX_FLTK_LIBRARY} X11::X11 X11::Xrandr)
# libdbus's headers only: the library is loaded at run time, when the session has a bus to ask.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZAHLIX_DBUS REQUIRED dbus-1)
target_include_directories(zahlix_fltk SYSTEM PRIVATE ${ZAHLIX_DBUS_INCLUDE_DIRS})

# The accessibility bridge: a plug-in linked to ATK and its AT-SPI bridge, which the program
# loads with dlopen only when the session's accessibility is on. It is installed in a folder of
# the program's own under the library directory and found there from the program's place, or
# beside the program in the build tree.
include(GNUInstallDirs)
pkg_check_modules(ZAHLIX_ATK REQUIRED IMPORTED_TARGET atk atk-bridge-2.0)
set(ZAHLIX_A11Y_PLUGIN zahlix-atk.so)
# Debian's multiarch library directory, whatever the prefix (GNUInstallDirs picks it for /usr only).
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(ZAHLIX_A11Y_PLUGIN_INSTALL_DIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/zahlix)
else()
    set(ZAHLIX_A11Y_PLUGIN_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/zahlix)
endif()
file(RELATIVE_PATH ZAHLIX_A11Y_PLUGIN_DIR /${CMAKE_INSTALL_BINDIR} /${ZAHLIX_A11Y_PLUGIN_INSTALL_DIR})
# The accessible objects, apart from the bridge's start, so that a test can build them too.
add_library(zahlix_atk_nodes STATIC
    platform/fltk/a11y/bridge/component.cpp
    platform/fltk/a11y/bridge/events.cpp
    platform/fltk/a11y/bridge/field.cpp
    platform/fltk/a11y/bridge/keys.cpp
    platform/fltk/a11y/bridge/node.cpp
    platform/fltk/a11y/bridge/tree.cpp)
set_target_properties(zahlix_atk_nodes PROPERTIES POSITION_INDEPENDENT_CODE ON CXX_VISIBILITY_PRESET hidden)
target_link_libraries(zahlix_atk_nodes PUBLIC PkgConfig::ZAHLIX_ATK)
add_library(zahlix_atk MODULE platform/fltk/a11y/bridge/plugin.cpp)
set_target_properties(zahlix_atk PROPERTIES PREFIX "" OUTPUT_NAME zahlix-atk SUFFIX .so
                                            LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
                                            CXX_VISIBILITY_PRESET hidden)
target_link_libraries(zahlix_atk PRIVATE zahlix_atk_nodes)
target_sources(zahlix_fltk PRIVATE platform/fltk/a11y/accessibility.cpp)
target_compile_definitions(zahlix_fltk PRIVATE ZAHLIX_A11Y_PLUGIN="${ZAHLIX_A11Y_PLUGIN}"
                                               ZAHLIX_A11Y_PLUGIN_DIR="${ZAHLIX_A11Y_PLUGIN_DIR}")
target_link_libraries(zahlix_fltk PUBLIC ${CMAKE_DL_LIBS})
