# Opening recordings: decoding, decoding with the analysis, resamplers.
add_executable(pitkad_bench_decode ${CMAKE_CURRENT_LIST_DIR}/decode_bench.cpp)
target_link_libraries(pitkad_bench_decode PRIVATE pitkad_control benchmark::benchmark
  PkgConfig::FFMPEG PkgConfig::SAMPLERATE)
