# The module's folders are layers whose includes run one way:
#
#   api -> job -> codec, kernels, mode -> platform
#
# A file may include files of its own folder and of any folder below its
# own; codec, kernels and mode sit side by side and include none of each
# other.  The public header (inkband/...) may be included everywhere.  Any
# other include of a module folder fails, with the file, the line and the
# edge it takes; a folder under src/ that has no place here fails too.
#   cmake -DSOURCE_DIR=<repository> -P tests/check_layers.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check_layers.cmake: pass -DSOURCE_DIR=<repository>")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

# Rank of each folder: a file includes only folders of lower rank (or its own).
set(rank_api 4)
set(rank_job 3)
set(rank_codec 2)
set(rank_kernels 2)
set(rank_mode 2)
set(rank_platform 1)

file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*)
set(failures "")
set(edges "")
set(files_read 0)
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/src/${folder})
    continue()
  endif()
  if(NOT DEFINED rank_${folder})
    string(APPEND failures "  src/${folder}/: a folder with no layer\n")
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src
       ${SOURCE_DIR}/src/${folder}/*.h ${SOURCE_DIR}/src/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    math(EXPR files_read "${files_read} + 1")
    file(STRINGS ${SOURCE_DIR}/src/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"/]+)/[^\"]*\"")
        string(APPEND failures "  src/${source}: ${line} (an include without its folder)\n")
        continue()
      endif()
      set(target ${CMAKE_MATCH_1})
      if(target STREQUAL "inkband" OR target STREQUAL folder)
        continue()
      endif()
      if(NOT DEFINED rank_${target})
        string(APPEND failures "  src/${source}: ${line} (not a folder of the module)\n")
      elseif(NOT rank_${target} LESS rank_${folder})
        string(APPEND failures "  src/${source}: ${line} (${folder} -> ${target} runs upward or sideways)\n")
      else()
        list(APPEND edges "${folder} -> ${target}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(files_read EQUAL 0)
  string(APPEND failures "  no source file under ${SOURCE_DIR}/src\n")
endif()
list(REMOVE_DUPLICATES edges)
list(SORT edges)
string(REPLACE ";" "\n  " edges "${edges}")
if(failures)
  message(FATAL_ERROR "Includes against the layers:\n${failures}")
endif()
message(STATUS "Layers hold; includes between folders:\n  ${edges}")
