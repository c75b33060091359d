# Warnings, sanitizers and the "C outside" rules shared by every deliverable.

add_compile_options(-Wall -Wextra)
if(FSMDKIT_WERROR)
  add_compile_options(-Werror)
endif()

if(FSMDKIT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# Deliverables are C++ inside and C outside: a C program links them with the C
# compiler alone, so they must not pull in the C++ runtime (no exceptions,
# RTTI, thread-safe static guards or operator new).
function(fsmdkit_c_runtime_only target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables>)
endfunction()

# A program that must run with the C library (and libm) only is linked by the
# C driver, so a stray dependency on libstdc++ fails the link instead of
# slipping into the binary. CMake would still hand the C++ runtime
# (-lstdc++ -lm) to any C link of C++ objects; GCC's driver on Debian drops it
# again through --as-needed, clang's does not. C++ links go through the C++
# driver, which adds its runtime by itself, so nothing else needs the list.
# Sanitized builds keep it: clang's sanitizers instrument C++ code with C++
# type data.
if(NOT FSMDKIT_SANITIZE)
  set(CMAKE_CXX_IMPLICIT_LINK_LIBRARIES "")
endif()
function(fsmdkit_link_as_c target)
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
endfunction()
