add_executable(cut_bench ${CMAKE_CURRENT_LIST_DIR}/cut_bench.cpp)
target_link_libraries(cut_bench PRIVATE zandor_ui)
# The floor of the start-up figures: nothing but Qt Widgets.
add_executable(bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_link_libraries(bare_window PRIVATE Qt6::Widgets)
