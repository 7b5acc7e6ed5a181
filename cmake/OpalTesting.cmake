include(GoogleTest)
find_package(GTest REQUIRED)

# opal_add_test(<name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>])
# Builds one GoogleTest program and registers each of its tests with CTest.
function(opal_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  opal_set_warnings(${name})
  set(environment QT_QPA_PLATFORM=offscreen "OPAL_SOURCE_DIR=${PROJECT_SOURCE_DIR}" ${ARG_ENV})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
endfunction()
