# Kernel and whole-file timings of the analysis.
add_executable(pitkad_bench_analysis ${CMAKE_CURRENT_LIST_DIR}/analysis_bench.cpp)
target_link_libraries(pitkad_bench_analysis PRIVATE pitkad_analysis benchmark::benchmark)
