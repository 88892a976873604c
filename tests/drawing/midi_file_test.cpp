#include "drawing/midi_file.h"

#include "analysis/spectrogram_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

namespace pitkad {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t frame_us = 20'000;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes chunk(const char* tag, const Bytes& body) {
    const auto n = std::uint32_t(body.size());
    return cat(
        {Bytes(tag, tag + 4),
         {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)},
         body});
}

Bytes header(int format, int tracks, int division) {
    return chunk("MThd", {0, std::uint8_t(format), 0, std::uint8_t(tracks),
                          std::uint8_t(division >> 8), std::uint8_t(division)});
}

const Bytes end_of_track{0x00, 0xff, 0x2f, 0x00};

TEST(MidiFileExport, SmallDrawingGivesTheseBytes) {
    auto draw = std::make_unique<DrawData>();
    for (int f = 5; f <= 9; ++f)
        (*draw)[f].note_cell(40) = 2;                 // 100 ms … 200 ms
    (*draw)[0].note_cell(2) = 10 | draw_selected_bit; // folds onto channel 2
    MidiChannelSettings channels;
    channels.program[2] = 40;
    channels.volume[2] = 100;
    // No lines: 120 BPM, one frame is 19.2 ticks.
    const Bytes want = cat({
        {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 3, 0x01, 0xe0},
        {'M', 'T', 'r', 'k', 0, 0, 0, 19},
        {0x00, 0xff, 0x58, 0x04, 4, 2, 24, 8},
        {0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20},
        end_of_track,
        {'M', 'T', 'r', 'k', 0, 0, 0, 28},
        {0x00, 0xff, 0x03, 5, 0xe8, 0x89, 0xb2, ' ', '2'},
        {0x00, 0xc2, 40, 0x00, 0xb2, 7, 127},
        {0x60, 0x92, 73, 100, 0x60, 0x82, 73, 0},
        end_of_track,
        {'M', 'T', 'r', 'k', 0, 0, 0, 29},
        {0x00, 0xff, 0x03, 6, 0xe8, 0x89, 0xb2, ' ', '1', '0'},
        {0x00, 0xc2, 40, 0x00, 0xb2, 7, 127},
        {0x00, 0x92, 35, 100, 0x13, 0x82, 35, 0},
        end_of_track,
    });
    EXPECT_EQ(build_midi_file(*draw, 100, channels, {}), want);
}

TEST(MidiTempoMap, LinesFallOnBeatsAndBarsWithinLimits) {
    struct Case {
        const char* what;
        std::vector<int> lines;
        bool bars;
        int beats_per_bar;
        std::vector<std::int64_t> ticks_from_first; // of each line
    };
    const Case cases[] = {
        {"irregular beats after a pickup",
         {10, 35, 61, 90, 118},
         false,
         4,
         {0, 480, 960, 1440, 1920}},
        {"bars of three", {0, 100, 190, 300}, true, 3, {0, 1440, 2880, 4320}},
        {"4 s beat split in two", {0, 200, 230}, false, 4, {0, 960, 1440}},
        {"60 ms lines merged three to a beat",
         {0, 3, 6, 9, 12, 15, 18},
         false,
         4,
         {0, 160, 320, 480, 640, 800, 960}},
        {"a stray line shares the beat before it", {0, 25, 30, 55}, false, 4, {0, 400, 480, 960}},
        {"one line", {50}, false, 4, {0}},
        {"no lines", {}, false, 4, {}},
    };
    for (const Case& c : cases) {
        MidiExportOptions options;
        options.lines_are_bars = c.bars;
        options.beats_per_bar = c.beats_per_bar;
        const MidiTempoMap map = plan_midi_tempo_map(c.lines, options);
        ASSERT_EQ(map.line_ticks.size(), c.lines.size()) << c.what;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(map.line_ticks[i] - map.line_ticks[0], c.ticks_from_first[i]) << c.what << i;
            EXPECT_NEAR(double(map.tick_at(c.lines[i] * frame_us)), double(map.line_ticks[i]), 1.0)
                << c.what << i;
        }
        ASSERT_FALSE(map.tempos.empty());
        EXPECT_EQ(map.tempos.front().tick, 0);
        for (const auto& t : map.tempos) {
            EXPECT_GE(t.quarter_us, midi_fastest_quarter_us) << c.what;
            EXPECT_LE(t.quarter_us, midi_slowest_quarter_us) << c.what;
        }
        // The first line starts a bar of the last time signature.
        const auto& meter = map.time_signatures.back();
        EXPECT_EQ(meter.numerator, c.beats_per_bar);
        if (!c.lines.empty()) {
            EXPECT_EQ((map.line_ticks[0] - meter.tick) % (480 * c.beats_per_bar), 0) << c.what;
        }
    }
    // Without lines, 120 BPM.
    const MidiTempoMap plain = plan_midi_tempo_map({}, {});
    ASSERT_EQ(plain.tempos.size(), 1u);
    EXPECT_EQ(plain.tempos[0].quarter_us, 500'000);
}

