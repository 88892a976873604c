# Drawing player step (midiset).
add_executable(pitkad_bench_midi ${CMAKE_CURRENT_LIST_DIR}/midi_bench.cpp)
target_link_libraries(pitkad_bench_midi PRIVATE pitkad_control benchmark::benchmark)
