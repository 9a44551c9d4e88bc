# Shared build helpers.

# carrowind_precompile(TARGET header...): the headers that cost most of a
# file's compile (GoogleTest, nlohmann-json, CLI11), parsed once per target
# instead of once per file. Each target makes its own: a header compiled
# with another target's definitions would be refused or, worse, differ.
# On by default only where each file is compiled alone: a unity build reads
# the headers once a batch already, and a target's one or two batches do not
# repay compiling the headers first (measured: a sixth more processor time).
if(CMAKE_UNITY_BUILD)
  set(carrowind_pch_default OFF)
else()
  set(carrowind_pch_default ON)
endif()
option(CARROWIND_PCH "Precompile the heavy library headers of each target" ${carrowind_pch_default})
function(carrowind_precompile target)
  if(CARROWIND_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# carrowind_add_test(NAME SOURCES src... LIBS lib...)
# A GoogleTest executable whose cases ctest lists one by one. Tests find the
# repository's files through CW_SOURCE_DIR and the built programs through
# CW_BINARY_DIR (compile definitions). LC_ALL is emptied so the locale comes
# from LANG and the variables a test sets itself.
function(carrowind_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;FIXTURES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  # GCC 12 warns of out-of-bounds copies in the tests' string building that
  # cannot happen (GCC bug 105651); clang's build and AddressSanitizer check
  # the same copies.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${name} PRIVATE -Wno-array-bounds -Wno-stringop-overread)
  endif()
  list(LENGTH T_SOURCES files)
  if(files GREATER 1)  # a single file gains nothing
    carrowind_precompile(${name} <gtest/gtest.h> <gmock/gmock.h> <nlohmann/json.hpp> <filesystem> <string> <vector>)
  endif()
  target_compile_definitions(${name} PRIVATE
    CW_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    CW_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # One variable only: the discovered tests' properties are a list of
  # name-value pairs, so a list of variables would be split. A case that
  # hangs (a modal window nobody answers) fails instead of stalling the run.
  set(fixtures)
  if(T_FIXTURES)
    set(fixtures FIXTURES_REQUIRED ${T_FIXTURES})
  endif()
  # A settings store of the build tree's own: the user's may register
  # another tree's libraries (a sanitized build's cannot load in a plain
  # program).
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=" TIMEOUT 300 ${fixtures}
               ENVIRONMENT_MODIFICATION "CARROWIND_REGISTRY=set:${PROJECT_BINARY_DIR}/tests-registry.db")
endfunction()
