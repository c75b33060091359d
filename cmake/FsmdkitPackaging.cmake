# find_package(fsmdkit): the package configuration over the exported targets.
include(CMakePackageConfigHelpers)

get_property(fsmdkit_exported GLOBAL PROPERTY FSMDKIT_EXPORTED_TARGETS)
if(fsmdkit_exported)
  install(EXPORT fsmdkitTargets NAMESPACE fsmdkit:: DESTINATION ${FSMDKIT_CMAKE_DIR})
endif()

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/fsmdkitConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/fsmdkitConfig.cmake
  INSTALL_DESTINATION ${FSMDKIT_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_BINDIR)
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/fsmdkitConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/fsmdkitConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/fsmdkitConfigVersion.cmake
  DESTINATION ${FSMDKIT_CMAKE_DIR})
