# Helpers every module uses to declare its tests, benchmarks and fuzz targets.

# qf_add_tests(NAME <exe> LABEL <label> SOURCES <files...> LIBS <libs...> [ENV <VAR=value...>])
# One GoogleTest executable, its cases registered with CTest one by one under a label.
function(qf_add_tests)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT QF_BUILD_TESTS)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(env "QF_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "QF_BINARY_DIR=${PROJECT_BINARY_DIR}"
          "ALSOFT_DRIVERS=null" ${T_ENV})
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS ${T_LABEL} ENVIRONMENT "${env}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# qf_add_bench(NAME <exe> SOURCES <files...> LIBS <libs...>)
function(qf_add_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT QF_BUILD_BENCH)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# qf_add_fuzz(NAME <what> SOURCES <files...> LIBS <libs...>)
# Builds bin/fuzz_<what>. In the fuzz configuration it is a libFuzzer binary; in the others it is
# a plain program that runs every file named on its command line (or every file of a folder)
# through the same entry point, and CTest runs it over the committed seed corpus
# fuzz/corpus/<what>/, so the asan test run replays every seed.
function(qf_add_fuzz)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  set(target fuzz_${F_NAME})
  if(QF_CONFIG STREQUAL "fuzz")
    add_executable(${target} ${F_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${target} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/standalone_main.cpp)
  endif()
  target_link_libraries(${target} PRIVATE ${F_LIBS})
  set_property(GLOBAL APPEND PROPERTY QF_FUZZ_TARGETS ${F_NAME})
  set(corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/${F_NAME})
  if(QF_BUILD_TESTS AND EXISTS ${corpus})
    add_test(NAME fuzz_corpus_${F_NAME} COMMAND ${target} ${corpus})
    set_tests_properties(fuzz_corpus_${F_NAME} PROPERTIES LABELS fuzz
      ENVIRONMENT "ALSOFT_DRIVERS=null;QF_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endif()
endfunction()
