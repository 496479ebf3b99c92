# The image fuzz target, built by clang with libFuzzer and the address and
# undefined-behaviour sanitizers, beside the ordinary build. Skipped when
# clang++ or its fuzzer runtime is missing.
find_program(KORVALITH_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)

if(KORVALITH_CLANGXX AND NOT DEFINED KORVALITH_FUZZER_WORKS)
  set(probe ${CMAKE_CURRENT_BINARY_DIR}/fuzz_probe.cpp)
  file(WRITE ${probe} "#include <cstdint>\n#include <cstddef>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
  execute_process(COMMAND ${KORVALITH_CLANGXX} -fsanitize=fuzzer,address,undefined ${probe} -o ${CMAKE_CURRENT_BINARY_DIR}/fuzz_probe
                  RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
  if(probe_result EQUAL 0)
    set(KORVALITH_FUZZER_WORKS ON CACHE INTERNAL "clang++ builds libFuzzer targets")
  else()
    set(KORVALITH_FUZZER_WORKS OFF CACHE INTERNAL "clang++ builds libFuzzer targets")
  endif()
endif()

if(NOT KORVALITH_CLANGXX OR NOT KORVALITH_FUZZER_WORKS)
  message(STATUS "fuzz_image: clang++ with libFuzzer not found, fuzz test skipped")
  return()
endif()

get_target_property(fuzz_core_sources korvalith_core SOURCES)
file(GLOB fuzz_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/drive/*.h ${CMAKE_SOURCE_DIR}/image/*.h
     ${CMAKE_SOURCE_DIR}/platform/*.h ${CMAKE_SOURCE_DIR}/ui/*.h)
set(fuzz_binary ${CMAKE_CURRENT_BINARY_DIR}/fuzz_image)
set(fuzz_source ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_image.cpp)

add_custom_command(
  OUTPUT ${fuzz_binary}
  COMMAND ${KORVALITH_CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
          -I${CMAKE_SOURCE_DIR} -DKORVALITH_VERSION_MAJOR=1 -DKORVALITH_VERSION_MINOR=1
          ${fuzz_source} ${fuzz_core_sources} ${LIBDEFLATE_LINK_LIBRARIES} ${LIBARCHIVE_LINK_LIBRARIES}
          ${LIBZSTD_LINK_LIBRARIES} ${LIBLZMA_LINK_LIBRARIES} ${LIBXXHASH_LINK_LIBRARIES} -pthread -o ${fuzz_binary}
  DEPENDS ${fuzz_source} ${fuzz_core_sources} ${fuzz_headers}
  COMMENT "Building the image fuzz target with clang++"
  COMMAND_EXPAND_LISTS VERBATIM)
add_custom_target(fuzz_image_target ALL DEPENDS ${fuzz_binary})

# A bounded run from seeds the target writes itself; findings stay in the
# corpus folder for the next run.
set(fuzz_corpus ${CMAKE_CURRENT_BINARY_DIR}/fuzz_corpus)
add_test(NAME fuzz_image
         COMMAND ${CMAKE_COMMAND} -E env KORVALITH_FUZZ_SEEDS=${fuzz_corpus}
                 ${fuzz_binary} -max_total_time=20 -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 ${fuzz_corpus})
set_tests_properties(fuzz_image PROPERTIES TIMEOUT 180 LABELS fuzz)
