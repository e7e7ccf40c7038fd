# `cmake --install` gives find_package(Vandrel) with Vandrel::core and Vandrel::ui.
include(CMakePackageConfigHelpers)

set(VANDREL_INSTALL_TARGETS vandrel_core)
if(VANDREL_BUILD_UI)
  list(APPEND VANDREL_INSTALL_TARGETS vandrel_ui)
endif()

install(TARGETS ${VANDREL_INSTALL_TARGETS} EXPORT VandrelTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/vandrel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(VANDREL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vandrel)
install(EXPORT VandrelTargets NAMESPACE Vandrel:: DESTINATION ${VANDREL_CMAKE_DIR})
configure_package_config_file(cmake/VandrelConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VandrelConfig.cmake INSTALL_DESTINATION ${VANDREL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VandrelConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VandrelConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VandrelConfigVersion.cmake DESTINATION ${VANDREL_CMAKE_DIR})
