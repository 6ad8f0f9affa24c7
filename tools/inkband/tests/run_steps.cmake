# Helpers of the tool's script tests.

# Runs a command; fails the test unless it exits with `expect` (default 0).
# The output is left in ${prefix}_out and ${prefix}_err.
function(run_step prefix)
  cmake_parse_arguments(PARSE_ARGV 1 STEP "" "EXPECT" "COMMAND")
  if(NOT DEFINED STEP_EXPECT)
    set(STEP_EXPECT 0)
  endif()
  execute_process(COMMAND ${STEP_COMMAND} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT "${rc}" STREQUAL "${STEP_EXPECT}")
    string(REPLACE ";" " " shown "${STEP_COMMAND}")
    message(FATAL_ERROR "${shown}\nexited with ${rc}, expected ${STEP_EXPECT}\n${out}\n${err}")
  endif()
  set(${prefix}_out "${out}" PARENT_SCOPE)
  set(${prefix}_err "${err}" PARENT_SCOPE)
endfunction()

# Fails unless every plane file in `sent` has a byte-identical twin in `back`
# and the two folders hold the same files.
function(expect_same_planes sent back what)
  file(GLOB sent_files RELATIVE ${sent} ${sent}/*.pgm)
  file(GLOB back_files RELATIVE ${back} ${back}/*.pgm)
  list(LENGTH sent_files count)
  if(count EQUAL 0)
    message(FATAL_ERROR "${what}: no planes in ${sent}")
  endif()
  if(NOT "${sent_files}" STREQUAL "${back_files}")
    message(FATAL_ERROR "${what}: planes sent ${sent_files}, decoded ${back_files}")
  endif()
  foreach(f ${sent_files})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${sent}/${f} ${back}/${f}
                    RESULT_VARIABLE differ)
    if(differ)
      message(FATAL_ERROR "${what}: plane ${f} decoded differently from what was sent")
    endif()
  endforeach()
endfunction()
