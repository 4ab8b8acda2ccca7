# solver_bench: the 4 x 4 tables (made or read), peak memory, random deals of
# every side (time per deal, length against the Manhattan distance), and the
# positions of positions.txt, whose known lengths are checked.
#   solver_bench [positions-file] [--cache DIR] [--fresh] [--deals N] [--seed S] [--side N] [--beside]
add_executable(solver_bench ${CMAKE_CURRENT_LIST_DIR}/solver_bench.cpp)
target_link_libraries(solver_bench PRIVATE zandor_core)
target_compile_definitions(solver_bench PRIVATE ZANDOR_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
