# Install helpers that each deliverable's CMakeLists.txt calls.

set(FSMDKIT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/fsmdkit)
set(FSMDKIT_DATA_DIR ${CMAKE_INSTALL_DATADIR}/fsmdkit)

# Installs a library target into PREFIX/lib, exports it as fsmdkit::<target>
# and its public header into PREFIX/include.
function(fsmdkit_install_library target public_header)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # The target brings the C++ header (qarith.hpp, zbig.hpp) too, which needs
  # C++20: C++ consumers on their compiler's default standard get it raised.
  # CMake applies the feature to C++ sources only, so C consumers (even C-only
  # projects) are unaffected.
  target_compile_features(${target} INTERFACE cxx_std_20)
  install(TARGETS ${target} EXPORT fsmdkitTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${public_header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  set_property(GLOBAL APPEND PROPERTY FSMDKIT_EXPORTED_TARGETS ${target})
endfunction()

# Installs PREFIX/lib/pkgconfig/<name>.pc; `libs` is its Libs: line after -L.
function(fsmdkit_install_pkgconfig name description libs)
  set(PC_NAME ${name})
  set(PC_DESCRIPTION "${description}")
  set(PC_LIBS "${libs}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/pkgconfig.pc.in
    ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
