# Test programs built on POSIX calls (signals to processes, a pseudo-terminal, faked disk faults)
# and on shell scripts standing in for the converter: a Windows build leaves them out.
set(DOKRAVA_POSIX_ONLY_TESTS tst_CopyFileSafely tst_CliGenerate tst_GenerationRun tst_PdfConverter
    tst_TFMainGeneration)

# The folders the tests name, as the test programs see them: a Windows build made here runs
# under Wine, which shows this machine's root as drive Z: (a path without a drive would name a
# folder on the drive of the working folder, which a test may change).
set(DOKRAVA_TEST_ROOT "")
if(WIN32 AND CMAKE_HOST_UNIX)
  set(DOKRAVA_TEST_ROOT "Z:")
endif()

# dokrava_add_test(NAME SOURCES...)
# One QtTest executable per unit, registered with CTest; every test runs offscreen.
function(dokrava_add_test name)
  if(WIN32 AND name IN_LIST DOKRAVA_POSIX_ONLY_TESTS)
    return()
  endif()
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # A test links the layer its folder mirrors (DOKRAVA_TEST_LAYER), so it can use nothing above it.
  target_link_libraries(${name} PRIVATE dokrava_${DOKRAVA_TEST_LAYER} Qt6::Test)
  target_compile_definitions(${name} PRIVATE
    DOKRAVA_TEST_DATA="${DOKRAVA_TEST_ROOT}${CMAKE_SOURCE_DIR}/tests/data"
    DOKRAVA_APP_DIR="${DOKRAVA_TEST_ROOT}${DOKRAVA_APP_DIR}"
    DOKRAVA_CLI="${DOKRAVA_TEST_ROOT}${DOKRAVA_APP_DIR}/dokrava-cli")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
    TIMEOUT 600)
endfunction()
