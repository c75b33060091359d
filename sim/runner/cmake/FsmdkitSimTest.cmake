# fsmdkit_add_sim_test(NAME <name> ENTITY <entity> DESIGN <files>... VECTORS <file>
#                      [GENERATOR <target>] [BACKEND <mcode|llvm|gcc>] [ARGS <fsmd-sim options>...])
#
# Registers the CTest test <name>, which runs
#   fsmd-sim <entity> --design <files>... --vectors <file> --dir <build dir>/<name>.sim [--backend b] [args]
# and passes or fails by fsmd-sim's exit status. With GENERATOR, the test
# <name>.vectors first runs that executable target with the vectors file as
# its only argument, so every run checks the design against the model's
# current values; <name> runs after it and only if it succeeded.
#
# Relative DESIGN paths are taken from the current source folder; a relative
# VECTORS path from the current build folder when a GENERATOR writes it,
# else from the source folder. fsmd-sim is ${FSMDKIT_SIM_EXECUTABLE}.
function(fsmdkit_add_sim_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;ENTITY;VECTORS;GENERATOR;BACKEND" "DESIGN;ARGS")
  foreach(required NAME ENTITY DESIGN VECTORS)
    if(NOT arg_${required})
      message(FATAL_ERROR "fsmdkit_add_sim_test: ${required} is missing")
    endif()
  endforeach()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "fsmdkit_add_sim_test(${arg_NAME}): unexpected arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT FSMDKIT_SIM_EXECUTABLE)
    message(FATAL_ERROR "fsmdkit_add_sim_test: FSMDKIT_SIM_EXECUTABLE is not set (find_package(fsmdkit) sets it)")
  endif()
  if(arg_GENERATOR AND NOT TARGET ${arg_GENERATOR})
    message(FATAL_ERROR "fsmdkit_add_sim_test(${arg_NAME}): GENERATOR ${arg_GENERATOR} is not a target")
  endif()

  set(designs)
  foreach(file IN LISTS arg_DESIGN)
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND designs --design "${file}")
  endforeach()
  if(arg_GENERATOR)
    get_filename_component(vectors "${arg_VECTORS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  else()
    get_filename_component(vectors "${arg_VECTORS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  set(backend)
  if(arg_BACKEND)
    set(backend --backend ${arg_BACKEND})
  endif()

  add_test(NAME ${arg_NAME}
    COMMAND "${FSMDKIT_SIM_EXECUTABLE}" ${arg_ENTITY} ${designs} --vectors "${vectors}"
            --dir "${CMAKE_CURRENT_BINARY_DIR}/${arg_NAME}.sim" ${backend} ${arg_ARGS})
  set_tests_properties(${arg_NAME} PROPERTIES LABELS sim)
  if(arg_GENERATOR)
    add_test(NAME ${arg_NAME}.vectors COMMAND $<TARGET_FILE:${arg_GENERATOR}> "${vectors}")
    set_tests_properties(${arg_NAME}.vectors PROPERTIES FIXTURES_SETUP ${arg_NAME}.vectors LABELS sim)
    set_tests_properties(${arg_NAME} PROPERTIES FIXTURES_REQUIRED ${arg_NAME}.vectors)
  endif()
endfunction()
