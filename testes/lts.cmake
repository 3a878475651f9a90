# Letter-to-sound rules: the interpreter on small fixtures, and our Portuguese
# rules against the hand-checked golden list.
add_executable(lts_test ${CMAKE_CURRENT_LIST_DIR}/lts_test.cpp)
target_link_libraries(lts_test PRIVATE diphone GTest::gtest_main)
target_compile_definitions(lts_test PRIVATE
  MIRTALAN_DADOS_FONTE="${CMAKE_CURRENT_LIST_DIR}/../dados"
  MIRTALAN_TESTES_DADOS="${CMAKE_CURRENT_LIST_DIR}/dados")
gtest_discover_tests(lts_test)
