# Fails unless inkband.dll exports exactly the ten entry points, by name,
# imports from nothing but KERNEL32 and the C runtime, and carries its
# version resource and version tags, both with the project's version.
#   cmake -DDLL=inkband.dll -DOBJDUMP=x86_64-w64-mingw32-objdump -DVERSION=<major.minor.patch.build> -P ...
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

# Export names: the lines "[   n] Name" of the name pointer table.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([\t ]+\\[ *[0-9]+\\] [^\n]+\n)*)" table "${dump}")
# Brackets would stop CMake from splitting the list; swap them out first.
string(REPLACE "[" "<" table "${CMAKE_MATCH_1}")
string(REPLACE "]" ">" table "${table}")
string(REGEX MATCHALL "> [^\n]+" entries "${table}")
set(names)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^> " "" name "${entry}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
set(expected OutputClose OutputComplete OutputFlush OutputFormFeed OutputInit OutputInitPart
             OutputInitTwo OutputOpen OutputProduce OutputProduceTwo)
list(SORT expected)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports differ:\n  got      ${names}\n  expected ${expected}")
endif()

# Imports: every "DLL Name:" line.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(dlls)
foreach(line IN LISTS imports)
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  if(NOT lower MATCHES "^(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\\.dll$")
    message(FATAL_ERROR "${DLL} imports from ${dll}; only KERNEL32 and the C runtime are allowed")
  endif()
  list(APPEND dlls ${dll})
endforeach()
if(NOT dlls)
  message(FATAL_ERROR "no imports found in the objdump output")
endif()

# Version resource: the fixed file info (signature FEEF04BD) holds the file
# version as two little-endian words, major.minor and patch.build.
file(READ ${DLL} hex HEX)
set(at -1)
set(from 0)
while(at LESS 0)
  string(SUBSTRING "${hex}" ${from} -1 rest)
  string(FIND "${rest}" "bd04effe" found)
  if(found LESS 0)
    message(FATAL_ERROR "${DLL} has no version resource")
  endif()
  math(EXPR found "${from} + ${found}")
  math(EXPR odd "${found} % 2")
  if(odd)  # not on a byte boundary
    math(EXPR from "${found} + 1")
  else()
    math(EXPR at "${found} + 16")  # past the signature and the structure version
  endif()
endwhile()
string(SUBSTRING "${hex}" ${at} 16 words)
set(parts)
foreach(offset 4 0 12 8)  # each word: low half-word first, both little-endian
  string(SUBSTRING "${words}" ${offset} 4 half)
  string(SUBSTRING "${half}" 2 2 high)
  string(SUBSTRING "${half}" 0 2 low)
  math(EXPR value "0x${high}${low}")
  list(APPEND parts ${value})
endforeach()
list(JOIN parts "." file_version)
if(NOT file_version STREQUAL VERSION)
  message(FATAL_ERROR "file version ${file_version} in the version resource, expected ${VERSION}")
endif()

string(REPLACE "." "\\." version_pattern "${VERSION}")
file(STRINGS ${DLL} tags REGEX "^(inkband library|inkband tool|rastertoinkband filter) ${version_pattern}$")
list(LENGTH tags count)
if(NOT count EQUAL 3)
  message(FATAL_ERROR "expected three version tags, found: ${tags}")
endif()
message(STATUS "exports: ${names}; imports: ${dlls}; file version ${file_version}; tags: ${tags}")
