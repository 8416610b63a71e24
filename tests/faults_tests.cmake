# Real faults (full disks, read-only mounts, vanishing sources) around the
# repair of one file; each runs in a child process of the test.
add_executable(fault_tests fault_injection_test.cpp fault_harness.cpp fault_harness.h)
target_link_libraries(fault_tests PRIVATE velmorant_test_support GTest::gmock GTest::gtest_main)
gtest_discover_tests(fault_tests PROPERTIES TIMEOUT 120)
