# One static library per subsystem folder: every .cpp in the folder belongs to it,
# except the files named in EXCLUDE (such as a program's main).
function(loomtone_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# One test program per subsystem folder of tests/.
function(loomtone_tests name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/TestTmp.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    LOOMTONE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    LOOMTONE_BINARY_DIR="${CMAKE_BINARY_DIR}"
    LOOMTONE_TEST_TMP_ROOT="${CMAKE_BINARY_DIR}/test-tmp")
  target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/TestTmp.h)
  # One variable per property: the discovery script splits a list value
  # into separate arguments however it is escaped, so a second variable in
  # ENVIRONMENT would never reach the tests.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1"
               ENVIRONMENT_MODIFICATION "UBSAN_OPTIONS=set:print_stacktrace=1")
endfunction()
