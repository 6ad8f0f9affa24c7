# Installs the build into a scratch prefix, then builds and runs consumer.c
# against it twice: through find_package(inkband) and through pkg-config.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_CMD} --install ${BUILD_DIR} --prefix ${prefix} --component Unspecified
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed")
endif()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
endfunction()

run("configure" ${CMAKE_CMD} -S ${SOURCE_DIR}/tests/consumer -B ${WORK_DIR}/cmake -DCMAKE_PREFIX_PATH=${prefix})
run("build" ${CMAKE_CMD} --build ${WORK_DIR}/cmake)
file(GLOB_RECURSE libdirs LIST_DIRECTORIES false ${prefix}/libinkband.so)
list(GET libdirs 0 libfile)
get_filename_component(libdir ${libfile} DIRECTORY)
run("cmake consumer" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${WORK_DIR}/cmake/consumer_cmake)

file(GLOB_RECURSE pcfiles ${prefix}/*/inkband.pc)
list(GET pcfiles 0 pcfile)
get_filename_component(pcdir ${pcfile} DIRECTORY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${pcdir} pkg-config --cflags --libs inkband
                OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config failed")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
# Warnings fail the consumer's build too when the build under test asks so.
set(werror)
if(WERROR)
  set(werror -Werror)
endif()
run("pkg-config build" cc -std=c11 -Wall ${werror} ${SOURCE_DIR}/tests/consumer/consumer.c ${flags}
    -o ${WORK_DIR}/consumer_pc)
run("pkg-config consumer" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${WORK_DIR}/consumer_pc)
message(STATUS "consumer built and ran both ways")
