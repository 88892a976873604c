#pragma once
// The PortAudio output: one stereo float stream opened at start-up and
// running for the program's life. Its callback (Mixer) plays the recording
// and the synthesizer; position counts what the device has played, from the
// time each buffer reaches the converter (outputBufferDacTime) against the
// stream's clock.

#include "audio/audio_output.h"
#include "audio/mixer.h"
#include "audio/synth_source.h"

#include <functional>
#include <memory>
#include <string>

typedef void PaStream;

namespace pitkad {

struct AudioSettings {
    int preferred_rate = 44100; // the usual recording rate: no conversion
    int frames_per_buffer = 256;
};

// The player's side of a Mixer: commands, and the heard position against the
// stream's clock (`stream_time`, seconds, the clock of the callback's
// buffer times). UI thread only.
class MixerOutput final : public AudioOutput {
  public:
    MixerOutput(Mixer& mixer, std::function<double()> stream_time)
        : mixer_(mixer), stream_time_(std::move(stream_time)) {}

    void load(std::shared_ptr<const PcmAudio> audio) override;
    bool play_from(std::int64_t frame) override;
    void pause() override;
    bool resume() override;
    void stop() override;
    double position() const override;
    bool playing() const override;
    bool paused() const override { return mode_ == Mixer::Mode::paused; }
    bool has_device() const override { return true; }
    // Changes that move where the sound comes from (plain or prepared, a
    // new loop or engine) restart the sound at the position heard.
    void set_practice(const PracticeSettings& settings) override;
    const PracticeSettings& practice() const override { return mixer_.practice(); }

  private:
    // Outside the generations' range: no position reported yet.
    static constexpr std::uint32_t no_generation = ~std::uint32_t(0);
    void issue(Mixer::Mode mode, bool seek, std::int64_t frame);

    Mixer& mixer_;
    std::function<double()> stream_time_;
    std::shared_ptr<const PcmAudio> audio_;
    Mixer::Mode mode_ = Mixer::Mode::stopped;
    double pending_ = 0; // position to report until the callback takes the command
    std::uint32_t seek_generation_ = 0;
    std::int64_t seek_frame_ = 0;
    bool prepared_ = false; // the mixer plays through its preparer
    mutable std::uint32_t last_generation_ = no_generation;
    mutable double last_position_ = 0;
};

class AudioEngine final : public SynthOutput {
  public:
    // Opens the default output device and starts the stream; null (with
    // `why` set) when there is no usable device.
    static std::unique_ptr<AudioEngine> open(std::string* why = nullptr,
                                             AudioSettings settings = {});
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // The player's output.
    MixerOutput& output() { return *output_; }

    int sample_rate() const override { return mixer_->device_rate(); }
    void attach_synth(SynthSource* source) override { mixer_->set_synth(source); }

    // Seconds from a buffer's hand-over to the speaker, as the device reports it.
    double output_latency() const;
    int frames_per_buffer() const { return frames_per_buffer_; }
    const std::string& device_name() const { return device_name_; }
    double stream_time() const;

  private:
    AudioEngine() = default;

    PaStream* stream_ = nullptr;
    bool initialised_ = false;
    std::unique_ptr<Mixer> mixer_;
    std::unique_ptr<MixerOutput> output_;
    int frames_per_buffer_ = 0;
    std::string device_name_;
};

// The output the player uses: the engine, or the silent stand-in when no
// device exists.
struct PlaybackAudio {
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<SilentOutput> silent;
    AudioOutput& output() { return engine ? static_cast<AudioOutput&>(engine->output()) : *silent; }
    // Where the synthesizer renders; null without a device.
    SynthOutput* synth_output() { return engine.get(); }
    bool has_device() const { return engine != nullptr; }
    // Why no device was opened (the audio library's reason), when none was.
    std::string device_error;
};

PlaybackAudio open_playback_audio(AudioSettings settings = {});

} // namespace pitkad
