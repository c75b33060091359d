# Speed of radix conversion and the number-theoretic operations against
# Boost cpp_int on identical operands. bench/run-number-theory-bench.sh runs it.
add_executable(zbig_number_theory_bench ${CMAKE_CURRENT_LIST_DIR}/number_theory_bench.cpp)
target_link_libraries(zbig_number_theory_bench PRIVATE zbig_objects benchmark::benchmark)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(zbig_number_theory_bench PRIVATE -Wno-restrict)
endif()
