# The minimal C host writes a stream that inspect accepts: one page of
# 8-line bands with the four-plane selection, black alone, and a skip.
# -DTOOL= -DHOST= -DWORK=
include(${CMAKE_CURRENT_LIST_DIR}/run_steps.cmake)
file(MAKE_DIRECTORY ${WORK})
run_step(host COMMAND ${HOST} ${WORK}/minimal.prn)
run_step(inspect COMMAND ${TOOL} inspect ${WORK}/minimal.prn --mode cmyk-1bit --json)
string(JSON valid GET "${inspect_out}" valid)
string(JSON height GET "${inspect_out}" pages 0 bandHeight)
string(JSON full GET "${inspect_out}" pages 0 bandsBySelection CMYK)
string(JSON black GET "${inspect_out}" pages 0 bandsBySelection K)
string(JSON skipped GET "${inspect_out}" pages 0 skippedBands)
if(NOT valid OR NOT height EQUAL 8 OR NOT full EQUAL 3 OR NOT black EQUAL 1 OR NOT skipped EQUAL 2)
  message(FATAL_ERROR "minimal host stream: ${inspect_out}")
endif()
