# Windows test executables run under Wine through tests/windows/wine_run,
# which gives each run a Wine prefix and an X server of its own.
set(BREVOLT_WINE_RUN ${CMAKE_SOURCE_DIR}/tests/windows/wine_run)

# brevolt_add_wine_test(<target> [args...]): one ctest test running the
# target's executable under Wine; its test cases share the one prefix.
function(brevolt_add_wine_test target)
  add_test(NAME ${target}
           COMMAND ${BREVOLT_WINE_RUN} $<TARGET_FILE:${target}> ${ARGN})
  # Creating a prefix alone takes 9 to 13 s.
  set_tests_properties(${target} PROPERTIES TIMEOUT 300 LABELS wine)
endfunction()
