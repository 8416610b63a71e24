find_package(Qt5 5.8 REQUIRED COMPONENTS Test)

add_library(velmorant_window_test_support STATIC window_test_support.cpp window_test_support.h)
target_link_libraries(velmorant_window_test_support PUBLIC velmorant_window velmorant_test_support)

set(window_test_environment QT_QPA_PLATFORM=offscreen)
if(VELMORANT_SANITIZE)
    list(APPEND window_test_environment
         LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/qt_offscreen_leaks.supp)
endif()

# One Qt Test program per unit of the window, run without an X server.
function(add_window_test name)
    add_executable(${name} ${name}.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    # The icons come with the object library only; see app/CMakeLists.txt.
    target_link_libraries(${name} PRIVATE velmorant_window_test_support velmorant_resources Qt5::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${window_test_environment}" TIMEOUT 120)
endfunction()

add_window_test(conversion_run_test)
add_window_test(velmorant_form_test)

add_test(NAME resource_format
         COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR} -P ${CMAKE_CURRENT_SOURCE_DIR}/check_resource_format.cmake)
set_tests_properties(resource_format PROPERTIES TIMEOUT 30)
add_window_test(window_interactions_test)
