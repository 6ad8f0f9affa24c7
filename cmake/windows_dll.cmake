# The Windows build: inkband.dll with its import library libinkband.dll.a.
#
# - The ten entry points are exported undecorated, by name, from
#   src/platform/inkband.def; nothing else is exported.
# - libgcc, libstdc++ and winpthread are linked statically, so the DLL (and
#   every test program) needs only KERNEL32 and the C runtime.
# - A VERSIONINFO resource carries the project's four-part version.
# - In a cross build with tests, the Wine prefix is created once (the test
#   framework comes from cmake/googletest_from_source.cmake).
enable_language(RC)

configure_file(${PROJECT_SOURCE_DIR}/src/platform/inkband.rc.in ${PROJECT_BINARY_DIR}/inkband.rc @ONLY)

# windres takes none of the compiler warnings the directories set, so the
# resource is compiled in a target of its own with no compile options.
add_library(inkband_version_resource OBJECT ${PROJECT_BINARY_DIR}/inkband.rc)
set_property(TARGET inkband_version_resource PROPERTY COMPILE_OPTIONS "")

target_sources(inkband PRIVATE ${PROJECT_SOURCE_DIR}/src/platform/inkband.def
                               $<TARGET_OBJECTS:inkband_version_resource>)
set_target_properties(inkband PROPERTIES PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
target_link_options(inkband PRIVATE -static -Wl,--no-undefined -Wl,--exclude-all-symbols)

# Programs of this build link their runtime statically as well.
add_link_options(-static)

if(BUILD_TESTING)
  add_test(NAME windows_dll_exports
    COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:inkband> -DOBJDUMP=${CMAKE_OBJDUMP}
            -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/check_windows_dll.cmake)
endif()

if(CMAKE_CROSSCOMPILING AND BUILD_TESTING)
  # The first start of Wine in a new prefix takes a while; do it once at
  # build time so that tests running side by side find the prefix ready.
  if(INKBAND_WINE64 AND DEFINED INKBAND_WINEPREFIX)
    add_custom_command(OUTPUT ${INKBAND_WINEPREFIX}/system.reg
      COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${INKBAND_WINEPREFIX} WINEDEBUG=-all
              ${INKBAND_WINE64} wineboot.exe -i
      COMMENT "Creating the Wine prefix ${INKBAND_WINEPREFIX}" VERBATIM)
    add_custom_target(inkband_wine_prefix ALL DEPENDS ${INKBAND_WINEPREFIX}/system.reg)
  endif()
endif()
