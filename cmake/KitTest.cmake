# kit_test(<name> SOURCES ... [DEPS ...] [LABELS unit|net|peer|gui ...] [PROPERTIES ...])
# One GoogleTest executable; every TEST becomes a CTest test carrying the labels.
include(GoogleTest)
function(kit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS;PROPERTIES" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock kit_options)
  target_compile_definitions(${name} PRIVATE KIT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KIT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${ARG_LABELS}" ${ARG_PROPERTIES}
    DISCOVERY_TIMEOUT 60)
endfunction()
