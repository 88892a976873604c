# Drawing player step (midiset).
add_executable(pitkad_bench_midi ${CMAKE_CURRENT_LIST_DIR}/midi_bench.cpp)
target_link_libraries(pitkad_bench_midi PRIVATE pitkad_control benchmark::benchmark)

# Writing and reading MIDI files of a full-length drawing.
add_executable(pitkad_bench_midi_file ${CMAKE_CURRENT_LIST_DIR}/midi_file_bench.cpp)
target_link_libraries(pitkad_bench_midi_file PRIVATE pitkad_drawing benchmark::benchmark)
