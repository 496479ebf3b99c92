# `make install` into a fresh temporary prefix puts every file in its place.
add_test(NAME install_into_prefix
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-prefix
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/install/CheckInstall.cmake)
