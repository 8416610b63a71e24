# The strict header check and the command-line front end.
add_executable(header_check_tests header_check_test.cpp file_check_test.cpp)
target_link_libraries(header_check_tests PRIVATE velmorant_test_support GTest::gtest_main)
gtest_discover_tests(header_check_tests PROPERTIES TIMEOUT 60)

add_library(velmorant_run_program STATIC run_program.cpp run_program.h)
target_link_libraries(velmorant_run_program PUBLIC velmorant_test_support)

add_executable(cli_tests cli_units_test.cpp cli_test.cpp)
target_link_libraries(cli_tests PRIVATE velmorant_cli velmorant_run_program GTest::gtest_main)
target_compile_definitions(cli_tests PRIVATE VELMORANT_CLI="$<TARGET_FILE:velmorant-cli>"
    VELMORANT_SAMPLE="${PROJECT_SOURCE_DIR}/cli/sample/recorder-sample.edf")
add_dependencies(cli_tests velmorant-cli)
gtest_discover_tests(cli_tests PROPERTIES TIMEOUT 60)

# BioSig (Debian's biosig-tools) as an independent reader of what we write.
find_program(SAVE2GDF save2gdf)
if(SAVE2GDF)
    add_executable(biosig_interop_tests biosig_interop_test.cpp)
    target_link_libraries(biosig_interop_tests PRIVATE velmorant_run_program GTest::gtest_main)
    target_compile_definitions(biosig_interop_tests PRIVATE
        VELMORANT_CLI="$<TARGET_FILE:velmorant-cli>" SAVE2GDF="${SAVE2GDF}")
    add_dependencies(biosig_interop_tests velmorant-cli)
    gtest_discover_tests(biosig_interop_tests PROPERTIES TIMEOUT 120)
else()
    message(WARNING "save2gdf not found (Debian package biosig-tools): BioSig interop tests left out")
endif()

# Installation: the desktop entry must pass the freedesktop.org validator.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry_is_valid
             COMMAND ${DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/packaging/velmorant.desktop)
    set_tests_properties(desktop_entry_is_valid PROPERTIES TIMEOUT 30)
else()
    message(WARNING "desktop-file-validate not found (desktop-file-utils): desktop entry test left out")
endif()
if(TARGET velmorant)
    set(window_installed ON)
else()
    set(window_installed OFF)
endif()
add_test(NAME install_puts_everything_in_place
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                 -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-check -DWINDOW=${window_installed}
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/install_check.cmake)
set_tests_properties(install_puts_everything_in_place PROPERTIES TIMEOUT 60)
