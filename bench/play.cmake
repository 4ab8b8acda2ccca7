# play_bench: a click's slide (time, frames) and the time to the solution's
# first move over 100 random deals, in the main window on a real display.
add_executable(play_bench ${CMAKE_CURRENT_LIST_DIR}/play_bench.cpp)
target_link_libraries(play_bench PRIVATE zandor_ui Qt6::Test)
# kept_bench: the time from a move until the kept game holds it on the disk.
add_executable(kept_bench ${CMAKE_CURRENT_LIST_DIR}/kept_bench.cpp)
target_link_libraries(kept_bench PRIVATE zandor_midend Qt6::Test)
