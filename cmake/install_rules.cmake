# Install rules of a packaged library: the shared library with its SONAME,
# the header, a CMake package (find_package(inkband) -> inkband::inkband)
# and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS inkband EXPORT inkbandTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/inkband)

set(INKBAND_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/inkband)
install(EXPORT inkbandTargets NAMESPACE inkband:: DESTINATION ${INKBAND_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/inkbandConfig.cmake.in
  ${PROJECT_BINARY_DIR}/inkbandConfig.cmake INSTALL_DESTINATION ${INKBAND_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/inkbandConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/inkbandConfig.cmake ${PROJECT_BINARY_DIR}/inkbandConfigVersion.cmake
  DESTINATION ${INKBAND_CMAKE_DIR})

# The .pc file finds its prefix relative to itself, so the installed tree can
# be moved (the consumer test installs into a scratch folder).
file(RELATIVE_PATH INKBAND_PC_UP "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" INKBAND_PC_UP "${INKBAND_PC_UP}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/inkband.pc.in ${PROJECT_BINARY_DIR}/inkband.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/inkband.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
