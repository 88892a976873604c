// Timings of opening recordings: decoding alone, and decoding with the
// analysis following it, for a 16-bit WAV and a 192 kbit/s MP3 of the same
// 19 minutes 20 seconds (just under the length limit) and an MP3 of 4
// minutes; and the two resamplers at hand converting 48 kHz to 44.1 kHz.
// The recordings are made once with the ffmpeg tool in the user's cache
// folder (PITKAD_BENCH_DIR overrides it).

#include <benchmark/benchmark.h>

#include "audio/mixer.h"
#include "audio/parallel_decode.h"
#include "audio/recording_decoder.h"
#include "control/recording_loader.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}
#include <samplerate.h>

#include "bench/bench_dir.h"
#include <cmath>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace pitkad;
namespace fs = std::filesystem;

using bench::bench_dir;

// Pink noise under a chord, stereo, written once.
fs::path recording(const std::string& name) {
    const fs::path dir = bench_dir();
    const fs::path file = dir / name;
    if (fs::exists(file)) return file;
    fs::create_directories(dir);
    const fs::path wav = dir / "long.wav";
    if (!fs::exists(wav)) {
        const std::string make =
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i anoisesrc=d=1159.9:c=pink:a=0.1 "
            "-f lavfi -i sine=f=440:d=1159.9 -f lavfi -i sine=f=554.37:d=1159.9 -filter_complex "
            "'[0][1][2]amix=inputs=3,aformat=sample_rates=44100:channel_layouts=stereo' "
            "-c:a pcm_s16le '" +
            wav.string() + "'";
        if (std::system(make.c_str()) != 0) return {};
    }
    if (name == "three_hours.mp3") {
        // The 19-minute MP3 over and over, copied without coding again.
        const fs::path one = recording("long.mp3");
        const std::string make = "ffmpeg -nostdin -loglevel error -y -stream_loop 9 -i '" +
                                 one.string() + "' -t 10800 -c copy '" + file.string() + "'";
        return !one.empty() && std::system(make.c_str()) == 0 ? file : fs::path();
    }
    std::string args;
    if (name == "long.mp3") args = "-c:a libmp3lame -b:a 192k";
    if (name == "four.mp3") args = "-t 240 -c:a libmp3lame -b:a 192k";
    const std::string make = "ffmpeg -nostdin -loglevel error -y -i '" + wav.string() + "' " +
                             args + " '" + file.string() + "'";
    if (name != "long.wav" && std::system(make.c_str()) != 0) return {};
    return file;
}

