include(GoogleTest)
find_package(GTest REQUIRED)

# opal_add_test(<name> SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest program and registers each of its tests with CTest. Widget tests run
# on Qt's offscreen platform; a test finds the source tree through OPAL_SOURCE_DIR, a
# compile definition (the test properties of discovered tests hold one environment
# variable reliably, so nothing else is passed that way).
function(opal_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE "OPAL_SOURCE_DIR=\"${PROJECT_SOURCE_DIR}\"")
  opal_set_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 300)
endfunction()
