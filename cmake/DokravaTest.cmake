# dokrava_add_test(NAME SOURCES... [UI])
# One QtTest executable per unit, registered with CTest. UI tests link the windows and run offscreen.
function(dokrava_add_test name)
  cmake_parse_arguments(T "UI" "" "" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if(T_UI)
    target_link_libraries(${name} PRIVATE dokrava_ui Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE dokrava_core Qt6::Test)
  endif()
  target_compile_definitions(${name} PRIVATE
    DOKRAVA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    DOKRAVA_APP_DIR="${DOKRAVA_APP_DIR}"
    DOKRAVA_CLI="${DOKRAVA_APP_DIR}/dokrava-cli")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
    TIMEOUT 600)
endfunction()
