# The window's memory with no recording and while it opens a long one.
add_executable(pitkad_bench_open_memory ${CMAKE_CURRENT_LIST_DIR}/open_memory_probe.cpp)
target_link_libraries(pitkad_bench_open_memory PRIVATE pitkad_app)
