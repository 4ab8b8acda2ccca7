# Loading benchmark of the picture change: picture_bench.
add_executable(picture_bench ${CMAKE_CURRENT_LIST_DIR}/picture_change.cpp)
target_link_libraries(picture_bench PRIVATE zandor_core)
