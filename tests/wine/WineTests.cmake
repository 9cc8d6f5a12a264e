# The Windows build's tests, run under Wine on a virtual X display (CMAKE_CROSSCOMPILING_EMULATOR
# is Wine's loader). GoogleTest is built from Debian's sources with the same compiler.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(target gtest gtest_main)
    target_compile_options(${target} PRIVATE -Wno-error)
endforeach()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(ZAHLIX_WINEARCH win64)
    set(ZAHLIX_DISPLAY :72)
else()
    set(ZAHLIX_WINEARCH win32)
    set(ZAHLIX_DISPLAY :71)
endif()
set(ZAHLIX_WINE_ENV
    DISPLAY=${ZAHLIX_DISPLAY}
    WINEPREFIX=${CMAKE_BINARY_DIR}/wine/prefix
    WINEARCH=${ZAHLIX_WINEARCH}
    WINEDEBUG=-all
    WINELOADER=${CMAKE_CROSSCOMPILING_EMULATOR})

# A kernel without 32-bit x86 support cannot start Wine's 32-bit loader at all ("Exec format
# error"), however Wine is installed. There the i686 build's Wine tests are registered but
# disabled, which CTest reports in its summary; a missing Wine still fails them.
execute_process(
    COMMAND ${ZAHLIX_PYTHON} -c "import os, sys; os.execv(sys.argv[1], sys.argv[1:])" ${CMAKE_CROSSCOMPILING_EMULATOR} --version
    OUTPUT_QUIET ERROR_VARIABLE ZAHLIX_WINE_ERROR)
set(ZAHLIX_WINE_DISABLED FALSE)
if(ZAHLIX_WINE_ERROR MATCHES "Exec format error")
    set(ZAHLIX_WINE_DISABLED TRUE)
    message(WARNING "This machine cannot execute ${CMAKE_CROSSCOMPILING_EMULATOR} (Exec format error): its kernel "
                    "runs no 32-bit x86 programs, so the ${CMAKE_SYSTEM_PROCESSOR} build's Wine tests are disabled here.")
endif()

add_test(NAME wine_start COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wine/wine-env.sh start ${CMAKE_CROSSCOMPILING_EMULATOR})
add_test(NAME wine_stop COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wine/wine-env.sh stop ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
set(ZAHLIX_WINE_TESTS wine_start wine_stop)

# The conversion core and the dialog scenarios on the real USER32, the dialog built from the
# real template linked into the test program.
add_executable(zahlix_win_tests
    convert_test.cpp
    dialog/scenarios_test.cpp
    dialog/user.cpp
    dialog/user_win32.cpp
    ${PROJECT_SOURCE_DIR}/resources/zahlix.rc)
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/zahlix.rc PROPERTIES
    OBJECT_DEPENDS "${ZAHLIX_ICO};${PROJECT_SOURCE_DIR}/dialog/resource.h")
target_include_directories(zahlix_win_tests PRIVATE $<$<COMPILE_LANGUAGE:RC>:${PROJECT_BINARY_DIR}>)
target_link_libraries(zahlix_win_tests PRIVATE zahlix_entry gtest_main)
target_link_options(zahlix_win_tests PRIVATE ${ZAHLIX_STATIC_RUNTIME})
add_test(NAME zahlix_win_tests COMMAND zahlix_win_tests)
set_tests_properties(zahlix_win_tests PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120)
list(APPEND ZAHLIX_WINE_TESTS zahlix_win_tests)


# A build of the program without its resources: the dialog cannot be created, and the program
# must say so with exit code 1.
add_executable(zahlix_without_template WIN32 $<TARGET_OBJECTS:zahlix_entry>)
target_link_libraries(zahlix_without_template PRIVATE zahlix_dialog)
target_link_options(zahlix_without_template PRIVATE ${ZAHLIX_STATIC_RUNTIME})
add_test(NAME zahlix_without_template_ends_with_1
    COMMAND sh -c "\"$0\" \"$1\"; test $? -eq 1" ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zahlix_without_template>)
set_tests_properties(zahlix_without_template_ends_with_1 PROPERTIES FIXTURES_REQUIRED wine)
list(APPEND ZAHLIX_WINE_TESTS zahlix_without_template_ends_with_1)

# The executable's headers, resources and imports, read from the file.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(ZAHLIX_PE_MACHINE amd64)
else()
    set(ZAHLIX_PE_MACHINE i386)
endif()
add_test(NAME zahlix_exe_check
    COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tools/check_exe.py $<TARGET_FILE:zahlix> ${ZAHLIX_PE_MACHINE}
            ${PROJECT_SOURCE_DIR}/resources/zahlix_icon.txt)

# The built program driven from another process, as a user drives it.
add_executable(zahlix_blackbox_test wine/blackbox_test.cpp ${PROJECT_SOURCE_DIR}/resources/zahlix.rc)
target_include_directories(zahlix_blackbox_test PRIVATE $<$<COMPILE_LANGUAGE:RC>:${PROJECT_BINARY_DIR}>)
target_link_libraries(zahlix_blackbox_test PRIVATE gtest)
target_link_options(zahlix_blackbox_test PRIVATE ${ZAHLIX_STATIC_RUNTIME})
add_test(NAME zahlix_blackbox_test COMMAND zahlix_blackbox_test $<TARGET_FILE:zahlix>)
set_tests_properties(zahlix_blackbox_test PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
list(APPEND ZAHLIX_WINE_TESTS zahlix_blackbox_test)

# The tests share one virtual desktop, and keyboard focus with it: one at a time.
set_tests_properties(${ZAHLIX_WINE_TESTS} PROPERTIES ENVIRONMENT "${ZAHLIX_WINE_ENV}" DISABLED ${ZAHLIX_WINE_DISABLED}
    RESOURCE_LOCK wine_desktop)

# Not shipped: the bare dialog program that zahlix.exe is measured against, and the start-up
# benchmark that tools/measure-windows.sh runs.
foreach(bare bare_dialog bare_topmost_dialog)
    add_executable(${bare} WIN32 bench/windows/bare_dialog.cpp bench/windows/bare_dialog.rc)
    target_link_options(${bare} PRIVATE ${ZAHLIX_STATIC_RUNTIME} $<$<CONFIG:Release,MinSizeRel>:-s>)
    target_link_libraries(${bare} PRIVATE user32)
endforeach()
target_compile_definitions(bare_topmost_dialog PRIVATE BARE_TOPMOST)
add_executable(startup_bench bench/windows/startup_bench.cpp)
target_link_options(startup_bench PRIVATE ${ZAHLIX_STATIC_RUNTIME})
