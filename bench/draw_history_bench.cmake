# The drawing history: undo of the largest step, the cost of recording one.
add_executable(pitkad_bench_draw_history ${CMAKE_CURRENT_LIST_DIR}/draw_history_bench.cpp)
target_link_libraries(pitkad_bench_draw_history PRIVATE pitkad_drawing benchmark::benchmark)
