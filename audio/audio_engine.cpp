#include "audio/audio_engine.h"

#include <cmath>

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace pitkad {

namespace {

void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}
void quiet_jack(const char*) {}

// PortAudio probes every host API at start-up; on a machine without a sound
// card, JACK or PulseAudio, ALSA and JACK print dozens of lines about what
// they did not find. Their own hooks take those messages (standard error
// stays open for everything else), and no JACK server is started on the way.
void quiet_audio_probing() {
    ::setenv("JACK_NO_START_SERVER", "1", 0);
    snd_lib_error_set_handler(quiet_alsa);
    jack_set_error_function(quiet_jack);
    jack_set_info_function(quiet_jack);
}

int callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
             PaStreamCallbackFlags, void* user) {
    auto* mixer = static_cast<Mixer*>(user);
    auto** out = static_cast<float**>(output);
    double dac = time ? time->outputBufferDacTime : 0;
    if (dac <= 0 && time) dac = time->currentTime; // host without timing: assume now
    mixer->render(out[0], out[1], int(frames), dac);
    return paContinue;
}

} // namespace

std::unique_ptr<AudioEngine> AudioEngine::open(std::string* why, AudioSettings settings) {
    auto fail = [&](std::string text) {
        if (why) *why = std::move(text);
        return std::unique_ptr<AudioEngine>();
    };
    std::unique_ptr<AudioEngine> e(new AudioEngine);
    quiet_audio_probing();
    if (Pa_Initialize() != paNoError) return fail("PortAudio cannot start");
    e->initialised_ = true;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) return fail("no output device");
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info || info->maxOutputChannels < 2) return fail("no stereo output device");

    PaStreamParameters params{};
    params.device = device;
    params.channelCount = 2;
    params.sampleFormat = paFloat32 | paNonInterleaved;
    params.suggestedLatency = info->defaultLowOutputLatency;
    double rate = settings.preferred_rate;
    if (Pa_IsFormatSupported(nullptr, &params, rate) != paFormatIsSupported)
        rate = info->defaultSampleRate;
    e->mixer_ = std::make_unique<Mixer>(int(rate));
    AudioEngine* raw = e.get();
    e->output_ = std::make_unique<MixerOutput>(*e->mixer_, [raw] { return raw->stream_time(); });
    e->frames_per_buffer_ = settings.frames_per_buffer;
    PaError err =
        Pa_OpenStream(&e->stream_, nullptr, &params, rate, unsigned(settings.frames_per_buffer),
                      paNoFlag, callback, e->mixer_.get());
    if (err != paNoError) {
        e->stream_ = nullptr;
        return fail(Pa_GetErrorText(err));
    }
    if ((err = Pa_StartStream(e->stream_)) != paNoError) return fail(Pa_GetErrorText(err));
    e->device_name_ = info->name ? info->name : "";
    return e;
}

AudioEngine::~AudioEngine() {
    // A recording the callback may still be reading is freed with the mixer,
    // after the stream has stopped.
    if (output_) output_->load(nullptr);
    if (stream_) {
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
    }
    if (initialised_) Pa_Terminate();
}

double AudioEngine::output_latency() const {
    const PaStreamInfo* info = stream_ ? Pa_GetStreamInfo(stream_) : nullptr;
    return info ? info->outputLatency : 0;
}

double AudioEngine::stream_time() const {
    return stream_ ? Pa_GetStreamTime(stream_) : 0;
}

void MixerOutput::issue(Mixer::Mode mode, bool seek, std::int64_t frame) {
    // Commands replace each other; a seek the callback has not taken yet must
    // travel with the command that follows it (play from, then pause only).
    // Generations wrap: the seek is still ahead when it lies less than half
    // the range past the applied one.
    const std::uint32_t applied = mixer_.snapshot().generation;
    const std::uint32_t behind = (seek_generation_ - applied) & Mixer::generation_mask;
    if (!seek && behind != 0 && behind <= Mixer::generation_mask / 2) {
        seek = true;
        frame = seek_frame_;
    }
    const std::uint32_t g = mixer_.command(mode, seek, frame);
    if (seek) {
        seek_generation_ = g;
        seek_frame_ = frame;
    }
    mode_ = mode;
}

void MixerOutput::load(std::shared_ptr<const PcmAudio> audio) {
    issue(Mixer::Mode::stopped, true, 0);
    mixer_.load(audio);
    audio_ = std::move(audio);
    pending_ = 0;
    last_generation_ = no_generation;
}

bool MixerOutput::play_from(std::int64_t frame) {
    if (!audio_) return false;
    frame = std::clamp<std::int64_t>(frame, 0, audio_->frames);
    pending_ = double(frame);
    issue(Mixer::Mode::playing, true, frame);
    return true;
}

void MixerOutput::pause() {
    if (mode_ != Mixer::Mode::playing) return;
    pending_ = position();
    issue(Mixer::Mode::paused, false, 0);
}

bool MixerOutput::resume() {
    if (mode_ != Mixer::Mode::paused) return false;
    pending_ = position();
    issue(Mixer::Mode::playing, false, 0);
    return true;
}

void MixerOutput::stop() {
    if (mode_ == Mixer::Mode::stopped) return;
    pending_ = position();
    issue(Mixer::Mode::stopped, false, 0);
}

void MixerOutput::set_practice(const PracticeSettings& settings) {
    const PracticeSettings before = mixer_.practice();
    const double at = position();
    mixer_.set_practice(settings);
    const PracticeSettings& now = mixer_.practice();
    // The first settings that need the preparer, and a new loop (the
    // preparer may have read past its end already), restart the sound where
    // it is heard; speed, pitch, engine, channels and focus change in the
    // preparer as it goes.
    const bool moved = (before.plain() && !now.plain() && !prepared_) || before.loop != now.loop;
    if (!now.plain()) prepared_ = true;
    if (moved && audio_ && mode_ != Mixer::Mode::stopped) {
        pending_ = at;
        issue(mode_, true, std::llround(at));
    }
}

double MixerOutput::position() const {
    if (!audio_) return 0;
    const Mixer::Snapshot s = mixer_.snapshot();
    if (s.generation != mixer_.issued_generation()) return pending_;
    double p = Mixer::heard_position(s, stream_time_(), audio_->rate, audio_->frames);
    // Clock jitter must not move the cursor back while playing on; going
    // round a loop does.
    const bool round_loop =
        mixer_.practice().loop.active() && last_position_ - p > 0.1 * audio_->rate;
    if (s.generation == last_generation_ && mode_ == Mixer::Mode::playing && p < last_position_ &&
        !round_loop)
        p = last_position_;
    last_generation_ = s.generation;
    last_position_ = p;
    return std::min(p, double(audio_->frames));
}

bool MixerOutput::playing() const {
    if (mode_ != Mixer::Mode::playing) return false;
    const Mixer::Snapshot s = mixer_.snapshot();
    return !(s.generation == mixer_.issued_generation() && s.ended &&
             position() >= double(audio_->frames));
}

PlaybackAudio open_playback_audio(AudioSettings settings) {
    PlaybackAudio a;
    a.engine = AudioEngine::open(&a.device_error, settings);
    if (!a.engine) a.silent = std::make_unique<SilentOutput>();
    return a;
}

} // namespace pitkad
