# Installation: the shared module, the headers a host compiles against, the
# example host with its data, and a CMake package, so that a host project
# writes only
#   find_package(TavikConfig 0.1 REQUIRED)
#   target_link_libraries(host PRIVATE tavik::config)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TAVIK_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/TavikConfig)

install(TARGETS tavik_config EXPORT TavikConfigTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The module's headers in their include layout (TavikEngine/...), and those
# of the platform layers the module exposes.
install(DIRECTORY TavikEngine wideint DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
foreach(layer g3log text inireader workspace elements)
  install(DIRECTORY platform/${layer}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endforeach()

install(EXPORT TavikConfigTargets NAMESPACE tavik:: DESTINATION ${TAVIK_PACKAGE_DIR})
configure_package_config_file(cmake/TavikConfigConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/TavikConfigConfig.cmake INSTALL_DESTINATION ${TAVIK_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TavikConfigConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/TavikConfigConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/TavikConfigConfigVersion.cmake
        DESTINATION ${TAVIK_PACKAGE_DIR})
