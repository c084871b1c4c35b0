# kvz_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# Builds a GoogleTest program and registers its tests with CTest. Every test carries the
# label "unit" unless LABELS says otherwise; the sanitizer run in CI selects "unit".
function(kvz_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}"
                       ENVIRONMENT "KVZ_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# kvz_add_fuzzer(NAME name SOURCES ... LIBS ... CORPUS dir)
# With KVZ_FUZZ and clang: a libFuzzer binary, listed with its corpus in build/fuzz/targets.txt
# (scripts/fuzz-ci.sh runs every target listed there). Always: a replay program that runs
# LLVMFuzzerTestOneInput over every file of the corpus, registered with CTest.
function(kvz_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME}_replay ${F_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_link_libraries(${F_NAME}_replay PRIVATE ${F_LIBS})
  set_target_properties(${F_NAME}_replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME fuzz_replay.${F_NAME} COMMAND ${F_NAME}_replay ${F_CORPUS})
  set_tests_properties(fuzz_replay.${F_NAME} PROPERTIES LABELS "unit;fuzz")
  if(KVZ_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(${F_NAME}_fuzzer ${F_SOURCES})
    target_compile_options(${F_NAME}_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${F_NAME}_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${F_NAME}_fuzzer PRIVATE ${F_LIBS})
    set_property(GLOBAL APPEND PROPERTY KVZ_FUZZ_TARGETS "${F_NAME}\t$<TARGET_FILE:${F_NAME}_fuzzer>\t${F_CORPUS}")
  endif()
endfunction()

# Writes build/fuzz/targets.txt, one line per fuzz target: name, program, corpus (tab-separated).
# Called once the whole project is read, so that targets defined in any folder are listed.
function(kvz_write_fuzz_targets)
  get_property(targets GLOBAL PROPERTY KVZ_FUZZ_TARGETS)
  list(JOIN targets "\n" lines)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz/targets.txt CONTENT "${lines}\n")
endfunction()
