# Kernel and whole-file timings of the analysis.
add_executable(pitkad_bench_analysis ${CMAKE_CURRENT_LIST_DIR}/analysis_bench.cpp)
target_link_libraries(pitkad_bench_analysis PRIVATE pitkad_analysis benchmark::benchmark)
# The kernel's error against the direct sum, as a table (not a timing).
add_executable(pitkad_bench_kernel_error ${CMAKE_CURRENT_LIST_DIR}/kernel_error_probe.cpp)
target_link_libraries(pitkad_bench_kernel_error PRIVATE pitkad_analysis)
