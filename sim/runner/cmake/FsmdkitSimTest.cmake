# fsmdkit_add_sim_test(NAME <name> ENTITY <entity> DESIGN <files>... VECTORS <file>
#                      [GENERATOR <target>] [BACKEND <mcode|llvm|gcc>] [ARGS <fsmd-sim options>...]
#                      [SHARDS <n> [MERGE_ARGS <merge options>...]])
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
#
# With SHARDS n, for a design whose tests do not depend on each other (the
# shards run with --independent-tests), the vectors are split into n parts:
# the tests <name>.shard-1 ... <name>.shard-<n> each run one part
#   fsmd-sim ... --dir <build dir>/<name>.sim/shard-<k> --shard <k>/<n> --independent-tests [args]
# and pass once their part has reached a verdict (passed or FAILED), so that
# the test <name>, which needs them all (a CTest fixture: ctest -R <name>$
# runs them first), always merges them:
#   fsmd-sim merge <the n shard folders> --dir <build dir>/<name>.sim [merge args]
# and passes or fails by merge's exit status, that of one run of all the
# vectors. ctest -j N runs the shards N at a time. MERGE_ARGS: --junit FILE,
# --coverage DIR (the shards then need --coverage in ARGS, whose folder
# each shard replaces by <build dir>/<name>.sim/shard-<k>/coverage), --quiet.
function(fsmdkit_add_sim_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;ENTITY;VECTORS;GENERATOR;BACKEND;SHARDS"
                        "DESIGN;ARGS;MERGE_ARGS")
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
  if(DEFINED arg_SHARDS AND NOT arg_SHARDS MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR "fsmdkit_add_sim_test(${arg_NAME}): SHARDS must be a positive number, not '${arg_SHARDS}'")
  endif()
  if(arg_MERGE_ARGS AND NOT arg_SHARDS)
    message(FATAL_ERROR "fsmdkit_add_sim_test(${arg_NAME}): MERGE_ARGS needs SHARDS")
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

  set(sim_dir "${CMAKE_CURRENT_BINARY_DIR}/${arg_NAME}.sim")
  # The tests that run the simulator: the one test, or the shards.
  set(runs)
  if(arg_SHARDS)
    set(shard_dirs)
    foreach(k RANGE 1 ${arg_SHARDS})
      # Shards run at once: each writes the coverage that ARGS asks for into
      # its own folder, never into one they share.
      set(shard_args)
      set(coverage_next FALSE)
      foreach(arg IN LISTS arg_ARGS)
        if(coverage_next)
          set(arg "${sim_dir}/shard-${k}/coverage")
          set(coverage_next FALSE)
        elseif(arg STREQUAL "--coverage")
          set(coverage_next TRUE)
        elseif(arg MATCHES "^--coverage=")
          set(arg "--coverage=${sim_dir}/shard-${k}/coverage")
        endif()
        list(APPEND shard_args "${arg}")
      endforeach()
      add_test(NAME ${arg_NAME}.shard-${k}
        COMMAND "${FSMDKIT_SIM_EXECUTABLE}" ${arg_ENTITY} ${designs} --vectors "${vectors}"
                --dir "${sim_dir}/shard-${k}" --shard ${k}/${arg_SHARDS} --independent-tests
                ${backend} ${shard_args})
      # A part with failed tests has done its work: merge reports them.
      set_tests_properties(${arg_NAME}.shard-${k} PROPERTIES LABELS sim
        PASS_REGULAR_EXPRESSION ": verdict: (passed|FAILED) \\("
        FIXTURES_SETUP ${arg_NAME}.shards)
      list(APPEND runs ${arg_NAME}.shard-${k})
      list(APPEND shard_dirs "${sim_dir}/shard-${k}")
    endforeach()
    add_test(NAME ${arg_NAME}
      COMMAND "${FSMDKIT_SIM_EXECUTABLE}" merge ${shard_dirs} --dir "${sim_dir}" ${arg_MERGE_ARGS})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS sim FIXTURES_REQUIRED ${arg_NAME}.shards)
  else()
    add_test(NAME ${arg_NAME}
      COMMAND "${FSMDKIT_SIM_EXECUTABLE}" ${arg_ENTITY} ${designs} --vectors "${vectors}"
              --dir "${sim_dir}" ${backend} ${arg_ARGS})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS sim)
    set(runs ${arg_NAME})
  endif()
  if(arg_GENERATOR)
    add_test(NAME ${arg_NAME}.vectors COMMAND $<TARGET_FILE:${arg_GENERATOR}> "${vectors}")
    set_tests_properties(${arg_NAME}.vectors PROPERTIES FIXTURES_SETUP ${arg_NAME}.vectors LABELS sim)
    set_tests_properties(${runs} PROPERTIES FIXTURES_REQUIRED ${arg_NAME}.vectors)
  endif()
endfunction()
