#include "audio/recording_decoder.h"

#include "audio/parallel_decode.h"

#include "analysis/band_tables.h"
#include "analysis/spectrogram_store.h"
#include "analysis/wav_reader.h"
#include "base/le_bytes.h"
#include "base/vector_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}
#include <xxhash.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace pitkad {

namespace {

// The samples of a long recording could not all be written to their file
// (a full disk): the recording cannot be played.
DecodeOutcome& playback_copy_failed(DecodeOutcome& out) {
    out.status = OpenStatus::cannot_open;
    out.detail = "cannot write the playback copy";
    return out;
}

constexpr int analysis_rate = 44100;
// Samples of analysis rate from which a recording of `frame_limit` frames
// is too long to analyse.
constexpr std::int64_t too_long_samples(int frame_limit) {
    return std::int64_t(frame_limit) * frame_step;
}
// Playback of a file with no analysis stops there too (with a second to spare).
constexpr double longest_seconds(int frame_limit) {
    return double(frame_limit) * frame_ms / 1000.0 + 1.0;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

OpenFailure unsupported(std::string reason) {
    return {OpenStatus::unsupported, std::move(reason)};
}

std::string ffmpeg_error(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// --- 16-bit PCM WAV at 44100 or 22050 Hz ------------------------------------

class WavDecoder final : public RecordingDecoder {
  public:
    WavDecoder(std::filesystem::path file, WavRecording header)
        : file_(std::move(file)), header_(std::move(header)) {
        file_size_ = header_.file_size;
    }
    int expected_frames() const override { return header_.frame_count; }

    DecodeOutcome run(SampleStream* analysis, bool hash, bool playback,
                      std::stop_token stop) override {
        DecodeOutcome out;
        std::unique_ptr<std::FILE, FileCloser> f(std::fopen(file_.c_str(), "rb"));
        auto audio = std::make_shared<PcmAudio>();
        const int channels = header_.format.channels;
        const std::size_t stride = 2 * std::size_t(channels);
        audio->rate = int(header_.format.sample_rate);
        audio->channels = channels >= 2 ? 2 : 1;
        if (playback)
            audio->samples.reserve(std::size_t(header_.data_size / stride) * audio->channels);
        const bool doubled = header_.format.sample_rate == 22050;
        if (analysis) analysis->announce_frames(header_.frame_count);

        std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(
            hash ? XXH3_createState() : nullptr, &XXH3_freeState);
        if (state) XXH3_64bits_reset(state.get());

        std::vector<float> first;
        bool room = true;
        WavDataSink sink;
        sink.frames = [&](std::span<const std::uint8_t> bytes, std::size_t frames) {
            if (playback) {
                std::int16_t* play = audio->samples.extend(frames * std::size_t(audio->channels));
                for (std::size_t i = 0; i < frames; ++i) {
                    *play++ = le::i16(bytes, i * stride);
                    if (audio->channels == 2) *play++ = le::i16(bytes, i * stride + 2);
                }
            }
            if (!analysis || !room) return;
            // A 22050 Hz recording gets a zero after each of its samples.
            first.resize(doubled ? 2 * frames : frames);
            analysis_values(bytes, frames, channels, channel_, first.data(), doubled ? 2 : 1);
            if (doubled)
                for (std::size_t i = 0; i < frames; ++i)
                    first[2 * i + 1] = 0.0f;
            room = analysis->append(first);
        };
        // The analysed value of a last, incomplete frame is analysed, not played.
        sink.tail = [&](std::span<const std::uint8_t> bytes) {
            if (!analysis || !room) return;
            const std::optional<float> s = partial_frame_value(bytes, channels, channel_);
            if (!s) return;
            room = analysis->append({&*s, 1}) && (!doubled || analysis->append_zeros(1));
        };
        if (state)
            sink.file_bytes = [&](std::span<const std::uint8_t> bytes) {
                XXH3_64bits_update(state.get(), bytes.data(), bytes.size());
            };
        if (!f || !read_wav_data(f.get(), header_, sink, stop)) {
            if (analysis) analysis->abandon();
            out.status = OpenStatus::bad_header;
            return out;
        }
        if (analysis) analysis->finish(header_.frame_count);
        if (playback && !audio->samples.finish()) return playback_copy_failed(out);
        audio->frames = std::int64_t(audio->samples.size()) / audio->channels;
        out.ok = true;
        if (playback) out.audio = std::move(audio);
        if (state) out.hash = {true, XXH3_64bits_digest(state.get())};
        return out;
    }

  private:
    std::filesystem::path file_;
    WavRecording header_;
};

// --- Everything else, through FFmpeg ------------------------------------------

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ResamplerCloser {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using Resampler = std::unique_ptr<SwrContext, ResamplerCloser>;

// One channel of a decoded frame on the 16-bit sample scale, as float: 16-bit
// values as they are, wider and floating-point ones without rounding.
void channel_on_16bit_scale(const AVFrame& frame, int channel, float* out) {
    const auto format = AVSampleFormat(frame.format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int channels = frame.ch_layout.nb_channels;
    const int n = frame.nb_samples;
    const std::uint8_t* base = planar ? frame.extended_data[channel] : frame.extended_data[0];
    const int step = planar ? 1 : channels;
    const int offset = planar ? 0 : channel;
    auto convert = [&](auto sample_type, auto scale) {
        using T = decltype(sample_type);
        const T* p = reinterpret_cast<const T*>(base) + offset;
        // A plane on its own loop, which vectorises.
        if (step == 1)
            for (int i = 0; i < n; ++i)
                out[i] = scale(p[i]);
        else
            for (int i = 0; i < n; ++i)
                out[i] = scale(p[std::ptrdiff_t(i) * step]);
    };
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        convert(std::uint8_t{}, [](std::uint8_t v) { return float((int(v) - 128) * 256); });
        break;
    case AV_SAMPLE_FMT_S16:
        convert(std::int16_t{}, [](std::int16_t v) { return float(v); });
        break;
    case AV_SAMPLE_FMT_S32:
        convert(std::int32_t{}, [](std::int32_t v) { return float(double(v) / 65536.0); });
        break;
    case AV_SAMPLE_FMT_S64:
        convert(std::int64_t{},
                [](std::int64_t v) { return float(double(v) / 281474976710656.0); });
        break;
    case AV_SAMPLE_FMT_FLT:
        convert(float{}, [](float v) { return v * 32768.0f; });
        break;
    case AV_SAMPLE_FMT_DBL:
        convert(double{}, [](double v) { return float(v * 32768.0); });
        break;
    default:
        std::fill(out, out + n, 0.0f);
        break;
    }
}

// Rounded to the nearest 16-bit value, ties to even as lrint does, but
// inline: adding and taking away 1.5 × 2^23 leaves a float of that size no
// fraction bits, so the sum rounds in the current (nearest) mode.
std::int16_t to_int16(float v) {
    constexpr float magic = 12582912.0f;
    v = v == v ? v : 0.0f; // NaN: silence (a select, so that loops of this vectorise)
    return std::int16_t(int((std::clamp(v, -32768.0f, 32767.0f) + magic) - magic));
}

// The containers a recording may come in (FFmpeg's demuxer names; one name
// of a demuxer's list is enough).
constexpr const char* accepted_containers =
    "wav,w64,rf64,aiff,flac,mp3,aac,ac3,eac3,dts,truehd,mlp,loas,ogg,mov,matroska,asf,wv,ape,"
    "caf,au,amr,amrnb,amrwb,tta,mpc,mpc8,tak,shn,dsf,voc,avi,flv,mpeg,mpegts,rm,xwma,oma,sox";

// Recordings are analysed between these rates; others are refused.
constexpr int lowest_rate = 8000, highest_rate = 384000;

// What FFmpeg asks between reads while it opens, probes or reads a file: a
// requested stop, or a step that has run past its deadline, ends the call.
// The deadline is set before each step, so a demuxer that loops on a
// hostile file cannot hold the reading up for good.
struct Interrupt {
    std::stop_token stop;
    std::chrono::milliseconds limit{};
    std::chrono::steady_clock::time_point deadline{};
    bool expired = false;

    void arm() { deadline = std::chrono::steady_clock::now() + limit; }
    static int check(void* self) {
        auto& i = *static_cast<Interrupt*>(self);
        if (i.stop.stop_requested()) return 1;
        if (std::chrono::steady_clock::now() >= i.deadline) i.expired = true;
        return i.expired ? 1 : 0;
    }
    // Why a call ended, when it was ended here.
    std::string reason(int code) const {
        if (expired)
            return "a step of the reading took longer than " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
                   " s";
        return ffmpeg_error(code);
    }
};

// Every audio decoder this FFmpeg has, as a whitelist.
const std::string& audio_decoder_names() {
    static const std::string names = [] {
        std::string list;
        void* at = nullptr;
        while (const AVCodec* codec = av_codec_iterate(&at))
            if (av_codec_is_decoder(codec) && codec->type == AVMEDIA_TYPE_AUDIO)
                list += (list.empty() ? "" : ",") + std::string(codec->name);
        return list;
    }();
    return names;
}

class FfmpegDecoder final : public RecordingDecoder {
  public:
    static std::unique_ptr<FfmpegDecoder> open(const std::filesystem::path& file,
                                               std::int32_t file_size, OpenFailure& failure,
                                               std::stop_token stop,
                                               std::chrono::milliseconds step_limit,
                                               int frame_limit = recording_frame_limit) {
        // The library's own diagnostics would go to the terminal; the reason a
        // file is refused is reported with the refusal instead.
        av_log_set_level(AV_LOG_QUIET);
        std::unique_ptr<FfmpegDecoder> d(new FfmpegDecoder);
        d->file_ = file;
        d->file_size_ = file_size;
        d->interrupt_.stop = std::move(stop);
        d->interrupt_.limit = step_limit;
        d->frame_limit_ = frame_limit;
        AVFormatContext* format = avformat_alloc_context();
        if (!format) {
            failure = unsupported("out of memory");
            return nullptr;
        }
        format->interrupt_callback = {&Interrupt::check, &d->interrupt_};
        AVDictionary* options = nullptr;
        // Local files only, and only containers that hold their own sound: a
        // playlist or a reference format (HLS, concat, SDP, …) could make
        // another file of the user's be read and cached beside this one.
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        av_dict_set(&options, "format_whitelist", accepted_containers, 0);
        // Only audio decoders run, also while the streams are probed: a huge
        // video frame costs nothing.
        av_dict_set(&options, "codec_whitelist", audio_decoder_names().c_str(), 0);
        const std::string url = "file:" + file.string();
        d->interrupt_.arm();
        int r = avformat_open_input(&format, url.c_str(), nullptr, &options); // frees on failure
        av_dict_free(&options);
        if (r < 0) {
            failure = unsupported(file_size == 0 ? "empty file"
                                  : d->interrupt_.expired
                                      ? d->interrupt_.reason(r)
                                      : "not a known audio or video format: " + ffmpeg_error(r));
            return nullptr;
        }
        d->format_.reset(format);
        std::string container = format->iformat->name;
        container = container.substr(0, container.find(','));
        d->interrupt_.arm();
        if ((r = avformat_find_stream_info(format, nullptr)) < 0 || d->interrupt_.expired) {
            failure = unsupported(container + ": " + d->interrupt_.reason(r));
            return nullptr;
        }
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
                d->stream_ = int(i);
                break;
            }
        if (d->stream_ < 0) {
            failure = unsupported(container + ": no audio stream");
            return nullptr;
        }
        const AVStream* stream = format->streams[d->stream_];
        const AVCodecParameters* par = stream->codecpar;
        d->what_ = std::string(avcodec_get_name(par->codec_id)) + " in " + container;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec) {
            failure = unsupported(d->what_ + ": no decoder");
            return nullptr;
        }
        d->codec_.reset(avcodec_alloc_context3(codec));
        if (!d->codec_ || avcodec_parameters_to_context(d->codec_.get(), par) < 0 ||
            (r = avcodec_open2(d->codec_.get(), codec, nullptr)) < 0) {
            failure = unsupported(d->what_ + ": " + ffmpeg_error(r));
            return nullptr;
        }
        if (d->codec_->sample_rate <= 0 || d->codec_->ch_layout.nb_channels <= 0) {
            failure = unsupported(d->what_ + ": no sample rate or channels");
            return nullptr;
        }
        if (d->codec_->sample_rate < lowest_rate || d->codec_->sample_rate > highest_rate) {
            failure = unsupported(
                d->what_ + ": sample rate " + std::to_string(d->codec_->sample_rate) + " Hz, not " +
                std::to_string(lowest_rate) + "-" + std::to_string(highest_rate) + " Hz");
            return nullptr;
        }
        double seconds = 0;
        if (stream->duration > 0)
            seconds = double(stream->duration) * av_q2d(stream->time_base);
        else if (format->duration > 0)
            seconds = double(format->duration) / AV_TIME_BASE;
        if (!std::isfinite(seconds) || seconds < 0) seconds = 0; // unknown
        d->seconds_ = seconds;
        // A container that says it is far too long is refused before decoding.
        if (seconds > longest_seconds(frame_limit) * 1.05) {
            failure = {OpenStatus::too_large, {}};
            return nullptr;
        }
        return d;
    }

    int expected_frames() const override { return int(seconds_ * 1000.0 / frame_ms); }
    // The rate of the playback audio.
    int playback_rate() const { return std::min(codec_->sample_rate, highest_playback_rate); }

    void set_decode_threads(int threads, int chunk_packets) override {
        decode_threads_ = threads;
        chunk_packets_ = chunk_packets;
    }

    DecodeOutcome run(SampleStream* analysis, bool hash, bool playback,
                      std::stop_token stop) override {
        playback_ = playback;
        stop_ = std::move(stop);
        interrupt_.stop = stop_;
        DecodeOutcome out = decode(analysis);
        if (analysis) {
            if (out.ok)
                analysis->finish(std::int32_t(analysis->size() / frame_step));
            else
                analysis->abandon();
        }
        if (out.ok && hash && !stop_.stop_requested()) out.hash = hash_file(file_);
        return out;
    }

  private:
    FfmpegDecoder() = default;

    DecodeOutcome decode(SampleStream* analysis) {
        DecodeOutcome out;
        AVCodecContext* codec = codec_.get();
        audio_ = std::make_shared<PcmAudio>();
        source_rate_ = codec->sample_rate;
        audio_->rate = playback_rate();
        audio_->channels = codec->ch_layout.nb_channels >= 2 ? 2 : 1;
        // Room for the announced length, so that the buffer is not copied as
        // it grows; the length is bounded at the opening, and so is this.
        if (seconds_ > 0 && playback_)
            audio_->samples.reserve(std::size_t((seconds_ * 1.01 + 1.0) * audio_->rate) *
                                    std::size_t(audio_->channels));
        analysis_ = analysis;

        std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
        std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
        if (!packet || !frame) return fail(out, "out of memory");
        const AVCodecParameters& parameters = *format_->streams[stream_]->codecpar;
        std::optional<ParallelDecoder> parallel;
        if (decode_threads_ > 1 && ParallelDecoder::suits(parameters)) {
            parallel.emplace(parameters, decode_threads_, chunk_packets_);
            if (!parallel->ok()) parallel.reset();
        }
        int last_error = 0;
        auto drain = [&] {
            for (;;) {
                const int r = avcodec_receive_frame(codec, frame.get());
                if (r < 0) {
                    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) last_error = r;
                    return;
                }
                const bool taken = take(*frame);
                av_frame_unref(frame.get());
                if (!taken) return;
            }
        };
        const std::function<bool(AVFrame&)> take_frame = [this](AVFrame& f) { return take(f); };
        while (!too_long_ && !failed_) {
            if (stop_.stop_requested()) return fail(out, "stopped");
            interrupt_.arm();
            const int r = av_read_frame(format_.get(), packet.get());
            if (interrupt_.expired) return fail(out, interrupt_.reason(r));
            if (stop_.stop_requested()) return fail(out, "stopped");
            if (r < 0) break; // the end, or damage from here on: keep what was decoded
            if (packet->stream_index == stream_ && parallel) {
                parallel->push(*packet);
                parallel->deliver(take_frame);
            } else if (packet->stream_index == stream_) {
                const int s = avcodec_send_packet(codec, packet.get());
                if (s < 0 && s != AVERROR(EAGAIN)) last_error = s; // a damaged packet is skipped
                drain();
            }
            av_packet_unref(packet.get());
        }
        if (!too_long_ && !failed_) {
            if (parallel) {
                parallel->finish();
                parallel->deliver(take_frame);
            } else {
                avcodec_send_packet(codec, nullptr);
                drain();
            }
            flush_resampler();
        }
        if (parallel && parallel->last_error()) last_error = parallel->last_error();
        if (too_long_) {
            out.status = OpenStatus::too_large;
            return out;
        }
        if (failed_) return fail(out, failure_);
        if (decoded_ == 0)
            return fail(out, last_error ? ffmpeg_error(last_error) : "no audio in the stream");
        if (playback_ && !audio_->samples.finish()) return playback_copy_failed(out);
        audio_->frames = std::int64_t(audio_->samples.size()) / audio_->channels;
        out.ok = true;
        if (playback_) out.audio = std::move(audio_);
        return out;
    }

    // Refused as unsupported, with the codec and container before the reason.
    DecodeOutcome& fail(DecodeOutcome& out, const std::string& reason) {
        out.status = OpenStatus::unsupported;
        out.detail = what_ + ": " + reason;
        return out;
    }

    // One decoded frame into the playback audio and the analysis stream.
    bool take(const AVFrame& f) {
        const int n = f.nb_samples;
        const int channels = f.ch_layout.nb_channels;
        if (n <= 0 || channels <= 0) return true;
        const int rate = f.sample_rate > 0 ? f.sample_rate : source_rate_;
        if (double(decoded_ + n) > longest_seconds(frame_limit_) * source_rate_) {
            too_long_ = true;
            return false;
        }
        decoded_ += n;
        first_.resize(std::size_t(n));
        channel_on_16bit_scale(f, 0, first_.data());
        // The second channel, when the analysis or the playback takes it.
        const bool second_used =
            channels >= 2 && (channel_ != AnalysisChannel::first || (playback_ && channels == 2));
        if (second_used) {
            second_.resize(std::size_t(n));
            channel_on_16bit_scale(f, 1, second_.data());
        }
        const float* analysed = analysed_values(channels, n);
        if (!playback_) return analyse(analysed, rate, n);

        // Playback: the recording's layout as it is; a frame of another (more
        // than two channels, or a stream that changes between mono and
        // stereo) mixed to it.
        if (channels == audio_->channels && rate == audio_->rate) {
            std::int16_t* p = audio_->samples.extend(std::size_t(n) * audio_->channels);
            const float* left = first_.data();
            // One loop per layout, without a test per sample, so each vectorises.
            if (channels == 2) {
                const float* right = second_.data();
                for (int i = 0; i < n; ++i) {
                    p[2 * i] = to_int16(left[i]);
                    p[2 * i + 1] = to_int16(right[i]);
                }
            } else {
                for (int i = 0; i < n; ++i)
                    p[i] = to_int16(left[i]);
            }
        } else if (!mix_down(f)) {
            return false;
        }
        return analyse(analysed, rate, n);
    }

    // The analysed values of a frame whose first (and, when used, second)
    // channel are in first_ and second_.
    const float* analysed_values(int channels, int n) {
        if (channels < 2 || channel_ == AnalysisChannel::first) return first_.data();
        if (channel_ == AnalysisChannel::second) return second_.data();
        mid_.resize(std::size_t(n));
        for (std::size_t i = 0; i < std::size_t(n); ++i)
            mid_[i] = mid_value(first_[i], second_[i]);
        return mid_.data();
    }

    bool mix_down(const AVFrame& f) {
        const int rate = f.sample_rate > 0 ? f.sample_rate : source_rate_;
        if (!mixer_ || mixer_rate_ != rate || mixer_format_ != f.format ||
            av_channel_layout_compare(&mixer_layout_, &f.ch_layout) != 0) {
            AVChannelLayout in{};
            if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
                av_channel_layout_default(&in, f.ch_layout.nb_channels);
            else
                av_channel_layout_copy(&in, &f.ch_layout);
            AVChannelLayout outl{};
            av_channel_layout_default(&outl, audio_->channels);
            SwrContext* s = nullptr;
            const int r = swr_alloc_set_opts2(&s, &outl, AV_SAMPLE_FMT_S16, audio_->rate, &in,
                                              AVSampleFormat(f.format), rate, 0, nullptr);
            av_channel_layout_uninit(&in);
            av_channel_layout_uninit(&outl);
            mixer_.reset(s);
            if (r < 0 || !s || swr_init(s) < 0) {
                failed_ = true;
                failure_ = "cannot mix " + std::to_string(f.ch_layout.nb_channels) + " channels";
                return false;
            }
            av_channel_layout_uninit(&mixer_layout_);
            av_channel_layout_copy(&mixer_layout_, &f.ch_layout);
            mixer_rate_ = rate;
            mixer_format_ = f.format;
        }
        const int room = swr_get_out_samples(mixer_.get(), f.nb_samples);
        const std::size_t at = audio_->samples.size();
        std::uint8_t* dst = reinterpret_cast<std::uint8_t*>(
            audio_->samples.extend(std::size_t(std::max(room, 0)) * audio_->channels));
        const int got =
            swr_convert(mixer_.get(), &dst, room, const_cast<const std::uint8_t**>(f.extended_data),
                        f.nb_samples);
        audio_->samples.resize(at + std::size_t(std::max(got, 0)) * audio_->channels);
        return true;
    }

    // The analysed values into the analysis stream at 44100 Hz.
    bool analyse(const float* values, int rate, int n) {
        if (!analysis_) return true;
        if (rate == analysis_rate) return append(values, n);
        if (rate == analysis_rate / 2) {
            doubled_.resize(2 * std::size_t(n));
            for (int i = 0; i < n; ++i) {
                doubled_[2 * std::size_t(i)] = values[i];
                doubled_[2 * std::size_t(i) + 1] = 0.0f;
            }
            return append(doubled_.data(), 2 * n);
        }
        if (!resampler_ || resampler_rate_ != rate) {
            flush_resampler();
            AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
            SwrContext* s = nullptr;
            swr_alloc_set_opts2(&s, &mono, AV_SAMPLE_FMT_FLT, analysis_rate, &mono,
                                AV_SAMPLE_FMT_FLT, rate, 0, nullptr);
            resampler_.reset(s);
            if (s) {
                // The SoX resampler at its very-high-quality precision.
                av_opt_set_int(s, "resampler", SWR_ENGINE_SOXR, 0);
                av_opt_set_int(s, "precision", 28, 0);
            }
            if (!s || swr_init(s) < 0) {
                failed_ = true;
                failure_ = "cannot resample " + std::to_string(rate) + " Hz";
                return false;
            }
            resampler_rate_ = rate;
        }
        const std::uint8_t* in = reinterpret_cast<const std::uint8_t*>(values);
        return resample(&in, n);
    }

    bool resample(const std::uint8_t** in, int n) {
        const int room = swr_get_out_samples(resampler_.get(), n);
        resampled_.resize(std::size_t(std::max(room, 1)));
        std::uint8_t* out = reinterpret_cast<std::uint8_t*>(resampled_.data());
        const int got = swr_convert(resampler_.get(), &out, room, in, n);
        return got <= 0 || append(resampled_.data(), got);
    }

    void flush_resampler() {
        if (!resampler_ || !analysis_) return;
        while (!too_long_ && !failed_) {
            const int before = int(analysis_->size());
            resample(nullptr, 0);
            if (int(analysis_->size()) == before) break;
        }
        resampler_.reset();
    }

    bool append(const float* p, int n) {
        if (analysis_->size() + n >= too_long_samples(frame_limit_) ||
            !analysis_->append({p, std::size_t(n)})) {
            // A stream that was stopped refuses too; the loop then ends on the stop.
            too_long_ = !stop_.stop_requested();
            failed_ = !too_long_;
            return false;
        }
        return true;
    }

    std::filesystem::path file_;
    std::unique_ptr<AVFormatContext, FormatCloser> format_;
    std::unique_ptr<AVCodecContext, CodecCloser> codec_;
    int stream_ = -1;
    std::string what_; // "codec in container", for messages
    double seconds_ = 0;
    int source_rate_ = 0;
    Interrupt interrupt_;
    int decode_threads_ = int(std::max(1u, std::thread::hardware_concurrency()));
    int chunk_packets_ = ParallelDecoder::default_chunk_packets;

    std::shared_ptr<PcmAudio> audio_;
    bool playback_ = true;
    std::stop_token stop_;
    std::int64_t decoded_ = 0; // sample frames decoded (at the source's rates)
    SampleStream* analysis_ = nullptr;
    std::vector<float> first_, second_, mid_, doubled_, resampled_;
    Resampler mixer_;
    AVChannelLayout mixer_layout_{};
    int mixer_rate_ = 0;
    int mixer_format_ = -1;
    Resampler resampler_;
    int resampler_rate_ = 0;
    int frame_limit_ = recording_frame_limit;
    bool too_long_ = false;
    bool failed_ = false;
    std::string failure_;

  public:
    ~FfmpegDecoder() override { av_channel_layout_uninit(&mixer_layout_); }
};

} // namespace

