# The layering of the folders (cmake/CheckLayering.cmake) is checked before any
# library compiles, and again whenever a source or test file changes: an
# include or a link that points up or sideways fails the build.
file(GLOB_RECURSE loomtone_layered_files CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.txt
  ${PROJECT_SOURCE_DIR}/tests/*.h ${PROJECT_SOURCE_DIR}/tests/*.cpp)
set(loomtone_layering_stamp ${CMAKE_BINARY_DIR}/layering.stamp)
add_custom_command(OUTPUT ${loomtone_layering_stamp}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${loomtone_layering_stamp}
  DEPENDS ${loomtone_layered_files} ${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake
  COMMENT "Checking that includes and links point down the layers")
add_custom_target(loomtone_layering DEPENDS ${loomtone_layering_stamp})

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
  add_dependencies(${name} loomtone_layering)
endfunction()

# One test program per subsystem folder of tests/.
function(loomtone_tests name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/TestTmp.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main GTest::gmock)
  # Only this file knows the checkout's paths; the others ask it at run time,
  # so that they compile alike in every checkout and ccache shares them.
  set_source_files_properties(${PROJECT_SOURCE_DIR}/tests/TestTmp.cpp PROPERTIES
    COMPILE_DEFINITIONS "LOOMTONE_SOURCE_ROOT=\"${PROJECT_SOURCE_DIR}\";LOOMTONE_BINARY_ROOT=\"${CMAKE_BINARY_DIR}\"")
  target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/TestTmp.h)
  # One variable per property: the discovery script splits a list value
  # into separate arguments however it is escaped, so a second variable in
  # ENVIRONMENT would never reach the tests.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1"
               ENVIRONMENT_MODIFICATION "UBSAN_OPTIONS=set:print_stacktrace=1")
endfunction()
