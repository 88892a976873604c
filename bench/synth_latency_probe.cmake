# The synthesizer's first-note latency and the memory its SoundFont takes.
add_executable(pitkad_bench_synth_latency ${CMAKE_CURRENT_LIST_DIR}/synth_latency_probe.cpp)
target_link_libraries(pitkad_bench_synth_latency PRIVATE pitkad_midi)
