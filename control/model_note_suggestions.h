#pragma once
// Notes suggested by the note model (analysis/pitch_model.h) from a
// recording's sound: its analysis channel, resampled so that the analysis's
// reference sounds at 440 Hz (the model's keys are tuned there) and halved
// to the model's 22050 Hz, then read into notes (analysis/model_notes.h) in
// the recording's frames. Callers fall back to the analysis's own notes
// (suggest_notes) when the model is not installed or the recording is too
// long for it.

#include "analysis/analysis_channel.h"
#include "analysis/analysis_reference.h"
#include "analysis/note_suggestions.h"
#include "analysis/open_status.h"
#include "base/progress.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pitkad {

// The folder of the installed model (beside the program's data), or empty.
std::filesystem::path installed_pitch_model();

// Recordings longer than this are read by the analysis's notes alone: the
// model's input and posteriors of 20 minutes take about 180 MB.
inline constexpr double model_seconds_limit = 20 * 60;
// Whether the installed model reads a recording of `frame_count` frames.
bool model_reads(int frame_count);

struct ModelNotesResult {
    enum class Outcome { notes, unavailable, cancelled, failed };
    Outcome outcome = Outcome::unavailable;
    OpenStatus status = OpenStatus::ok; // when failed
    std::string detail;                 // the technical reason, or empty
    std::vector<SuggestedNote> notes;   // when notes
};

// The model's notes for `file`, `frame_count` frames long as analysed at
// `reference` from `channel`. `model_dir` empty: the installed model.
// Unavailable when there is no model there, it cannot be read, or the
// recording is longer than model_seconds_limit.
ModelNotesResult suggest_notes_by_model(const std::filesystem::path& file, int frame_count,
                                        AnalysisChannel channel, AnalysisReference reference,
                                        const TaskControl& control = {},
                                        const std::filesystem::path& model_dir = {});

// 44100 Hz to 22050 Hz: a low-pass (windowed sinc, cut at 10 kHz) and every
// other sample, a piece at a time.
// Output sample n is centred on input sample 2n.
class HalfRate {
  public:
    HalfRate();
    // Appends the output of `in` (continuing the pieces before) to `out`.
    void add(const float* in, std::size_t count, std::vector<float>& out);
    // The last outputs (one for every two inputs, rounded up).
    void finish(std::vector<float>& out);

  private:
    void produce(std::vector<float>& out, std::int64_t inputs_end);

    std::vector<float> taps_;
    std::vector<float> pending_; // inputs from input index base_ on
    std::int64_t base_;
    std::int64_t next_ = 0;  // the input index of the next output's centre
    std::int64_t taken_ = 0; // inputs added
    std::vector<float> even_, odd_; // produce()'s inputs, split by place
};

} // namespace pitkad
