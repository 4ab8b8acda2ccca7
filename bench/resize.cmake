# resize_bench: frames per second of the board during a live resize, and the
# time from a resize settling to the board asking for tiles of the new size.
add_executable(resize_bench ${CMAKE_CURRENT_LIST_DIR}/resize_bench.cpp)
target_link_libraries(resize_bench PRIVATE zandor_ui)
