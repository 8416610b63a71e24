# The strict header check and the command-line front end.
add_executable(header_check_tests header_check_test.cpp file_check_test.cpp)
target_link_libraries(header_check_tests PRIVATE velmorant_test_support GTest::gtest_main)
gtest_discover_tests(header_check_tests PROPERTIES TIMEOUT 60)
