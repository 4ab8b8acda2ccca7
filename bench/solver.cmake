# solver_bench: tables, peak memory and the time of 100 random deals, with
# their floors; published lengths from positions.txt are checked.
#   solver_bench [positions-file] [--cache DIR] [--fresh] [--deals N] [--seed S]
add_executable(solver_bench ${CMAKE_CURRENT_LIST_DIR}/solver_bench.cpp)
target_link_libraries(solver_bench PRIVATE zandor_core)
target_compile_definitions(solver_bench PRIVATE ZANDOR_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
