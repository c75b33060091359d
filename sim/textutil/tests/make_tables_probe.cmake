# Writes the body of textutil_tables_probe: the body of
# std_logic_1164_textutil renamed, with the read accessors added at its end.
# Usage: cmake -DBODY=... -DACCESSORS=... -DOUTPUT=... -P make_tables_probe.cmake
set(body_start "package body std_logic_1164_textutil is")
set(body_end "end package body std_logic_1164_textutil;")
file(READ ${BODY} body)
foreach(marker IN ITEMS "${body_start}" "${body_end}")
  string(FIND "${body}" "${marker}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${BODY}: \"${marker}\" not found")
  endif()
endforeach()
file(READ ${ACCESSORS} accessors)
string(REPLACE "${body_start}" "package body textutil_tables_probe is"
       body "${body}")
string(REPLACE "${body_end}"
       "${accessors}end package body textutil_tables_probe;" body "${body}")
file(WRITE ${OUTPUT}
     "-- Produced from std_logic_1164_textutil_body.vhd by make_tables_probe.cmake.\n"
     "${body}")
