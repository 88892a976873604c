# The check of a drawing against its recording, as the window runs it
# after each edit.
add_executable(pitkad_bench_check ${CMAKE_CURRENT_LIST_DIR}/check_bench.cpp)
target_link_libraries(pitkad_bench_check PRIVATE pitkad_control benchmark::benchmark)
