# What makes every build of one source give the same bytes, and what the Linux program is built
# with for users: the version's numbers for the resources, one date for every time stamp, no build
# path in any output, and Debian's hardening flags.

# The version block's numeric versions, from the project's version. windres reads them as defines:
# in the Windows build as every resource file's compile definitions, in the Linux one on its
# command line.
set(ZAHLIX_RC_VERSION_DEFINES
    ZAHLIX_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} ZAHLIX_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    ZAHLIX_VERSION_PATCH=${PROJECT_VERSION_PATCH} ZAHLIX_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})
foreach(define ${ZAHLIX_RC_VERSION_DEFINES})
    add_compile_definitions($<$<COMPILE_LANGUAGE:RC>:${define}>)
endforeach()
list(TRANSFORM ZAHLIX_RC_VERSION_DEFINES PREPEND -D OUTPUT_VARIABLE ZAHLIX_RC_VERSION_FLAGS)

# One date for every time stamp: SOURCE_DATE_EPOCH when the build is configured with it, else the
# date of the newest release in CHANGELOG.md, whose version must be the project's. A checkout and a
# source archive of one commit thus build the same bytes. The man page's date follows it, and CPack
# stamps the .deb's files with it (CPackProject.cmake, written by cmake/Packaging.cmake).
execute_process(
    COMMAND ${ZAHLIX_PYTHON} ${PROJECT_SOURCE_DIR}/tools/release_files.py release ${PROJECT_SOURCE_DIR}/CHANGELOG.md
            ${PROJECT_VERSION}
    OUTPUT_VARIABLE ZAHLIX_RELEASE
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "CHANGELOG.md must begin with the release ${PROJECT_VERSION} (see tools/release_files.py)")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
separate_arguments(ZAHLIX_RELEASE)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ZAHLIX_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
    if(NOT ZAHLIX_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
        message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, found \"${ZAHLIX_SOURCE_DATE_EPOCH}\"")
    endif()
else()
    list(GET ZAHLIX_RELEASE 1 ZAHLIX_SOURCE_DATE_EPOCH)
    # string(TIMESTAMP) reads it from the environment.
    set(ENV{SOURCE_DATE_EPOCH} ${ZAHLIX_SOURCE_DATE_EPOCH})
endif()
string(TIMESTAMP ZAHLIX_BUILD_DATE "%Y-%m-%d" UTC)

# No build path in any output: compilers write the source folder as ".", and a build folder
# outside it as "build".
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
    string(FIND "${PROJECT_BINARY_DIR}/" "${PROJECT_SOURCE_DIR}/" at)
    if(NOT at EQUAL 0)
        add_compile_options(-ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
    endif()
endif()

# The Linux program as Debian builds its packages: the hardening flags that dpkg-buildflags adds
# for the features in ZAHLIX_HARDENING (a DEB_BUILD_MAINT_OPTIONS value; empty is Debian's default
# set, "hardening=-all" none). They are what the hardened call gives beyond the plain one, so that
# Debian's other flags (-O2, -g, its own prefix map) stay out. Debug builds stay as they are:
# _FORTIFY_SOURCE needs optimisation.
if(NOT WIN32)
    find_program(ZAHLIX_DPKG_BUILDFLAGS dpkg-buildflags)
    set(ZAHLIX_HARDENING "hardening=+bindnow" CACHE STRING
        "dpkg-buildflags' hardening features for the Linux builds other than Debug (DEB_BUILD_MAINT_OPTIONS)")
    set(ZAHLIX_HARDENING_FLAGS)
    if(ZAHLIX_DPKG_BUILDFLAGS)
        foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
            foreach(set plain hardened)
                set(options hardening=-all)
                if(set STREQUAL "hardened")
                    set(options ${ZAHLIX_HARDENING})
                endif()
                execute_process(
                    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=${options} ${ZAHLIX_DPKG_BUILDFLAGS}
                            --get ${kind}
                    OUTPUT_VARIABLE ${set} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
                separate_arguments(${set} UNIX_COMMAND "${${set}}")
            endforeach()
            if(plain)
                list(REMOVE_ITEM hardened ${plain})
            endif()
            foreach(flag ${hardened})
                string(REPLACE "," "$<COMMA>" flag "${flag}")
                if(kind STREQUAL "LDFLAGS")
                    add_link_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
                else()
                    add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
                endif()
            endforeach()
            list(APPEND ZAHLIX_HARDENING_FLAGS ${hardened})
        endforeach()
    endif()
    message(STATUS "Hardening flags of builds other than Debug (${ZAHLIX_HARDENING}): ${ZAHLIX_HARDENING_FLAGS}")
endif()
