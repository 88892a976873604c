# The window opening a 19-minute MP3: the longest stall of the UI thread.
add_executable(pitkad_bench_open_stall ${CMAKE_CURRENT_LIST_DIR}/open_stall_probe.cpp)
target_link_libraries(pitkad_bench_open_stall PRIVATE pitkad_app)
