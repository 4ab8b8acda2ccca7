# play_bench: a click's slide (time, frames) and the time to the solution's
# first move over 100 random deals, in the main window on a real display.
add_executable(play_bench ${CMAKE_CURRENT_LIST_DIR}/play_bench.cpp)
target_link_libraries(play_bench PRIVATE zandor_ui Qt6::Test)
