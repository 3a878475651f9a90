# Diphone synthesizer and number reading, on fixtures each test writes.
add_executable(difone_test
  ${CMAKE_CURRENT_LIST_DIR}/difone_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numeros_test.cpp)
target_include_directories(difone_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(difone_test PRIVATE diphone GTest::gtest_main GTest::gmock)
gtest_discover_tests(difone_test DISCOVERY_TIMEOUT 30)
