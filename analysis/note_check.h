#pragma once
// Checking transcribed notes against the analysis they were drawn over.
//
// The notes explain part of the sound: each its own band over its frames,
// and its partials at the levels of a harmonic profile learned per group
// (a group is an instrument, e.g. a pen colour) from the notes themselves:
// each harmonic's level under its fundamental, as most notes and as the
// loud ones have it, over the group and around each band. What no note
// explains is the residual. A note is judged from the first half second of
// its frames:
// - neighbour: unexplained energy a semitone away, louder than its own band;
//   or, the note loud enough, a band a semitone away well above its own
//   with no note drawn on it;
// - octave: unexplained energy an octave above, starting with the note and
//   beyond what its own second harmonic would give (drawn an octave low), or
//   an unexplained note an octave below, starting with it, whose second
//   harmonic its band could be (drawn over that harmonic);
// - weak: its band far under the loudest band of its frames, or under a
//   neighbouring band a note is drawn on, with nothing to explain it;
// - ok otherwise.
// Missing notes are runs of residual that stand out across the bands, loud
// against their frames, that start with a rise and are not a harmonic of a
// louder residual run below them; and the notes suggested from the sound
// (note_suggestions.h) that nothing drawn covers nor explains as a strong
// harmonic struck with it (no louder than that note's loud level of it).
// Neither is the sound a flagged note stands for.

#include "analysis/note_suggestions.h"
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
    // or weak, else the band a semitone or an octave away.
    int sounding_band = 0;
    friend bool operator==(const NoteFinding&, const NoteFinding&) = default;
};

struct MissingNote {
    int first = 0, end = 0, band = 0;
    float confidence = 0;
    friend bool operator==(const MissingNote&, const MissingNote&) = default;
};

struct NoteCheckResult {
    std::vector<NoteFinding> notes;   // one per note checked, in its order
    std::vector<MissingNote> missing; // by start, then band
};

// The partials of a note besides its fundamental: an octave below (an
// organ's sub-octave), then the 2nd … 8th harmonics.
inline constexpr std::size_t partial_count = 8;

// Levels of the partials under the fundamental, in dB: as most notes have
// them (the median), and as the loud ones do (nine in ten are softer; a low
// string's octave is often louder than its fundamental).
struct HarmonicProfile {
    std::array<float, partial_count> gain_db{}, loud_db{};
};

// The check of one analysis, kept to check its notes again after each edit
// (the levels as power are worked out once).
class NoteChecker {
  public:
    explicit NoteChecker(const SpectrogramStore& store);

    // With `residual`, also the levels with the energy the notes explain
    // taken away (dB, at least empty_level): frames 0 … held_frames − 1, 76
    // cells each, cells 0 and 1 empty.
    NoteCheckResult check(std::span<const CheckNote> notes,
                          std::vector<float>* residual = nullptr) const;
    int frames() const { return frames_; }

  private:
    struct Frames {
        int first, end;
    };
    struct Profile {
        HarmonicProfile db;
        std::array<float, partial_count> power{}, loud_power{};
    };
    // What the notes explain, as power per cell, and where they are drawn.
    struct Model {
        // Harmonics as most notes have them, and as loud as they come.
        std::vector<float> fundamental, harmonics, loud_harmonics;
        std::vector<std::uint8_t> drawn;
        std::vector<std::pair<int, Profile>> profiles; // by group
        Profile common;
        // Per group and band, the partials as the group's notes near that
        // band have them.
        std::vector<std::pair<int, std::vector<HarmonicProfile>>> registers;
        const Profile& profile(int group) const;
        const HarmonicProfile& around(int group, int band) const;
    };
    std::size_t cell(int t, int band) const {
        return std::size_t(t) * cells_per_frame + std::size_t(band);
    }
    Frames judged(const CheckNote& n) const;
    // The frames just before `f` starts, where sound that starts with it
    // is not yet.
    static Frames before_onset(Frames f);
    float mean_level(Frames f, int band) const;
    // A note is drawn on `band` somewhere in `f` (or the band is out of range).
    bool drawn_over(const Model& m, Frames f, int band) const;
    float loudness(Frames f) const;
    // With `loud`, the other notes' harmonics as loud as they come.
    float unexplained(const Model& m, const CheckNote& self, Frames f, int band,
                      bool loud = false) const;
    Model model(std::span<const CheckNote> notes) const;
    // `line` is +12 or -12 when the note's own part has its line an octave
    // above or below it, 0 otherwise; an octave there needs less sound.
    NoteFinding judge(const Model& m, const CheckNote& n, int line = 0) const;
    std::vector<MissingNote> find_missing(const Model& m) const;
    std::vector<float> residual_of(const Model& m) const;
    // Adds the notes heard in the sound (the note suggestions) that nothing
    // drawn covers, nor explains as a strong harmonic struck with it.
    void add_heard(const Model& m, std::span<const CheckNote> notes,
                   std::vector<MissingNote>& missing) const;

    int frames_;
    std::vector<float> power_;         // frames × 76
    std::vector<float> loudest_;       // per frame, the loudest band's power
    std::vector<SuggestedNote> heard_; // the notes suggested from the sound
    // The last model's per-cell arrays, their memory kept for the next
    // (up to frame_limit frames): a check after an edit takes no fresh
    // memory, tens of MB. So check() is not called on one checker from two
    // threads at once.
    mutable std::vector<float> kept_fundamental_, kept_harmonics_, kept_loud_harmonics_;
    mutable std::vector<std::uint8_t> kept_drawn_;
};

NoteCheckResult check_notes(const SpectrogramStore& store, std::span<const CheckNote> notes);

} // namespace pitkad
