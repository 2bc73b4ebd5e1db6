include(GoogleTest)

# GoogleTest's header, precompiled once for every test program (the sanitizer flags apply to all targets
# alike, so every test program can take it). Made at the top folder, once GoogleTest is found.
function(grovewright_test_header)
  if(TARGET grovewright_test_header)
    return()
  endif()
  set(source ${PROJECT_BINARY_DIR}/grovewright_test_header.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// The precompiled GoogleTest header's own translation unit.\n")
  add_library(grovewright_test_header OBJECT ${source})
  target_link_libraries(grovewright_test_header PRIVATE GTest::gtest)
  target_precompile_headers(grovewright_test_header PRIVATE <gtest/gtest.h> <string> <vector>)
  grovewright_warnings(grovewright_test_header)
endfunction()

# grovewright_test(NAME src... [LIBS lib...] [LABELS label...]): one GoogleTest program whose tests ctest lists one by one.
function(grovewright_test name)
  cmake_parse_arguments(T "" "" "LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE grovewright_core GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  grovewright_warnings(${name})
  grovewright_test_header()
  target_precompile_headers(${name} REUSE_FROM grovewright_test_header)
  # A test program's files compile as one (in batches): GoogleTest's templates are then instantiated
  # once per batch instead of once per file. Names private to a test file must differ from those of the
  # program's other files, and a fixture in an anonymous namespace needs its tests in there too.
  list(LENGTH T_UNPARSED_ARGUMENTS source_count)
  if(source_count GREATER 1)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON)
  endif()
  set(props TIMEOUT 300)
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  # A parallel run starts the slow tests first, so that the quick ones fill the other slots meanwhile
  # instead of a slow one running alone at the end.
  if("slow" IN_LIST T_LABELS)
    list(APPEND props COST 20)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# grovewright_benchmark(NAME src...): a Google Benchmark program, run by `make bench`.
function(grovewright_benchmark name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE grovewright_core benchmark::benchmark)
  grovewright_warnings(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endfunction()

# grovewright_fuzzer(NAME src... [RUNS n]): a libFuzzer target, run briefly by ctest in the fuzz build. The run
# has a fixed seed and a fixed number of inputs, so that it explores the same inputs on every machine
# and a build's verdict never depends on luck; longer runs with other seeds are for people hunting.
# RUNS sets the number of inputs (default 150,000: about ten seconds for the slower targets). SEEDS names
# input files the run starts from (and mutates), for targets whose interesting inputs are too deep to be
# found from nothing in a short run.
function(grovewright_fuzzer name)
  cmake_parse_arguments(F "" "RUNS" "SEEDS" ${ARGN})
  if(NOT F_RUNS)
    set(F_RUNS 150000)
  endif()
  set(seed_option "")
  if(F_SEEDS)
    list(JOIN F_SEEDS "," seed_list)
    set(seed_option -seed_inputs=${seed_list})
  endif()
  add_executable(${name} ${F_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE grovewright_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${name} COMMAND ${name} -seed=1 -runs=${F_RUNS} -max_total_time=60 -print_final_stats=1 ${seed_option})
endfunction()
