# The same picture read from P6, 16-bit P6, P7 and PNG gives the same
# halftoned planes and the same stream; P5, P4 and pictures with alpha read
# and print; a picture printed wider keeps its aspect ratio.
# -DTOOL= -DMAKE_IMAGE= -DWORK=
include(${CMAKE_CURRENT_LIST_DIR}/run_steps.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(kind ppm ppm16 pam png pgm pbm pam-alpha png-alpha)
  run_step(image COMMAND ${MAKE_IMAGE} ${WORK}/in-${kind} ${kind} 97 61)
  run_step(print COMMAND ${TOOL} print ${WORK}/in-${kind} --mode cmyk-4bit -o ${WORK}/${kind}.prn
           --dump-planes ${WORK}/planes-${kind} --width 97 -q --no-progress)
endforeach()
foreach(kind ppm16 pam png)
  expect_same_planes(${WORK}/planes-ppm ${WORK}/planes-${kind} "${kind} against P6")
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/ppm.prn ${WORK}/${kind}.prn
                  RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${kind} gives another stream than the same picture as P6")
  endif()
endforeach()

run_step(wide COMMAND ${TOOL} print ${WORK}/in-png --width 194 -o ${WORK}/wide.prn
         --dump-planes ${WORK}/planes-wide -q --no-progress)
file(READ ${WORK}/planes-wide/0-C.pgm header LIMIT 16)
if(NOT header MATCHES "^P5\n194 122\n")
  message(FATAL_ERROR "97 x 61 printed 194 wide should be 194 x 122: ${header}")
endif()
