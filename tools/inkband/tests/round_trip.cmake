# For one mode: a generated picture and the built-in test page, printed at
# 300, 600 and 150 dpi (8-, 16- and 1-line bands), decode back to exactly
# the halftoned planes the tool sent; inspect names the mode unaided.
# -DTOOL= -DMAKE_IMAGE= -DMODE= -DWORK=
include(${CMAKE_CURRENT_LIST_DIR}/run_steps.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(width 181)
set(height 97)
run_step(image COMMAND ${MAKE_IMAGE} ${WORK}/in.ppm ppm ${width} ${height})

foreach(resolution 300 600 150)
  set(case "${MODE} at ${resolution} dpi")
  set(prn ${WORK}/picture-${resolution}.prn)
  run_step(print COMMAND ${TOOL} print ${WORK}/in.ppm --mode ${MODE} -r ${resolution}
           --width ${width} -o ${prn} --dump-planes ${WORK}/sent-${resolution} -q --no-progress)
  run_step(inspect COMMAND ${TOOL} inspect ${prn} --mode ${MODE} --width ${width}
           --height ${height} --dump-planes ${WORK}/back-${resolution})
  expect_same_planes(${WORK}/sent-${resolution} ${WORK}/back-${resolution}/page1 "${case}")

  run_step(json COMMAND ${TOOL} inspect ${prn} --json)
  string(JSON valid GET "${json_out}" valid)
  string(JSON guessed GET "${json_out}" mode name)
  if(NOT valid OR NOT guessed STREQUAL MODE)
    message(FATAL_ERROR "${case}: inspect says valid=${valid}, mode ${guessed}")
  endif()
endforeach()

# The test page, two pages of it: both decode to the planes sent.
set(prn ${WORK}/testpage.prn)
run_step(print COMMAND ${TOOL} print --mode ${MODE} --width 240 --pages 2 -o ${prn}
         --dump-planes ${WORK}/sent-page -q --no-progress)
file(GLOB first ${WORK}/sent-page/0-*.pgm)
file(READ ${first} header LIMIT 20)
string(REGEX MATCH "\n[0-9]+ ([0-9]+)\n" _ "${header}")
run_step(inspect COMMAND ${TOOL} inspect ${prn} --mode ${MODE} --width 240
         --height ${CMAKE_MATCH_1} --dump-planes ${WORK}/back-page)
foreach(page 1 2)
  expect_same_planes(${WORK}/sent-page ${WORK}/back-page/page${page} "${MODE}, test page ${page}")
endforeach()
