# The real game window on a virtual X server: typed keys, screenshot pixels,
# closing; the block voice of the SDL audio out. Skips itself where Xvfb,
# xdotool or ImageMagick's import is missing.
find_package(X11 REQUIRED)
add_executable(janela_test janela_test.cpp)
target_compile_definitions(janela_test PRIVATE MIRTALAN_BINARIO="$<TARGET_FILE:mirtalan>"
  MIRTALAN_DADOS="${PROJECT_BINARY_DIR}/dados")
target_link_libraries(janela_test PRIVATE plataforma X11::X11 GTest::gtest_main)
add_dependencies(janela_test mirtalan)
gtest_discover_tests(janela_test DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 180)
