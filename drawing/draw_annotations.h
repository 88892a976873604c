#pragma once
// What the drawing knows besides its cells: named section markers, meter
// marks on line marks, the key signature and the names of the colours'
// tracks. Stored after the records of the drawing file in a block of its
// own (see docs/decisions), so a drawing without any of it is written byte
// for byte as before.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pitkad {

struct SectionMarker {
    int frame = 0;
    std::string name; // UTF-8
    friend bool operator==(const SectionMarker&, const SectionMarker&) = default;
};

// From the line mark at `frame` (or the first one after it) the bars have
// `numerator` beats of 1/denominator notes.
struct MeterMark {
    int frame = 0;
    int numerator = 4;
    int denominator = 4; // 2, 4, 8 or 16
    friend bool operator==(const MeterMark&, const MeterMark&) = default;
    // 6/8, 9/8, 12/8: beats are dotted quarters, three eighths each.
    bool compound() const { return denominator >= 8 && numerator % 3 == 0 && numerator > 3; }
};

// A key as a MIDI key signature: sharps (> 0) or flats (< 0), major or minor.
struct KeySignature {
    int fifths = 0; // -7 … 7
    bool minor = false;
    friend bool operator==(const KeySignature&, const KeySignature&) = default;
};

inline constexpr int annotation_text_max = 255;  // bytes of a name
inline constexpr int annotation_count_max = 4096; // markers, meter marks

struct DrawAnnotations {
    std::vector<SectionMarker> markers; // by frame
    std::vector<MeterMark> meters;      // by frame, one per frame
    std::optional<KeySignature> key;
    std::array<std::string, 16> track_names; // colour n is entry n - 1; empty: none

    bool empty() const;
    void clear() { *this = DrawAnnotations{}; }
    friend bool operator==(const DrawAnnotations&, const DrawAnnotations&) = default;
};

// Adds a marker, keeping the list in frame order (after markers at the same
// frame); the name is cut to annotation_text_max bytes. Returns its index.
int add_marker(DrawAnnotations& a, int frame, std::string name);
// Sets (or, with nullopt, removes) the meter mark at a frame.
void set_meter(DrawAnnotations& a, int frame, std::optional<MeterMark> meter);
// The markers before and after a frame (strictly), or -1.
int marker_before(const DrawAnnotations& a, int frame);
int marker_after(const DrawAnnotations& a, int frame);
// Whether n/d is a meter the program writes (2 … 12 beats of halves,
// quarters, eighths or sixteenths).
bool valid_meter(int numerator, int denominator);
// "6/8"; parse_meter reads that form back.
std::string meter_text(int numerator, int denominator);
std::optional<MeterMark> parse_meter(std::string_view text);

// The block appended to the drawing file: empty for empty annotations.
std::vector<std::uint8_t> build_annotation_block(const DrawAnnotations& a);

enum class AnnotationRead {
    none,    // no block (bytes absent or not starting with the block's mark)
    ok,      // read
    damaged, // the mark is there but the block is cut off or malformed
};
// Reads a block written by build_annotation_block, keeping only what lies
// within frame_count frames. Unknown kinds of entry (from a later version)
// are skipped.
AnnotationRead read_annotation_block(std::span<const std::uint8_t> bytes, int frame_count,
                                     DrawAnnotations& out);
// The largest block read.
inline constexpr std::size_t annotation_block_max_bytes = std::size_t(1) << 20;

} // namespace pitkad
