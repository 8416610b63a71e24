add_library(velmorant_test_support STATIC edf_test_files.cpp edf_test_files.h)
target_include_directories(velmorant_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmorant_test_support PUBLIC velmorant_repair)

add_executable(repair_tests
    edf_header_test.cpp
    numeric_text_test.cpp
    utf8_test.cpp
    header_patch_test.cpp
    header_repair_test.cpp
)
target_link_libraries(repair_tests PRIVATE velmorant_test_support GTest::gtest_main)
gtest_discover_tests(repair_tests PROPERTIES TIMEOUT 60)
