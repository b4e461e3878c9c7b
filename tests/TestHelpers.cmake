# tarnix_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest program, registered as one ctest entry. Cross builds run it under Wine
# through the toolchain's emulator.
function(tarnix_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  set_tests_properties(${T_NAME} PROPERTIES WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# tarnix_add_gige_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest program that talks to fake GigE Vision cameras: it runs in a network namespace
# of its own whose loopback carries 127.0.0.1 to 127.0.0.16 (scripts/in-loopback-net.sh).
function(tarnix_add_gige_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tarnix_test_harness_gige GTest::gtest
    GTest::gmock GTest::gtest_main)
  add_test(NAME ${T_NAME}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/in-loopback-net.sh $<TARGET_FILE:${T_NAME}>
      --gtest_brief=1)
  set_tests_properties(${T_NAME} PROPERTIES WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    LABELS "gige;${T_LABELS}")
endfunction()
