# kvi tests: the real kvi binary run on simulated drives, plus the terminal
# pieces driven in-process.
if(TARGET kvi)
  file(GLOB CLI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cli/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/cli/*.h)
  add_executable(cli_tests ${CLI_TEST_SOURCES})
  target_link_libraries(cli_tests PRIVATE kvi_cli test_support GTest::gtest GTest::gtest_main)
  target_include_directories(cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/cli)
  target_compile_definitions(cli_tests PRIVATE KVI_PATH="$<TARGET_FILE:kvi>")
  add_dependencies(cli_tests kvi)
  gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ENVIRONMENT "LC_ALL=C")
endif()
