# The udisks2 way to drives, tried as an unprivileged user against a private
# bus, udev, polkit and udisks2 that the test starts itself (root only; it
# skips, saying why, where that cannot be done). One test program, so the
# daemons start once.
if(TARGET kvi)
  add_executable(udisks_hold ${CMAKE_CURRENT_SOURCE_DIR}/udisks/HoldDevice.cpp)
  target_link_libraries(udisks_hold PRIVATE korvalith_udisks)

  add_executable(udisks_tests ${CMAKE_CURRENT_SOURCE_DIR}/udisks/test_udisks.cpp)
  target_link_libraries(udisks_tests PRIVATE test_support GTest::gtest GTest::gtest_main)
  target_compile_definitions(udisks_tests PRIVATE KVI_PATH="$<TARGET_FILE:kvi>" HOLD_PATH="$<TARGET_FILE:udisks_hold>"
                                                  SANDBOX_PATH="${CMAKE_CURRENT_SOURCE_DIR}/udisks/sandbox.sh")
  add_dependencies(udisks_tests kvi udisks_hold)
  add_test(NAME udisks_tests COMMAND udisks_tests)
  set_tests_properties(udisks_tests PROPERTIES TIMEOUT 300 ENVIRONMENT "LC_ALL=C")
endif()