std::unique_ptr<RecordingDecoder> RecordingDecoder::open(const std::filesystem::path& file,
                                                         OpenFailure& failure, std::stop_token stop,
                                                         std::chrono::milliseconds step_limit,
                                                         int frame_limit) {
    WavRecording header = read_wav(file, false);
    if (header.ok && header.frame_count >= frame_limit)
        header.status = OpenStatus::too_large;
    else if (header.ok)
        return std::make_unique<WavDecoder>(file, std::move(header));
    // What the WAV reader refuses for its content (another format, or a WAV
    // of another sample format or rate) may still be decodable; an unreadable
    // file, a broken WAV header or a WAV too long keeps the reader's status.
    if (header.status != OpenStatus::unsupported) {
        failure = {header.status, {}};
        return nullptr;
    }
    return FfmpegDecoder::open(file, header.file_size, failure, std::move(stop), step_limit,
                               frame_limit);
}

int playback_rate(const std::filesystem::path& file) {
    const WavRecording header = read_wav(file, false);
    if (header.ok) return int(header.format.sample_rate);
    if (header.status != OpenStatus::unsupported) return 0;
    OpenFailure failure;
    const auto decoder =
        FfmpegDecoder::open(file, header.file_size, failure, {}, decode_step_limit);
    return decoder ? decoder->playback_rate() : 0;
}

PcmLoadResult decode_for_playback(const std::filesystem::path& file, std::stop_token stop) {
    clear_upper_vector_state();
    if (stop.stop_requested()) return {};
    WavRecording header = read_wav(file, false);
    if (header.ok || header.status != OpenStatus::unsupported)
        return load_wav_for_playback(file.string(), stop);
    auto not_decoded = [&file](OpenFailure failure) {
        return PcmLoadResult{nullptr,
                             {PlaybackStatus::not_decoded, std::move(failure), file.string()}};
    };
    OpenFailure failure;
    auto decoder = FfmpegDecoder::open(file, header.file_size, failure, stop, decode_step_limit);
    if (stop.stop_requested()) return {};
    if (!decoder) return not_decoded(std::move(failure));
    DecodeOutcome out = decoder->run(nullptr, false, true, std::move(stop));
    if (!out.ok) return not_decoded({out.status, std::move(out.detail)});
    return {std::move(out.audio), {}};
}

} // namespace pitkad