void decode_only(benchmark::State& state, const char* name) {
    const fs::path file = recording(name);
    for (auto _ : state) {
        OpenFailure failure;
        auto decoder = RecordingDecoder::open(file, failure);
        if (!decoder) return state.SkipWithError(("cannot decode: " + failure.detail).c_str());
        decoder->set_decode_threads(int(state.range(0)), ParallelDecoder::default_chunk_packets);
        SampleStream samples(std::int64_t(frame_limit + 1) * frame_step);
        samples.close_reading(); // counted, not kept: the decoding alone
        const DecodeOutcome out = decoder->run(&samples, false, true);
        benchmark::DoNotOptimize(out.audio.get());
    }
}
// The argument: decoders at once (MP3 in chunks on that many threads).
BENCHMARK_CAPTURE(decode_only, wav_19min, "long.wav")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(decode_only, mp3_19min, "long.mp3")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(decode_only, mp3_4min, "four.mp3")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The header's rate, read at an open from the cache while the playback audio
// decodes in the background, against decoding it (decode_for_playback).
void rate_from_header(benchmark::State& state, const char* name) {
    const fs::path file = recording(name);
    for (auto _ : state)
        benchmark::DoNotOptimize(playback_rate(file));
}
BENCHMARK_CAPTURE(rate_from_header, mp3_19min, "long.mp3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(rate_from_header, wav_19min, "long.wav")->Unit(benchmark::kMillisecond);
void playback_decode(benchmark::State& state, const char* name) {
    const fs::path file = recording(name);
    for (auto _ : state)
        benchmark::DoNotOptimize(decode_for_playback(file).audio.get());
}
BENCHMARK_CAPTURE(playback_decode, mp3_4min, "four.mp3")->Unit(benchmark::kMillisecond);

// From a seek to sound: the player readies the new place (audio_->warm), the
// mixer takes the command and renders the first device buffer, with the
// playback copy's pages dropped from the system's cache before each seek
// (a recording kept on file starts from the disk). The device's own latency
// comes on top.
void seek_to_sound(benchmark::State& state, const char* name) {
    static std::shared_ptr<const PcmAudio> audio;
    static std::string decoded;
    if (decoded != name) {
        audio = decode_for_playback(recording(name)).audio;
        decoded = name;
    }
    if (!audio) return state.SkipWithError("cannot decode");
    Mixer mixer(48000);
    mixer.load(audio);
    std::vector<float> left(256), right(256);
    std::uint64_t spot = 12345;
    double t = 0;
    for (auto _ : state) {
        state.PauseTiming();
        audio->samples.forget_cached();
        spot = spot * 6364136223846793005u + 1442695040888963407u;
        const std::int64_t frame = std::int64_t((spot >> 33) % std::uint64_t(audio->frames));
        state.ResumeTiming();
        audio->warm(frame);
        mixer.command(Mixer::Mode::playing, true, frame);
        mixer.render(left.data(), right.data(), 256, t += 0.01);
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["on_file"] = audio->samples.on_file();
}
BENCHMARK_CAPTURE(seek_to_sound, mp3_19min, "long.mp3")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);
BENCHMARK_CAPTURE(seek_to_sound, mp3_3h, "three_hours.mp3")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

// What the window does: decode for analysis and playback, analyse, cache.
void open_and_analyse(benchmark::State& state, const char* name) {
    const fs::path file = recording(name);
    static const BandTables tables = build_band_tables();
    auto store = std::make_unique<SpectrogramStore>();
    for (auto _ : state) {
        const LoadResult r = load_or_analyse(file, *store, tables, {}, 0, false, true);
        if (!r.ok) return state.SkipWithError(("refused: " + r.detail).c_str());
    }
}
BENCHMARK_CAPTURE(open_and_analyse, wav_19min, "long.wav")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(open_and_analyse, mp3_19min, "long.mp3")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(open_and_analyse, mp3_4min, "four.mp3")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// One minute of mono 48 kHz to 44.1 kHz; soxr at three precisions (bits).
std::vector<float> minute_at_48k() {
    std::vector<float> s(48000 * 60);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = float(0.5 * std::sin(2 * M_PI * 1000.0 * double(i) / 48000.0));
    return s;
}

void resample_soxr(benchmark::State& state) {
    const std::vector<float> in = minute_at_48k();
    std::vector<float> out(in.size());
    for (auto _ : state) {
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* s = nullptr;
        swr_alloc_set_opts2(&s, &mono, AV_SAMPLE_FMT_FLT, 44100, &mono, AV_SAMPLE_FMT_FLT, 48000, 0,
                            nullptr);
        av_opt_set_int(s, "resampler", SWR_ENGINE_SOXR, 0);
        av_opt_set_int(s, "precision", state.range(0), 0);
        swr_init(s);
        const auto* src = reinterpret_cast<const std::uint8_t*>(in.data());
        auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
        benchmark::DoNotOptimize(swr_convert(s, &dst, int(out.size()), &src, int(in.size())));
        swr_free(&s);
    }
}
BENCHMARK(resample_soxr)->Arg(20)->Arg(24)->Arg(28)->Unit(benchmark::kMillisecond);

void resample_libsamplerate(benchmark::State& state) {
    const std::vector<float> in = minute_at_48k();
    std::vector<float> out(in.size());
    for (auto _ : state) {
        SRC_DATA d{};
        d.data_in = in.data();
        d.input_frames = long(in.size());
        d.data_out = out.data();
        d.output_frames = long(out.size());
        d.src_ratio = 44100.0 / 48000.0;
        benchmark::DoNotOptimize(src_simple(&d, int(state.range(0)), 1));
    }
}
BENCHMARK(resample_libsamplerate)
    ->Arg(SRC_SINC_BEST_QUALITY)
    ->Arg(SRC_SINC_MEDIUM_QUALITY)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
