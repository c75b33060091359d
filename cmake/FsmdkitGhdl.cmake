# GHDL for every CMake file of the kit: each back end's driver, the options of
# every GHDL command (sim/runtime/ghdl-flags.txt, which fsmd-sim reads too) and
# the std_logic_textio source each back end ships.
#
#   FSMDKIT_GHDL_BACKENDS        the back ends found (mcode, llvm), best first
#   GHDL_<BACKEND>_EXECUTABLE    the driver of each (GHDL_MCODE_EXECUTABLE ...)
#   FSMDKIT_GHDL_FLAGS           the options of every analysis, elaboration, run
#   fsmdkit_find_std_logic_textio(<ghdl> <out-var>)
include_guard(GLOBAL)

set(FSMDKIT_GHDL_FLAGS_FILE ${PROJECT_SOURCE_DIR}/sim/runtime/ghdl-flags.txt)
file(STRINGS ${FSMDKIT_GHDL_FLAGS_FILE} FSMDKIT_GHDL_FLAGS REGEX "^[^#]")

set(FSMDKIT_GHDL_BACKENDS)
foreach(backend mcode llvm)
  string(TOUPPER ${backend} upper)
  find_program(GHDL_${upper}_EXECUTABLE ghdl-${backend})
  if(GHDL_${upper}_EXECUTABLE)
    list(APPEND FSMDKIT_GHDL_BACKENDS ${backend})
  else()
    message(STATUS "ghdl-${backend} not found: no simulation on the GHDL ${backend} back end")
  endif()
endforeach()

# GHDL keeps its sources in src/ beside the per-back-end library folders; its
# configuration report names the library prefix.
function(fsmdkit_find_std_logic_textio ghdl out_var)
  execute_process(COMMAND ${ghdl} --dispconfig OUTPUT_VARIABLE config ERROR_QUIET)
  string(REGEX MATCH "library prefix: ([^\n]*)" _ "${config}")
  foreach(candidate ${CMAKE_MATCH_1}/../src/synopsys ${CMAKE_MATCH_1}/src/synopsys)
    if(EXISTS ${candidate}/std_logic_textio.vhdl)
      get_filename_component(path ${candidate}/std_logic_textio.vhdl ABSOLUTE)
      set(${out_var} ${path} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "std_logic_textio.vhdl not found in the sources of ${ghdl}")
endfunction()
