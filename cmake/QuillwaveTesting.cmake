# SPDX-License-Identifier: GPL-3.0-or-later
# GoogleTest for both builds, and one helper that every test folder uses.
if(CMAKE_CROSSCOMPILING)
    # Debian's installed GoogleTest is Linux-only: build it from source with the cross compiler.
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(lib gtest gtest_main gmock)
        if(NOT TARGET GTest::${lib})
            add_library(GTest::${lib} ALIAS ${lib})
        endif()
    endforeach()
else()
    find_package(GTest REQUIRED)
endif()

set(QUILLWAVE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for the Windows tests")

# quillwave_add_gtest(<name> SOURCES ... [LIBS ...] [ARGS ...] [LABELS ...] [TIMEOUT s]
#                     [LAUNCHER program])
# Builds one GoogleTest binary and registers it with CTest; Windows binaries run under wine, and
# a LAUNCHER runs the test binary given as its first argument.
function(quillwave_add_gtest name)
    cmake_parse_arguments(T "" "TIMEOUT;LAUNCHER" "SOURCES;LIBS;ARGS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    if(T_LAUNCHER)
        add_test(NAME ${name} COMMAND ${T_LAUNCHER} $<TARGET_FILE:${name}> ${T_ARGS})
    else()
        add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 600)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "WINEPREFIX=${QUILLWAVE_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
    # The ThreadSanitizer flavour builds only these.
    if("concurrency" IN_LIST T_LABELS)
        if(NOT TARGET concurrency_tests)
            add_custom_target(concurrency_tests)
        endif()
        add_dependencies(concurrency_tests ${name})
    endif()
endfunction()
