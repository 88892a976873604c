#pragma once
// Checking transcribed notes against the analysis they were drawn over.
//
// The notes explain part of the sound: each its own band over its frames,
// and its harmonics at the levels of a harmonic profile learned per group
// (a group is an instrument, e.g. a pen colour) from the notes themselves:
// the median level of each harmonic under its fundamental. What no note
// explains is the residual. A note is judged from the first half second of
// its frames:
// - neighbour: unexplained energy a semitone away, louder than its own band;
// - octave: unexplained energy an octave above, beyond what its own second
//   harmonic would give (drawn an octave low), or a lower unexplained note
//   whose harmonic its band could be (drawn over a harmonic: an octave, a
//   twelfth or two octaves up);
// - weak: its band far under the loudest band of its frames, or under a
//   neighbouring band, with nothing to explain it;
// - ok otherwise.
// Missing notes are runs of residual that stand out across the bands, loud
// against their frames, that start with a rise and are not a harmonic of a
// louder residual run below them, nor the sound a flagged note stands for.

#include "analysis/spectrogram_store.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace pitkad {

struct CheckNote {
    int first = 0, end = 0; // frames [first, end)
    int band = 0;           // first_band … last_band
    int group = 0;          // notes of one group share a harmonic profile
};

enum class NoteVerdict : std::uint8_t { ok, weak, neighbour, octave };

struct NoteFinding {
    NoteVerdict verdict = NoteVerdict::ok;
    float confidence = 0; // 0 … 1
    // Where the sound the note stands for seems to be: its own band when ok
    // or weak, else the band a semitone or an octave (or twelfth) away.
    int sounding_band = 0;
    friend bool operator==(const NoteFinding&, const NoteFinding&) = default;
};

struct MissingNote {
    int first = 0, end = 0, band = 0;
    float confidence = 0;
    friend bool operator==(const MissingNote&, const MissingNote&) = default;
};

struct NoteCheckResult {
    std::vector<NoteFinding> notes; // one per note checked, in its order
    std::vector<MissingNote> missing; // by start, then band
};

inline constexpr std::size_t harmonic_count = 7; // the 2nd … 8th

// Levels of the 2nd … 8th harmonics under the fundamental, in dB.
struct HarmonicProfile {
    std::array<float, harmonic_count> gain_db{};
};

// The check of one analysis, kept to check its notes again after each edit
// (the levels as power are worked out once).
class NoteChecker {
  public:
    explicit NoteChecker(const SpectrogramStore& store);

    NoteCheckResult check(std::span<const CheckNote> notes) const;
    // The levels with the energy the notes explain taken away (dB, at least
    // empty_level): frames 0 … held_frames − 1, 76 cells each, cells 0 and 1
    // empty.
    std::vector<float> residual(std::span<const CheckNote> notes) const;
    int frames() const { return frames_; }

  private:
    struct Frames {
        int first, end;
    };
    struct Profile {
        HarmonicProfile db;
        std::array<float, harmonic_count> power{};
    };
    // What the notes explain, as power per cell, and where they are drawn.
    struct Model {
        std::vector<float> fundamental, harmonics;
        std::vector<std::uint8_t> drawn;
        std::vector<std::pair<int, Profile>> profiles; // by group
        Profile common;
        const Profile& profile(int group) const;
    };
    std::size_t cell(int t, int band) const { return std::size_t(t) * cells_per_frame + std::size_t(band); }
    Frames judged(const CheckNote& n) const;
    float mean_level(Frames f, int band) const;
    float loudness(Frames f) const;
    float unexplained(const Model& m, const CheckNote& self, Frames f, int band) const;
    Model model(std::span<const CheckNote> notes) const;
    NoteFinding judge(const Model& m, const CheckNote& n) const;
    std::vector<MissingNote> find_missing(const Model& m) const;

    int frames_;
    std::vector<float> power_;   // frames × 76
    std::vector<float> loudest_; // per frame, the loudest band's power
};

NoteCheckResult check_notes(const SpectrogramStore& store, std::span<const CheckNote> notes);

} // namespace pitkad
