# The window suggesting from a long recording: the longest stall of the UI thread.
add_executable(pitkad_bench_suggest_stall ${CMAKE_CURRENT_LIST_DIR}/suggest_stall_probe.cpp)
target_link_libraries(pitkad_bench_suggest_stall PRIVATE pitkad_app)
