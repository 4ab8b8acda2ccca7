add_executable(cut_bench ${CMAKE_CURRENT_LIST_DIR}/cut_bench.cpp)
target_link_libraries(cut_bench PRIVATE zandor_ui)
