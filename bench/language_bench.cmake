# Switching the language: every window's texts set again.
add_executable(pitkad_bench_language ${CMAKE_CURRENT_LIST_DIR}/language_bench.cpp)
target_link_libraries(pitkad_bench_language PRIVATE pitkad_app benchmark::benchmark)