// Bars: a pickup is whole beats in a bar of its own; a meter mark changes
// the meter at its line, cutting the bar before it short when needed.
TEST(MidiTempoMap, PickupsAndMeterMarksMakeTheseBars) {
    using TS = MidiTempoMap::TimeSignature;
    struct Case {
        const char* what;
        std::vector<int> lines;
        std::vector<MeterMark> meters;
        std::int64_t first_line_tick;
        std::vector<TS> signatures;
    };
    const auto every = [](int from, int step, int n) {
        std::vector<int> v;
        for (int i = 0; i < n; ++i)
            v.push_back(from + i * step);
        return v;
    };
    const Case cases[] = {
        // 0.74 s before 0.5 s beats: one beat, not 3/8 of sixteenths.
        {"1.5 beats of pickup", {37, 62}, {}, 480, {{0, 1, 2}, {480, 4, 2}}},
        // 0.5 s of silence and a 0.6 s beat before the first bar line.
        {"two-beat pickup", every(55, 30, 3), {}, 960, {{0, 2, 2}, {960, 4, 2}}},
        {"6/8 then 4/4", every(0, 25, 10), {{0, 6, 8}, {150, 4, 4}}, 0, {{0, 6, 3}, {4320, 4, 2}}},
        {"3/4 cut short by 4/4", every(0, 25, 8), {{0, 3, 4}, {100, 4, 4}}, 0,
         {{0, 3, 2}, {1440, 1, 2}, {1920, 4, 2}}},
        {"a 6/8 pickup of one beat", every(25, 25, 4), {{0, 6, 8}}, 720, {{0, 3, 3}, {720, 6, 3}}},
        {"a mark between lines waits for the next", every(0, 25, 6), {{60, 2, 2}}, 0,
         {{0, 3, 2}, {1440, 2, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MidiTempoMap map = plan_midi_tempo_map(c.lines, {}, c.meters);
        EXPECT_EQ(map.line_ticks[0], c.first_line_tick);
        ASSERT_EQ(map.time_signatures.size(), c.signatures.size());
        for (std::size_t i = 0; i < c.signatures.size(); ++i) {
            EXPECT_EQ(map.time_signatures[i].tick, c.signatures[i].tick) << i;
            EXPECT_EQ(map.time_signatures[i].numerator, c.signatures[i].numerator) << i;
            EXPECT_EQ(map.time_signatures[i].denominator_power, c.signatures[i].denominator_power)
                << i;
        }
        for (const auto& t : map.tempos) {
            EXPECT_GE(t.quarter_us, midi_fastest_quarter_us);
            EXPECT_LE(t.quarter_us, midi_slowest_quarter_us);
        }
    }
    // One frame before the first line is still within the limits.
    const MidiTempoMap short_one = plan_midi_tempo_map({1, 26}, {});
    EXPECT_LE(short_one.tempos[0].quarter_us, midi_slowest_quarter_us);
    EXPECT_GE(short_one.tempos[0].quarter_us, midi_fastest_quarter_us);
}

// One tempo per bar, the median of its beats (a mistapped beat does not move
// it); every line keeps its tick, so notes stay in their beats.
TEST(MidiTempoMap, TempoPerBarKeepsTheLinesWhereTheyWere) {
    const std::vector<int> lines{10, 35, 62, 85, 110, 140, 170, 200, 230, 260};
    MidiExportOptions options;
    const MidiTempoMap each = plan_midi_tempo_map(lines, options);
    options.tempo = MidiTempoMarks::per_bar;
    const MidiTempoMap bars = plan_midi_tempo_map(lines, options);
    EXPECT_EQ(bars.line_ticks, each.line_ticks);
    ASSERT_EQ(bars.tempos.size(), 3u); // the pickup, then a change only where bars differ
    EXPECT_EQ(bars.tempos[1].tick, bars.line_ticks[0]);
    EXPECT_EQ(bars.tempos[1].quarter_us, 500'000); // 25, 27, 23, 25 frames
    EXPECT_EQ(bars.tempos[2].quarter_us, 600'000);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(bars.tick_at(lines[i] * frame_us), bars.line_ticks[i]) << i;
    // Halfway between two lines is halfway between their ticks.
    EXPECT_EQ(bars.tick_at(125 * frame_us), bars.line_ticks[4] + 240);
}

// Bar and beat of each line mark, as a score editor numbers the export.
TEST(MidiTempoMap, LinesCountInBarsAndBeats) {
    struct Case {
        std::vector<int> lines;
        bool bars;
        int per_bar;
        std::vector<std::pair<int, int>> counts; // bar, beat
        std::vector<MeterMark> meters = {};
    };
    const Case cases[] = {
        {{0, 25, 50, 75, 100}, false, 4, {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 1}}},
        {{0, 25, 50, 75}, false, 3, {{1, 1}, {1, 2}, {1, 3}, {2, 1}}},
        {{37, 62, 87}, false, 4, {{2, 1}, {2, 2}, {2, 3}}}, // a pickup is bar 1
        {{0, 100, 200}, true, 4, {{1, 1}, {2, 1}, {3, 1}}},
        {{0, 25, 50, 75, 100, 125, 150, 175},
         false,
         4,
         {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {3, 1}, {3, 2}, {4, 1}, {4, 2}},
         {{0, 6, 8}, {150, 4, 4}}},
    };
    for (const Case& c : cases) {
        auto draw = std::make_unique<DrawData>();
        draw->annotations.meters = c.meters;
        for (int f : c.lines)
            (*draw)[f].line_mark() = 1;
        MidiExportOptions options;
        options.lines_are_bars = c.bars;
        options.beats_per_bar = c.per_bar;
        const std::vector<LineCount> counts = count_lines(*draw, 300, options);
        ASSERT_EQ(counts.size(), c.counts.size());
        for (std::size_t i = 0; i < counts.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "line " << i);
            EXPECT_EQ(counts[i].frame, c.lines[i]);
            EXPECT_EQ(std::pair(counts[i].bar, counts[i].beat), c.counts[i]);
        }
    }
}

// The note-ons and note-offs of an exported file: track, tick, status, key.
struct KeyEvent {
    int track;
    std::int64_t tick;
    std::uint8_t status, key;
};
std::vector<KeyEvent> key_events(const Bytes& f) {
    const auto be32 = [&](std::size_t at) {
        return std::size_t(f[at]) << 24 | std::size_t(f[at + 1]) << 16 | std::size_t(f[at + 2]) << 8 |
               std::size_t(f[at + 3]);
    };
    const auto vlq = [&](std::size_t& p) {
        std::int64_t v = 0;
        while (f[p] & 0x80) v = (v << 7) | (f[p++] & 0x7f);
        return (v << 7) | f[p++];
    };
    std::vector<KeyEvent> out;
    int track = 0;
    for (std::size_t pos = 14; pos + 8 <= f.size(); ++track) {
        const std::size_t end = pos + 8 + be32(pos + 4);
        std::int64_t tick = 0;
        std::uint8_t status = 0;
        for (std::size_t p = pos + 8; p < end;) {
            tick += vlq(p);
            if (f[p] == 0xff) {
                p += 2;
                p += std::size_t(vlq(p));
                continue;
            }
            if (f[p] & 0x80) status = f[p++];
            if ((status & 0xe0) == 0x80) out.push_back({track, tick, status, f[p]});
            p += (status & 0xe0) == 0xc0 ? 1 : 2;
        }
        pos = end;
    }
    return out;
}

// Colours 1 and 9 share channel 1: a note of one ending where the other's
// starts lets go a tick before, and two starting together sound once.
TEST(MidiFileExport, NotesOfOneKeyAcrossTracksNeverCutEachOther) {
    auto draw = std::make_unique<DrawData>();
    for (int f = 0; f < 10; ++f) (*draw)[f].note_cell(60) = 1;
    for (int f = 10; f < 20; ++f) (*draw)[f].note_cell(60) = 9;
    (*draw)[40].note_cell(50) = 2; // quantised below to the tick of the next one
    (*draw)[41].note_cell(50) = 10;
    MidiChannelSettings channels;
    MidiExportOptions options;
    std::vector<KeyEvent> events = key_events(build_midi_file(*draw, 100, channels, options));
    const auto at = [&](std::uint8_t status, std::uint8_t key) {
        std::vector<std::int64_t> ticks;
        for (const KeyEvent& e : events)
            if (e.status == status && e.key == key) ticks.push_back(e.tick);
        return ticks;
    };
    // 120 BPM: 10 frames are 192 ticks.
    EXPECT_EQ(at(0x91, 93), (std::vector<std::int64_t>{0, 192}));
    EXPECT_EQ(at(0x81, 93), (std::vector<std::int64_t>{191, 384}));
    options.quantize_division = 4; // lines 20 frames apart: 40 and 41 both snap to 40
    for (int f = 0; f < 20; ++f) (*draw)[f].note_cell(60) = 0;
    (*draw)[30].line_mark() = 1;
    (*draw)[50].line_mark() = 1;
    events = key_events(build_midi_file(*draw, 100, channels, options));
    EXPECT_EQ(at(0x92, 83).size(), 1u);
    EXPECT_EQ(at(0x82, 83).size(), 1u);
}

TEST(MidiFileExport, QuantisesToDivisionsOfTheLineIntervalAndFiltersTheSelection) {
    auto draw = std::make_unique<DrawData>();
    for (int f : {0, 40, 80})
        (*draw)[f].line_mark() = 1; // 800 ms beats
    const int sel = 3 | draw_selected_bit;
    for (int f = 13; f <= 27; ++f)
        (*draw)[f].note_cell(30) = sel; // -> 10 … 29
    for (int f = 44; f <= 45; ++f)
        (*draw)[f].note_cell(31) = sel; // -> 40 … 49
    (*draw)[61].note_cell(32) = sel;    // -> 60 … 69 (one division)
    (*draw)[20].note_cell(33) = 3;      // not selected
    MidiExportOptions options;
    options.quantize_division = 4;
    options.include_note = selected_notes_only;
    const Bytes file = build_midi_file(*draw, 90, MidiChannelSettings{}, options);

    auto back = std::make_unique<DrawData>();
    MidiChannelSettings channels;
    ASSERT_TRUE(import_midi_file(file, *back, 90, channels, {}).ok);
    struct Run {
        int band, first, last;
    };
    for (const Run r : {Run{30, 10, 29}, Run{31, 40, 49}, Run{32, 60, 69}}) {
        for (int f = 0; f < 90; ++f)
            EXPECT_EQ((*back)[f].note_cell(r.band), f >= r.first && f <= r.last ? 3 : 0)
                << r.band << " " << f;
    }
    for (int f = 0; f < 90; ++f)
        EXPECT_EQ((*back)[f].note_cell(33), 0);
}

// A format 0 file at 96 ticks per quarter: 120 BPM, then 60 BPM from tick 96.
TEST(MidiFileImport, FormatZeroWithTempoChangeAndRunningStatus) {
    const Bytes track = cat({
        {0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20},
        {0x00, 0xc0, 12},
        {0x00, 0x90, 60, 100}, // channel 1 -> colour 16, 0 … 0.5 s
        {0x60, 60, 0},         // running status, velocity 0 ends it
        {0x00, 0xff, 0x51, 0x03, 0x0f, 0x42, 0x40},
        {0x00, 0x93, 64, 90}, // channel 4 -> colour 11, 0.5 … 1 s
        {0x00, 20, 90},       // below B1: skipped
        {0x30, 0x83, 64, 0},
        {0x83, 0x60, 0x83, 20, 0}, // 480 ticks later, at 6 s: past the end
        {0x00, 0x93, 70, 90},
        {0x01, 0x83, 70, 0},
        end_of_track,
    });
    const Bytes file = cat({header(0, 1, 96), chunk("MTrk", track)});
    auto draw = std::make_unique<DrawData>();
    (*draw)[10].note_cell(60) = 7; // kept: the import adds
    MidiChannelSettings channels;
    MidiImportOptions options;
    options.replace = false;
    options.lines = MidiImportLines::beats;
    options.line_colour = 5;
    const MidiImportResult r = import_midi_file(file, *draw, 100, channels, options);
    ASSERT_TRUE(r.ok) << int(r.refusal);
    EXPECT_EQ(r.notes, 2);
    EXPECT_EQ(r.out_of_range, 1);
    EXPECT_EQ(r.past_end, 1);
    EXPECT_EQ(r.lines, 3);
    EXPECT_TRUE(r.lines_asked);
    for (int f = 0; f < 100; ++f) {
        EXPECT_EQ((*draw)[f].note_cell(27), f < 25 ? 16 : 0) << f;
        EXPECT_EQ((*draw)[f].note_cell(31), f >= 25 && f < 50 ? 11 : 0) << f;
        EXPECT_EQ((*draw)[f].line_mark(), f == 0 || f == 25 || f == 75 ? 5 : 0) << f;
    }
    EXPECT_EQ((*draw)[10].note_cell(60), 7);
    EXPECT_TRUE(draw->modified);
    EXPECT_EQ(channels.program[8], 12); // channel 1 feeds colour 16's channel
    EXPECT_EQ(channels.volume[8], 100);
    EXPECT_EQ(channels.volume[3], 90);
}

// Channels land in colours that show on the graph, each sounding on its own
// channel where there is one; drums are skipped and counted, or drawn in
// one colour when asked for; notes that join another are counted.
TEST(MidiFileImport, ChannelsGetVisibleColoursAndDrumsAreCounted) {
    Bytes track;
    for (int ch = 0; ch < 16; ++ch) // channel ch + 1 plays key 40 + ch, frames 0 … 4
        track = cat({track, {0x00, std::uint8_t(0x90 | ch), std::uint8_t(40 + ch), 100}});
    // Two one-frame notes struck one after the other: no frame to spare, one note.
    track = cat({track, {0x00, 0x90, 70, 100}, {0x01, 0x80, 70, 0}, {0x00, 0x90, 70, 100},
                 {0x01, 0x80, 70, 0}});
    for (int ch = 0; ch < 16; ++ch)
        track = cat({track, {std::uint8_t(ch == 0 ? 3 : 0), std::uint8_t(0x80 | ch),
                             std::uint8_t(40 + ch), 0}});
    track = cat({track, end_of_track});
    const Bytes file = cat({header(0, 1, 25), chunk("MTrk", track)});
    for (const int drums : {0, 4}) {
        SCOPED_TRACE(drums);
        auto draw = std::make_unique<DrawData>();
        MidiChannelSettings channels;
        MidiImportOptions options;
        options.drums_colour = drums;
        const MidiImportResult r = import_midi_file(file, *draw, 100, channels, options);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.drums, drums ? 0 : 1);
        EXPECT_EQ(r.merged, 1);
        EXPECT_EQ(r.notes, drums ? 17 : 16);
        const int want[16] = {16, 9, 10, 11, 12, 13, 14, 15, 8, drums, 2, 3, 4, 5, 6, 7};
        for (int ch = 0; ch < 16; ++ch)
            EXPECT_EQ((*draw)[2].note_cell(40 + ch - band_note_offset), want[ch]) << ch;
    }
}

// Notes held over one another on one key: the one that starts later (or,
// starting together, comes later in the file) shows where they overlap.
TEST(MidiFileImport, LaterNotesDrawOverEarlierOnes) {
    const Bytes track = cat({
        {0x00, 0x90, 60, 100}, // colour 16 from frame 0 (25 ticks a quarter: a tick a frame)
        {0x0a, 0x93, 60, 90},  // colour 11 from 10
        {0x00, 0x92, 60, 80},  // colour 10 from 10 too, later in the file
        {0x0a, 0x82, 60, 0},   // colour 10 until 19
        {0x14, 0x83, 60, 0},   // colour 11 until 39
        {0x0a, 0x80, 60, 0},   // colour 16 until 49
        end_of_track,
    });
    const Bytes file = cat({header(0, 1, 25), chunk("MTrk", track)});
    auto draw = std::make_unique<DrawData>();
    MidiChannelSettings channels;
    const MidiImportResult r = import_midi_file(file, *draw, 100, channels, {});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.notes, 4); // the first note shows in two parts
    for (int f = 0; f < 60; ++f)
        EXPECT_EQ((*draw)[f].note_cell(27), f < 10   ? 16
                                            : f < 20 ? 10
                                            : f < 40 ? 11
                                            : f < 50 ? 16
                                                     : 0)
            << f;
}

// A note struck again where the last one ends (as editors write repeated
// notes) keeps one empty frame before it, so that a round trip keeps it.
TEST(MidiFileImport, RepeatedNotesStaySeparate) {
    const Bytes track = cat({
        {0x00, 0x90, 60, 100}, // a tick a frame: frames 0 … 9, 10 … 19, 20 … 29
        {0x0a, 0x80, 60, 0},
        {0x00, 0x90, 60, 100},
        {0x0a, 0x80, 60, 0},
        {0x00, 0x90, 60, 100},
        {0x0a, 0x80, 60, 0},
        {0x00, 0x90, 62, 100}, // a one-frame note struck again: merged, not lost
        {0x01, 0x80, 62, 0},
        {0x00, 0x90, 62, 100},
        {0x01, 0x80, 62, 0},
        end_of_track,
    });
    const Bytes file = cat({header(0, 1, 25), chunk("MTrk", track)});
    auto draw = std::make_unique<DrawData>();
    MidiChannelSettings channels;
    ASSERT_TRUE(import_midi_file(file, *draw, 100, channels, {}).ok);
    for (int f = 0; f < 40; ++f) {
        EXPECT_EQ((*draw)[f].note_cell(27) != 0, f < 30 && f != 9 && f != 19) << f;
        EXPECT_EQ((*draw)[f].note_cell(29) != 0, f == 30 || f == 31) << f;
    }
    // Exported and read back: three notes of C4 again.
    const Bytes out = build_midi_file(*draw, 100, channels, {});
    auto again = std::make_unique<DrawData>();
    ASSERT_TRUE(import_midi_file(out, *again, 100, channels, {}).ok);
    for (int f = 0; f < 30; ++f) EXPECT_EQ((*again)[f].note_cell(27), (*draw)[f].note_cell(27)) << f;
}

// Format 1 with SMPTE division: 25 fps × 40 ticks, one tick per millisecond.
TEST(MidiFileImport, FormatOneWithSmpteDivisionAndNamedTracks) {
    const Bytes conductor = cat({
        {0x00, 0xff, 0x58, 0x04, 3, 2, 24, 8},
        {0x00, 0xff, 0x51, 0x03, 0x03, 0x0d, 0x40}, // 300 BPM: bars of 600 ms
        end_of_track,
    });
    const Bytes piano = cat({
        {0x00, 0xff, 0x03, 5, 'P', 'i', 'a', 'n', 'o'},
        {0x00, 0xc1, 5, 0x00, 0xb1, 7, 64},
        {0x64, 0x91, 50, 127},     // 100 ms
        {0x81, 0x70, 0x81, 50, 0}, // 340 ms
        end_of_track,
    });
    const Bytes ninth = cat({
        {0x00, 0xff, 0x03, 5, 0xe8, 0x89, 0xb2, ' ', '9'},
        {0x00, 0x91, 51, 64, 0x0a, 0x81, 51, 0}, // 0 … 10 ms: one frame
        end_of_track,
    });
    const Bytes file = cat({header(1, 3, 0xe728), chunk("MTrk", conductor), chunk("XXXX", {1, 2}),
                            chunk("MTrk", piano), chunk("MTrk", ninth)});
    auto draw = std::make_unique<DrawData>();
    (*draw)[3].note_cell(70) = 1; // cleared: the import replaces
    MidiChannelSettings channels;
    MidiImportOptions options;
    options.lines = MidiImportLines::bars;
    const MidiImportResult r = import_midi_file(file, *draw, 100, channels, options);
    ASSERT_TRUE(r.ok) << int(r.refusal);
    for (int f = 0; f < 100; ++f) {
        EXPECT_EQ((*draw)[f].note_cell(17), f >= 5 && f < 17 ? 9 : 0) << f;
        EXPECT_EQ((*draw)[f].note_cell(18), f == 0 ? 9 : 0) << f;
        EXPECT_EQ((*draw)[f].line_mark(), f % 30 == 0 ? 16 : 0) << f;
    }
    EXPECT_EQ((*draw)[3].note_cell(70), 0);
    EXPECT_EQ(draw->annotations.track_names[8], "Piano");
    EXPECT_EQ(channels.program[1], 5);
    EXPECT_EQ(channels.volume[1], 32); // the earlier note: 64 × 64 / 127
}

// What a score editor needs besides the notes goes out and comes back: the
// key, a compound meter counted in dotted quarters, a track's own name.
TEST(MidiFile, KeyMeterAndTrackNamesGoOutAndComeBack) {
    auto draw = std::make_unique<DrawData>();
    for (int f = 0; f < 100; f += 25)
        (*draw)[f].line_mark() = 1;
    for (int f = 3; f < 20; ++f)
        (*draw)[f].note_cell(40) = 12; // shares channel 4 with colour 4
    draw->annotations.key = KeySignature{-2, false};
    draw->annotations.track_names[11] = "Lead";
    set_meter(draw->annotations, 0, MeterMark{0, 6, 8});
    MidiChannelSettings channels;
    const Bytes out = build_midi_file(*draw, 100, channels, {});
    const auto has = [&](const Bytes& b) {
        return std::search(out.begin(), out.end(), b.begin(), b.end()) != out.end();
    };
    EXPECT_TRUE(has({0xff, 0x59, 0x02, 0xfe, 0x00}));
    EXPECT_TRUE(has({0xff, 0x58, 0x04, 6, 3, 36, 8}));
    EXPECT_TRUE(has({0xff, 0x03, 4, 'L', 'e', 'a', 'd'}));
    EXPECT_FALSE(has({0xe8, 0x89, 0xb2, ' ', '1', '2'})); // no "色 12"

    auto back = std::make_unique<DrawData>();
    const MidiImportResult r = import_midi_file(out, *back, 100, channels, {});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ((*back)[10].note_cell(40), 12);
    EXPECT_EQ(back->annotations.track_names[11], "Lead");
    EXPECT_EQ(back->annotations.key, draw->annotations.key);
}

TEST(MidiFile, RandomDrawingsComeBackCellForCell) {
    std::mt19937 rng(14);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int trial = 0; trial < 12; ++trial) {
        const bool bars = trial % 2 == 1;
        const int per_bar = pick(2, 7);
        const int unit = bars ? per_bar : 1;
        auto draw = std::make_unique<DrawData>();
        // Lines from frame 0 (no pickup), every 150 ms … 1.2 s per beat; the
        // beats go on after the last line, so the recording ends within one
        // interval of it.
        int line = 0, gap = 0;
        (*draw)[0].line_mark() = 4;
        while (line < 2500) {
            gap = unit * pick(8, 60);
            line += gap;
            (*draw)[line].line_mark() = 4;
        }
        const int frame_count = line + gap / 2;
        for (int n = 0; n < 300; ++n) {
            const int band = pick(first_band, last_band), start = pick(0, frame_count - 1);
            const int colour = pick(1, 16), end = std::min(frame_count, start + pick(1, 40));
            for (int g = start; g < end; ++g)
                (*draw)[g].note_cell(band) = std::uint8_t(colour);
        }
        MidiChannelSettings channels;
        for (int ch = 1; ch <= 8; ++ch) {
            channels.program[std::size_t(ch)] = pick(0, 127);
            channels.volume[std::size_t(ch)] = pick(1, 127);
        }
        MidiExportOptions out;
        out.lines_are_bars = bars;
        out.beats_per_bar = per_bar;
        const Bytes file = build_midi_file(*draw, frame_count, channels, out);

        auto back = std::make_unique<DrawData>();
        MidiChannelSettings read;
        MidiImportOptions in;
        in.lines = bars ? MidiImportLines::bars : MidiImportLines::beats;
        in.line_colour = 4;
        const MidiImportResult r = import_midi_file(file, *back, frame_count, read, in);
        ASSERT_TRUE(r.ok) << int(r.refusal);
        for (int g = 0; g < frame_count; ++g)
            ASSERT_EQ((*back)[g].slot, (*draw)[g].slot) << "trial " << trial << " frame " << g;
        EXPECT_EQ(read.program, channels.program) << trial;
        EXPECT_EQ(read.volume, channels.volume) << trial;
    }
}

