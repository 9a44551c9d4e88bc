# Shared build helpers.

# carrowind_add_test(NAME SOURCES src... LIBS lib...)
# A GoogleTest executable whose cases ctest lists one by one. Tests find the
# repository's files through CW_SOURCE_DIR and the built programs through
# CW_BINARY_DIR (compile definitions). LC_ALL is emptied so the locale comes
# from LANG and the variables a test sets itself.
function(carrowind_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;FIXTURES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
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
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=" TIMEOUT 300 ${fixtures})
endfunction()
