# Runs a simulation and checks that its standard output is exactly the
# expected text.
# Usage: cmake -DGHDL=... -DFLAGS=... -DWORKDIR=... -DUNIT=... -DEXPECTED=...
#              -P run_example.cmake
set(flags ${FLAGS})
execute_process(
  COMMAND ${GHDL} -r ${flags} --workdir=${WORKDIR} ${UNIT}
  WORKING_DIRECTORY ${WORKDIR}
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${UNIT} failed (${status}):\n${output}${errors}")
endif()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "${UNIT} printed:\n${output}\nexpected:\n${expected}")
endif()
