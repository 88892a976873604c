#pragma once
// Note posteriors from a pretrained note model: the TF.js graph model of the
// npm package @spotify/basic-pitch, installed as data (model.json and its
// weight shard in one folder). For each frame of 256 samples of a mono
// recording at 22,050 Hz it gives, per piano pitch (MIDI 21 … 108), the
// likelihood that a note starts there (onset) and that one sounds (note).
//
// The model takes windows of 43,844 samples (2 s less one frame) and gives
// 172 frames for each. The recording is preceded by 15 frames of silence and
// cut into windows that overlap by 30 frames; of each window's frames the 15
// at either side are dropped. Window w's frame j is centred at sample
// w × 36,164 + j × 256 of the padded recording: the 142 kept frames cover
// 141.27 frames of it. Each frame of the result takes the kept frame whose
// centre is nearest its own.

#include "analysis/graph_model.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace pitkad {

struct PitchPosteriors {
    int frames = 0;
    // Row-major, frame by frame, `PitchModel::pitches` a frame; 0 … 1. Frame k
    // is centred at k × 256 / 22,050 s of the input.
    std::vector<float> onsets, notes;
};

class PitchModel {
  public:
    static constexpr int sample_rate = 22050;
    static constexpr int hop = 256; // samples per frame
    static constexpr int pitches = 88;
    static constexpr int lowest_midi = 21;
    static constexpr int window_samples = 43844;
    static constexpr int window_frames = 172;
    static constexpr int edge_frames = 15; // dropped at either side of a window
    static constexpr int window_step = window_samples - 2 * edge_frames * hop;

    // The folder holding model.json. Loading runs the model once on silence
    // to check that it is the note model (its inputs and outputs).
    static OrError<PitchModel> load(const std::filesystem::path& directory);

    // Posteriors for every frame whose centre lies within the input, one
    // frame per 256 samples (rounded up). The windows are shared among
    // `threads` threads. Empty when stopped (through `stop`) or when the
    // model fails.
    PitchPosteriors run(std::span<const float> mono_22050, int threads,
                        const std::atomic<bool>* stop = nullptr) const;

    // One window's raw outputs, each [window_frames][pitches]: the window's
    // samples, padded with zeros to window_samples.
    struct WindowOutputs {
        std::vector<float> notes, onsets;
    };
    OrError<WindowOutputs> run_window(std::span<const float> samples) const;

    // Where frame k of the result comes from: the window, and its frame
    // (edge_frames … window_frames − edge_frames − 1) whose centre is
    // nearest to k × hop.
    struct FrameSource {
        int window = 0, frame = 0;
        friend bool operator==(const FrameSource&, const FrameSource&) = default;
    };
    static FrameSource frame_source(int k);

  private:
    explicit PitchModel(GraphModel graph) : graph_(std::move(graph)) {}
    GraphModel graph_;
};

} // namespace pitkad