TEST(MidiFileImport, DamagedFilesChangeNothing) {
    const Bytes ok_header = header(1, 1, 480);
    auto track = [&](const Bytes& body) { return cat({ok_header, chunk("MTrk", body)}); };
    Bytes long_delays;
    for (int i = 0; i < 9; ++i)
        long_delays.insert(long_delays.end(), {0xff, 0xff, 0xff, 0x7f, 0xff, 0x01, 0x00});
    long_delays.insert(long_delays.end(), end_of_track.begin(), end_of_track.end());
    Bytes many{0x00, 0x90, 60, 0};
    for (int i = 0; i < midi_file_event_cap; ++i)
        many.insert(many.end(), {0x00, 60, 0});
    many.insert(many.end(), end_of_track.begin(), end_of_track.end());
    Bytes cut_header = header(0, 1, 96);
    cut_header[7] = 40;

    using enum MidiRefusal;
    struct Case {
        const char* what;
        Bytes file;
        MidiRefusal reason;
    };
    const Case cases[] = {
        {"empty", {}, not_smf},
        {"other file", Bytes(20, 'R'), not_smf},
        {"header past the end", cut_header, bad_chunk},
        {"format 2", header(2, 1, 96), bad_format},
        {"division 0", header(0, 1, 0), bad_division},
        {"23 fps", header(0, 1, 0xe928), bad_division},
        {"a track missing", cat({header(1, 2, 96), chunk("MTrk", end_of_track)}), missing_tracks},
        {"track past the end", cat({ok_header, {'M', 'T', 'r', 'k', 0, 0, 1, 0}, end_of_track}),
         bad_chunk},
        {"running status at the start", track(cat({{0x00, 60, 100}, end_of_track})), no_status},
        {"unterminated", track({0x00, 0x90, 60, 100}), unterminated},
        {"cut inside an event", track({0x00, 0x90, 60}), bad_event},
        {"five-byte delta", track(cat({{0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}, end_of_track})),
         bad_event},
        {"status byte as data", track(cat({{0x00, 0x90, 60, 0x90}, end_of_track})), bad_event},
        {"meta past the track", track({0x00, 0xff, 0x01, 0x20, 'a'}), bad_event},
        {"system common in a file", track(cat({{0x00, 0xf2, 0, 0}, end_of_track})), bad_event},
        {"huge delta times", track(long_delays), too_long},
        {"too many events", track(many), too_many},
    };
    auto draw = std::make_unique<DrawData>();
    for (int f = 0; f < 50; ++f)
        (*draw)[f].note_cell(2 + f) = std::uint8_t(1 + f % 16);
    (*draw)[7].line_mark() = 2;
    const auto before = draw->draw_data;
    auto unchanged = [&] {
        for (std::size_t f = 0; f < before.size(); ++f)
            if (before[f].slot != draw->draw_data[f].slot) return false;
        return true;
    };
    MidiChannelSettings channels;
    channels.program[1] = 9;
    for (const Case& c : cases) {
        MidiChannelSettings changed = channels;
        MidiImportOptions options;
        options.lines = MidiImportLines::beats;
        const MidiImportResult r = import_midi_file(c.file, *draw, 100, changed, options);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.refusal, c.reason) << c.what;
        EXPECT_TRUE(unchanged()) << c.what;
        EXPECT_FALSE(draw->modified) << c.what;
        EXPECT_EQ(changed.program, channels.program) << c.what;
    }
}

} // namespace
} // namespace pitkad
