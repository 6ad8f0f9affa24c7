# --list-modes lists every reachable combination of mode class and depths,
# once, with its PPD ColorModel name, its class, printer planes and source depths.  -DTOOL=
include(${CMAKE_CURRENT_LIST_DIR}/run_steps.cmake)
run_step(list COMMAND ${TOOL} print --list-modes)

# name | ColorModel | class | planes | depths
set(expected
  "black|Gray|1|K|1"
  "cmyk-1bit|CMYK1111|3|CMYK|1 1 1 1"
  "cmyk-ternary|CMYKTernary|3|CMYK|2t 2t 1 1"
  "cmyk-4bit|CMYK|3|CMYK|4 4 2 1"
  "cmy-lk-ternary|CMYLkTernary|4|CMYk|2t 2t 1 2t"
  "cmy-lk-4bit|CMYLk4422|4|CMYk|4 4 2 2"
  "cmyk-lk-ternary|CMYKLk|5|CMYKk|2t 2t 1 1 2t"
  "cmy-lk-h-4bit|CMYLkH|8|CMYkH|4 4 2 2 4"
  "ten-plane-fine|TenPlane|7|CMYkH C'M'Y'k'H'|4 4 4 4 4"
  "ten-plane-coarse|TenPlaneCoarse|10|CMYkH C'M'Y'k'H'|4 4 4 4 4")
string(REGEX MATCHALL "[^\n]+" lines "${list_out}")
list(LENGTH lines count)
list(LENGTH expected wanted)
math(EXPR wanted "${wanted} + 1")  # the heading
if(NOT count EQUAL wanted)
  message(FATAL_ERROR "--list-modes printed ${count} lines, expected ${wanted}:\n${list_out}")
endif()
foreach(row ${expected})
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 name)
  list(GET fields 1 colormodel)
  list(GET fields 2 class)
  list(GET fields 3 planes)
  list(GET fields 4 depths)
  string(REGEX MATCHALL "(^|\n)${name} +${colormodel} +${class} +[^\n]*" found "${list_out}")
  list(LENGTH found times)
  if(NOT times EQUAL 1)
    message(FATAL_ERROR "mode ${name} of class ${class} listed ${times} times:\n${list_out}")
  endif()
  string(FIND "${found}" "  ${planes} " at_planes)
  string(FIND "${found}" " ${depths} " at_depths)
  if(at_planes LESS 0 OR at_depths LESS 0)
    message(FATAL_ERROR "mode ${name}: expected planes ${planes}, depths ${depths}:\n${found}")
  endif()
endforeach()
