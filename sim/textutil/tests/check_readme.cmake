# Checks that the README shows each given file verbatim, so that the
# documented example is the one the tests run.
# Usage: cmake -DREADME=... -DFILES=a;b -P check_readme.cmake
file(READ ${README} readme)
foreach(shown IN LISTS FILES)
  file(READ ${shown} text)
  string(FIND "${readme}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${README} does not show ${shown} as it is")
  endif()
endforeach()
