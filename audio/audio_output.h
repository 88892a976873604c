#pragma once
// Where the player's sound goes. Three implementations: the PortAudio
// engine (audio_engine.h), a silent output driven by the wall clock when no
// audio device exists, and a clock that tests step by hand. All calls come
// from the UI thread.

#include "audio/pcm_audio.h"
#include "audio/practice.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pitkad {

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;

    // Makes `audio` the recording to play, stopped at frame 0; null releases it.
    virtual void load(std::shared_ptr<const PcmAudio> audio) = 0;
    // Starts playing at file frame `frame` (clamped to the recording); returns
    // at once. False when nothing is loaded.
    virtual bool play_from(std::int64_t frame) = 0;
    // Holds at the position reached; nothing when not playing.
    virtual void pause() = 0;
    // Continues after a pause; false when not paused.
    virtual bool resume() = 0;
    virtual void stop() = 0;
    // File frames the listener has heard so far (fractional). Stays at the
    // length once the end is reached.
    virtual double position() const = 0;
    // Playing and not yet at the end.
    virtual bool playing() const = 0;
    virtual bool paused() const = 0;
    // False for the silent stand-in: nothing can be heard.
    virtual bool has_device() const = 0;
    // Speed, pitch and loop from now on; the position stays in the
    // recording's own frames and goes on from where it is.
    virtual void set_practice(const PracticeSettings& settings) = 0;
    virtual const PracticeSettings& practice() const = 0;
};

// Plays by a clock instead of a device: the position advances with the
// clock while playing. The clock is the subclass's.
class ClockOutput : public AudioOutput {
  public:
    void load(std::shared_ptr<const PcmAudio> audio) override;
    bool play_from(std::int64_t frame) override;
    void pause() override;
    bool resume() override;
    void stop() override;
    double position() const override;
    bool playing() const override;
    bool paused() const override { return state_ == State::paused; }
    // The clock honours the speed (frames advance at speed × real time) and
    // goes round a loop, pause included, as the engine does.
    void set_practice(const PracticeSettings& settings) override;
    const PracticeSettings& practice() const override { return practice_; }

  protected:
    virtual double now_seconds() const = 0;

  private:
    enum class State { stopped, playing, paused };
    std::shared_ptr<const PcmAudio> audio_;
    State state_ = State::stopped;
    double anchor_frame_ = 0;   // position when the clock last started or held
    double anchor_seconds_ = 0; // clock time of that start
    PracticeSettings practice_;
};

// Stands in when no audio device exists: plays silently in real time.
class SilentOutput final : public ClockOutput {
  public:
    bool has_device() const override { return false; }

  protected:
    double now_seconds() const override;
};

// A clock advanced only by advance_ms, for deterministic tests.
class SteppedOutput final : public ClockOutput {
  public:
    void advance_ms(double ms) { seconds_ += ms / 1000.0; }
    bool has_device() const override { return true; }

  protected:
    double now_seconds() const override { return seconds_; }

  private:
    double seconds_ = 0;
};

} // namespace pitkad
