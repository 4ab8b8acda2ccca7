# solver_bench: optimal lengths, nodes and times for a file of positions.
#   solver_bench [positions-file] [--cache DIR] [--fresh] [--groups A/B/C]
#   solver_bench --generate N SEED
add_executable(solver_bench ${CMAKE_CURRENT_LIST_DIR}/solver_bench.cpp)
target_link_libraries(solver_bench PRIVATE zandor_core)
