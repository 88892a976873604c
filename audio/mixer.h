#pragma once
// The audio engine's render side: in each callback it plays the recording
// (when playing), converting its rate to the device's with libsamplerate,
// and adds the synthesizer. The UI thread talks to it only through atomics:
// a command word (latest wins), the recording and synthesizer pointers, and
// a snapshot the callback publishes of where each buffer starts.
//
// Hand-over of a recording: the callback counts itself in and out of every
// call (the epoch, odd while a call runs). A recording swapped out while a
// call was running is kept in a retired list until the epoch has moved on,
// then freed on the UI thread; the UI thread never waits for the callback.
// The Mixer must be destroyed only after its stream has stopped.

#include "audio/pcm_audio.h"
#include "audio/practice.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

typedef struct SRC_STATE_tag SRC_STATE;

namespace pitkad {

class SynthSource;
class PracticePreparer;

class Mixer {
  public:
    enum class Mode : int { stopped = 0, playing = 1, paused = 2 };

    // What the callback last published: the buffer whose first sample
    // reaches the speaker at `dac_time`.
    struct Snapshot {
        std::uint32_t generation = 0; // last command applied
        Mode mode = Mode::stopped;
        bool ended = false;   // the recording played to its end
        double dac_time = 0;  // seconds, the stream's clock
        double start = 0;     // file frame at the buffer's first sample
        double advanced = 0;  // file frames of recording in the buffer
        double run_start = 0; // file frame where playing last (re)started or held
        double speed = 1;     // file frames per frame of sound at the buffer's start
    };

    explicit Mixer(int device_rate);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    int device_rate() const { return device_rate_; }

    // Command generations count modulo 2^24 (they share the command word
    // with the mode, the seek flag and the frame).
    static constexpr std::uint32_t generation_mask = 0xffffff;

    // UI thread. The recording to play (null: none), stopped at frame 0.
    // Returns at once. The previous one is retired: freed here, or by a later
    // load, command or snapshot, or with the mixer, once no callback that
    // may have read it is still running.
    void load(std::shared_ptr<const PcmAudio> audio);
    // UI thread. Sets the mode; with `seek`, playing (or holding) starts at
    // file frame `frame`. Returns the command's generation.
    std::uint32_t command(Mode mode, bool seek, std::int64_t frame);
    // UI thread. The practice settings. Until the first ones that are not
    // plain, the callback plays the recording itself; from then on a
    // preparing thread does, from the next command with a seek on.
    void set_practice(const PracticeSettings& settings);
    const PracticeSettings& practice() const { return practice_settings_; }
    std::uint32_t issued_generation() const { return issued_; }
    // UI thread. The synthesizer to add (null: none); returns once the
    // callback no longer uses the previous one, however long a running
    // callback takes: the caller deletes the synthesizer next, and the mixer
    // does not own it. A call lasts well under a millisecond; a stalled one
    // holds this caller as long as it stalls (synthesizers change only when
    // the MIDI port opens or closes).
    void set_synth(SynthSource* synth);
    // UI thread. What the callback last published.
    Snapshot snapshot();
    // File frames heard at stream time `now`, from the last snapshot: the
    // buffer's start plus the time since it reached the speaker, held between
    // where the run started and the end of what was handed over.
    static double heard_position(const Snapshot& s, double now, int file_rate,
                                 std::int64_t file_frames);

    // Audio thread: fills two channel buffers of `frames` samples.
    void render(float* left, float* right, int frames, double dac_time) noexcept;

  private:
    static constexpr int chunk = 1024; // frames converted per step
    // A recording swapped out while the callback epoch was `epoch` (odd: a
    // call was running and may have read it).
    struct Retired {
        std::shared_ptr<const PcmAudio> audio;
        std::uint64_t epoch;
    };
    void free_retired();
    void wait_for_running_callback() const;
    int fill(const PcmAudio& a, float* left, float* right, int frames) noexcept;
    // Practice playback: prepared frames (at the file's rate) into the
    // buffers at the device's rate; `ended` once the recording's end was played.
    int fill_practice(PracticePreparer& p, const PcmAudio& a, float* left, float* right, int frames,
                      bool& ended) noexcept;
    int take_prepared(PracticePreparer& p, float* left, float* right, int frames,
                      bool& ended) noexcept;
    // Converts to the device's rate what `refill` puts in the input buffer
    // whenever it is empty (false: nothing now); `at_end` says whether the
    // input has ended, so that the converter gives out what it holds.
    template <typename Refill, typename AtEnd>
    int convert(float* left, float* right, int frames, double ratio, Refill refill,
                AtEnd at_end) noexcept;
    // The file frame at prepared frame `index` since the last seek, and the speed there.
    double prepared_position(double index, double* step) const noexcept;
    void publish(const Snapshot& s) noexcept;

    const int device_rate_;
    // UI side.
    std::shared_ptr<const PcmAudio> audio_;
    std::vector<Retired> retired_;
    std::uint32_t issued_ = 0;
    // Shared.
    std::atomic<const PcmAudio*> audio_ptr_{nullptr};
    std::atomic<SynthSource*> synth_{nullptr};
    std::atomic<bool> synth_right_{false}; // the audit mode: the synthesizer on the right only
    std::unique_ptr<PracticePreparer> preparer_;
    PracticeSettings practice_settings_;
    std::atomic<PracticePreparer*> practice_{nullptr}; // the preparer, once made
    std::atomic<std::uint64_t> command_{0};
    // Incremented as each callback starts and as it ends: odd while one runs.
    std::atomic<std::uint64_t> callback_epoch_{0};
    std::atomic<std::uint32_t> snap_seq_{0};
    std::atomic<std::uint32_t> snap_generation_{0};
    std::atomic<int> snap_mode_{0};
    std::atomic<bool> snap_ended_{false};
    std::atomic<double> snap_dac_{0}, snap_start_{0}, snap_advanced_{0}, snap_run_start_{0};
    std::atomic<double> snap_speed_{1};
    // Audio thread only.
    const PcmAudio* current_ = nullptr;
    std::uint32_t applied_ = 0;
    Mode mode_ = Mode::stopped;
    bool ended_ = false;
    double end_dac_ = 0;              // when the recording's last sample sounds
    std::int64_t read_ = 0;           // next file frame to convert
    double seek_start_ = 0;           // file frame of the last seek
    std::int64_t out_since_seek_ = 0; // device frames produced since then
    double run_start_ = 0;
    SRC_STATE* src_ = nullptr;
    std::vector<float> in_; // converted input, interleaved stereo
    int in_offset_ = 0, in_available_ = 0;
    std::vector<float> out_;
    // Practice playback (audio thread only): the generation of the last seek,
    // where the oldest block stands, and the blocks taken lately, for
    // turning prepared frames into file positions.
    struct Taken {
        double first = 0; // prepared frames since the seek at the block's first
        int frames = 0;
        double position = 0, step = 1;
    };
    static constexpr int taken_kept = 32;
    std::uint32_t seek_generation_ = 0;
    int block_offset_ = 0;
    double prepared_taken_ = 0;  // prepared frames taken since the seek
    double prepared_played_ = 0; // of which played (the rest waits in the converter)
    bool prepared_end_ = false;  // the end marker was taken
    Taken taken_[taken_kept];
    int taken_count_ = 0, taken_next_ = 0;
};

} // namespace pitkad
