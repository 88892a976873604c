// Writing the drawing as a Standard MIDI File (format 1, 480 ticks per
// quarter note), with the tempo map planned from the line marks.
#include "drawing/midi_file.h"

#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

namespace pitkad {

namespace {

constexpr std::int64_t tpq = midi_file_ticks_per_quarter;
constexpr std::int64_t frame_us = std::int64_t(frame_ms) * 1000;
constexpr std::int64_t default_quarter_us = 500'000; // 120 BPM

// Nearest integer of a / b for a >= 0, b > 0.
std::int64_t div_round(std::int64_t a, std::int64_t b) {
    return (2 * a + b) / (2 * b);
}

std::int64_t clamp_tempo(std::int64_t quarter_us) {
    return std::clamp(quarter_us, midi_fastest_quarter_us, midi_slowest_quarter_us);
}

// Line intervals [first, last] that share one or more beats (bars).
struct IntervalGroup {
    int first;
    int last;
    std::int64_t frames;
};

// Groups the intervals (lengths in frames) so that each group lasts at least
// the shortest allowed unit: an interval long enough stands alone; a run of
// short ones is gathered until it is long enough, and a short remainder joins
// the group before it (or, at the start, the one after it).
std::vector<IntervalGroup> group_intervals(const std::vector<std::int64_t>& frames,
                                           std::int64_t shortest_us) {
    std::vector<IntervalGroup> groups;
    IntervalGroup pending{-1, -1, 0};
    auto long_enough = [&](std::int64_t f) { return f * frame_us >= shortest_us; };
    for (int i = 0; i < int(frames.size()); ++i) {
        const std::int64_t d = frames[std::size_t(i)];
        if (long_enough(d)) {
            IntervalGroup g{i, i, d};
            if (pending.first >= 0) {
                if (!groups.empty()) {
                    groups.back().last = pending.last;
                    groups.back().frames += pending.frames;
                } else {
                    g.first = pending.first;
                    g.frames += pending.frames;
                }
                pending = {-1, -1, 0};
            }
            groups.push_back(g);
        } else {
            if (pending.first < 0) pending.first = i;
            pending.last = i;
            pending.frames += d;
            if (long_enough(pending.frames)) {
                groups.push_back(pending);
                pending = {-1, -1, 0};
            }
        }
    }
    if (pending.first >= 0) {
        if (!groups.empty()) {
            groups.back().last = pending.last;
            groups.back().frames += pending.frames;
        } else {
            groups.push_back(pending);
        }
    }
    return groups;
}

// Pickup of pre_us microseconds before the first line, meant to run at
// quarter_us: its length in ticks, whole sixteenths (or 32nds … 128ths when
// the pickup is too short for a sixteenth within 400 BPM), never outside the
// tempo limits.
std::int64_t pickup_ticks(std::int64_t pre_us, std::int64_t quarter_us) {
    const double ideal = double(pre_us) * double(tpq) / double(quarter_us);
    for (std::int64_t grid :
         {std::int64_t(120), std::int64_t(60), std::int64_t(30), std::int64_t(15)}) {
        const std::int64_t scaled = pre_us * tpq; // us * ticks per quarter
        const std::int64_t low =
            (scaled + midi_slowest_quarter_us * grid - 1) / (midi_slowest_quarter_us * grid);
        const std::int64_t high = scaled / (midi_fastest_quarter_us * grid);
        if (high < 1) continue;
        const std::int64_t units = std::clamp(std::llround(ideal / double(grid)),
                                              std::max<long long>(1, low), (long long)high);
        return units * grid;
    }
    return 15; // unreachable for pre_us >= one frame
}

void put_vlq(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t tmp[5];
    int n = 0;
    tmp[n++] = std::uint8_t(v & 0x7f);
    while ((v >>= 7) != 0)
        tmp[n++] = std::uint8_t(0x80 | (v & 0x7f));
    while (n > 0)
        out.push_back(tmp[--n]);
}

void put_be(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

// One event of a track: its tick, a sort key within the tick (note-offs
// before note-ons, so that a note ending where the next begins is closed
// first) and its bytes after the delta time.
struct TrackEvent {
    std::int64_t tick;
    int order;
    std::vector<std::uint8_t> bytes;
};

void put_track(std::vector<std::uint8_t>& out, std::vector<TrackEvent>& events) {
    std::stable_sort(events.begin(), events.end(), [](const TrackEvent& a, const TrackEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<std::uint8_t> body;
    std::int64_t now = 0;
    for (const TrackEvent& e : events) {
        put_vlq(body, std::uint32_t(e.tick - now));
        now = e.tick;
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
    }
    body.insert(body.end(), {0x00, 0xff, 0x2f, 0x00});
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    put_be(out, std::uint32_t(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
}

// A maximal run of one value on one band.
struct DrawnNote {
    int band;
    int first;
    int last;
    std::uint8_t value;
};

// A note as the file plays it: its track (colour), channel, key and ticks.
struct TimedNote {
    int colour;
    int channel;
    std::uint8_t key;
    std::int64_t on, off;
};

// Notes of one key on one channel (colours N and N + 8 share it) meeting at
// a tick. Two that start together are one note-on: the first, held as long
// as the longer. One that ends where a note of another track starts lets go
// a tick early, since a player merging the tracks may read the other
// track's note-on first and end the new note with the old one's note-off.
void separate_notes_of_one_key(std::vector<TimedNote>& notes) {
    const auto same_key = [](const TimedNote& a, const TimedNote& b) {
        return a.channel == b.channel && a.key == b.key;
    };
    std::stable_sort(notes.begin(), notes.end(), [](const TimedNote& a, const TimedNote& b) {
        return std::tie(a.channel, a.key, a.on, a.colour) < std::tie(b.channel, b.key, b.on, b.colour);
    });
    std::vector<TimedNote> kept;
    for (const TimedNote& n : notes) {
        if (!kept.empty() && same_key(kept.back(), n) && kept.back().on == n.on)
            kept.back().off = std::max(kept.back().off, n.off);
        else
            kept.push_back(n);
    }
    for (std::size_t i = 0; i < kept.size(); ++i)
        for (std::size_t j = i + 1;
             j < kept.size() && same_key(kept[i], kept[j]) && kept[j].on <= kept[i].off; ++j)
            if (kept[j].on == kept[i].off && kept[j].colour != kept[i].colour &&
                kept[i].off - 1 > kept[i].on)
                --kept[i].off;
    notes = std::move(kept);
}

std::vector<DrawnNote> drawn_notes(const DrawData& draw, int frames) {
    std::vector<DrawnNote> notes;
    for (int b = first_band; b <= last_band; ++b) {
        int f = 0;
        while (f < frames) {
            const std::uint8_t v = draw[f].note_cell(b);
            int end = f + 1;
            while (end < frames && draw[end].note_cell(b) == v)
                ++end;
            const int colour = v & draw_colour_mask;
            if (is_draw_value(v) && colour >= 1 && colour <= 16)
                notes.push_back({b, f, end - 1, v});
            f = end;
        }
    }
    return notes;
}

// The line interval holding a tick, as its start and the length of 1/n of
// it; false outside the lines.
bool division_of(const MidiTempoMap& map, std::int64_t tick, int n, std::int64_t& start,
                 double& step) {
    const auto& lines = map.line_ticks;
    if (n < 2 || lines.size() < 2 || tick < lines.front() || tick >= lines.back()) return false;
    const auto next = std::upper_bound(lines.begin(), lines.end(), tick);
    start = *(next - 1);
    step = double(*next - start) / n;
    return true;
}

// Snaps a tick to the nearest of n equal divisions of its line interval.
std::int64_t quantize_tick(const MidiTempoMap& map, std::int64_t tick, int n) {
    std::int64_t a;
    double step;
    if (!division_of(map, tick, n, a, step)) return tick;
    return a + std::llround(std::round(double(tick - a) / step) * step);
}

// The first division point after a tick (the next tick outside the lines).
std::int64_t next_division(const MidiTempoMap& map, std::int64_t tick, int n) {
    std::int64_t a;
    double step;
    if (!division_of(map, tick, n, a, step)) return tick + 1;
    const double j = std::floor(double(tick - a) / step + 1e-9) + 1;
    return std::max<std::int64_t>(tick + 1, a + std::llround(j * step));
}

} // namespace

std::int64_t MidiTempoMap::tick_at(std::int64_t us) const {
    // Walks the tempo segments in whole microseconds times ticks per quarter,
    // which every segment's length is exactly.
    std::int64_t start = 0; // us * tpq at the start of segment i
    for (std::size_t i = 0; i < tempos.size(); ++i) {
        const bool last = i + 1 == tempos.size();
        const std::int64_t length =
            last ? 0 : (tempos[i + 1].tick - tempos[i].tick) * tempos[i].quarter_us;
        if (last || us * tpq < start + length)
            return tempos[i].tick +
                   div_round(std::max<std::int64_t>(0, us * tpq - start), tempos[i].quarter_us);
        start += length;
    }
    return div_round(us * tpq, default_quarter_us);
}

MidiTempoMap plan_midi_tempo_map(const std::vector<int>& line_frames,
                                 const MidiExportOptions& options) {
    const int beats_per_bar = std::clamp(options.beats_per_bar, 2, 7);
    const std::int64_t unit_quarters = options.lines_are_bars ? beats_per_bar : 1;
    const std::int64_t unit_ticks = unit_quarters * tpq;
    const std::int64_t bar_ticks = beats_per_bar * tpq;

    // Ticks of each line from the first.
    const int k = int(line_frames.size());
    std::vector<std::int64_t> lengths; // interval lengths in frames
    for (int i = 0; i + 1 < k; ++i)
        lengths.push_back(
            std::max(1, line_frames[std::size_t(i + 1)] - line_frames[std::size_t(i)]));
    std::vector<std::int64_t> rel(std::size_t(std::max(k, 1)), 0);
    for (const IntervalGroup& g :
         group_intervals(lengths, unit_quarters * midi_fastest_quarter_us)) {
        const std::int64_t us = g.frames * frame_us;
        std::int64_t ticks;
        if (us >= unit_quarters * midi_fastest_quarter_us) {
            // Whole units, as few as keep the tempo at or above 20 BPM.
            const std::int64_t slowest = unit_quarters * midi_slowest_quarter_us;
            ticks = std::max<std::int64_t>(1, (us + slowest - 1) / slowest) * unit_ticks;
        } else {
            // Every line within less than one unit at 400 BPM: the lines
            // cannot lie on beats, the tempo is held at 400 BPM.
            ticks =
                std::max<std::int64_t>(g.last - g.first + 1, us * tpq / midi_fastest_quarter_us);
        }
        const std::int64_t base = rel[std::size_t(g.first)];
        std::int64_t cumulative = 0;
        for (int i = g.first; i <= g.last; ++i) {
            cumulative += lengths[std::size_t(i)];
            rel[std::size_t(i + 1)] = base + div_round(cumulative * ticks, g.frames);
        }
    }
    std::vector<std::int64_t> interval_tempo;
    for (int i = 0; i + 1 < k; ++i) {
        const std::int64_t ticks =
            std::max<std::int64_t>(1, rel[std::size_t(i + 1)] - rel[std::size_t(i)]);
        interval_tempo.push_back(
            clamp_tempo(div_round(lengths[std::size_t(i)] * frame_us * tpq, ticks)));
    }
    const std::int64_t first_tempo =
        interval_tempo.empty() ? default_quarter_us : interval_tempo.front();
    const std::int64_t last_tempo =
        interval_tempo.empty() ? default_quarter_us : interval_tempo.back();

    MidiTempoMap map;
    std::int64_t pickup = 0;
    if (k >= 1 && line_frames.front() > 0) {
        const std::int64_t pre_us = std::int64_t(line_frames.front()) * frame_us;
        pickup = pickup_ticks(pre_us, first_tempo);
        map.tempos.push_back({0, clamp_tempo(div_round(pre_us * tpq, pickup))});
    }
    if (k == 0) map.tempos.push_back({0, default_quarter_us});
    for (int i = 0; i < k; ++i) {
        const std::int64_t tick = pickup + rel[std::size_t(i)];
        map.line_ticks.push_back(tick);
        map.tempos.push_back({tick, i + 1 < k ? interval_tempo[std::size_t(i)] : last_tempo});
    }

    // The first line starts a bar: a pickup that is not whole bars opens with
    // a bar of its own length (in 128th notes, reduced).
    const std::int64_t partial = pickup % bar_ticks;
    if (partial != 0) {
        int numerator = int(partial / 15), power = 7;
        while (numerator % 2 == 0 && power > 0) {
            numerator /= 2;
            --power;
        }
        map.time_signatures.push_back({0, numerator, power});
    }
    map.time_signatures.push_back({partial, beats_per_bar, 2});
    return map;
}

std::vector<int> line_mark_frames(const DrawData& draw, int frame_count) {
    const int frames = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    std::vector<int> lines;
    for (int f = 0; f < frames; ++f)
        if (draw[f].line_mark() != 0) lines.push_back(f);
    return lines;
}

std::vector<LineCount> count_lines(const DrawData& draw, int frame_count,
                                   const MidiExportOptions& options) {
    const std::vector<int> lines = line_mark_frames(draw, frame_count);
    const MidiTempoMap map = plan_midi_tempo_map(lines, options);
    const std::int64_t bar_ticks = std::clamp(options.beats_per_bar, 2, 7) * tpq;
    // Whole bars start here; before it lies a pickup bar of its own length.
    const std::int64_t partial = map.time_signatures.back().tick;
    std::vector<LineCount> counts;
    counts.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size() && i < map.line_ticks.size(); ++i) {
        const std::int64_t t = map.line_ticks[i];
        const std::int64_t whole = (t - partial) / bar_ticks;
        const std::int64_t bar = whole + (partial != 0 ? 2 : 1);
        const std::int64_t beat = (t - partial - whole * bar_ticks) / tpq + 1;
        counts.push_back({lines[i], int(bar), int(beat)});
    }
    return counts;
}

std::vector<std::uint8_t> build_midi_file(const DrawData& draw, int frame_count,
                                          const MidiChannelSettings& settings,
                                          const MidiExportOptions& options) {
    const int frames = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    const std::vector<int> lines = line_mark_frames(draw, frames);
    const MidiTempoMap map = plan_midi_tempo_map(lines, options);

    std::vector<TrackEvent> conductor;
    for (const auto& ts : map.time_signatures)
        conductor.push_back({ts.tick,
                             0,
                             {0xff, 0x58, 0x04, std::uint8_t(ts.numerator),
                              std::uint8_t(ts.denominator_power), 24, 8}});
    for (const auto& t : map.tempos) {
        const auto q = std::uint32_t(t.quarter_us);
        conductor.push_back(
            {t.tick,
             1,
             {0xff, 0x51, 0x03, std::uint8_t(q >> 16), std::uint8_t(q >> 8), std::uint8_t(q)}});
    }

    std::vector<TimedNote> notes;
    for (const DrawnNote& n : drawn_notes(draw, frames)) {
        if (options.include_note && !options.include_note(n.value)) continue;
        const int colour = n.value & draw_colour_mask;
        std::int64_t on = map.tick_at(std::int64_t(n.first) * frame_us);
        std::int64_t off = map.tick_at(std::int64_t(n.last + 1) * frame_us);
        if (options.quantize_division > 1) {
            const std::int64_t q_on = quantize_tick(map, on, options.quantize_division);
            const std::int64_t q_off = quantize_tick(map, off, options.quantize_division);
            // A note shorter than half a division keeps one division.
            off = q_off > q_on ? q_off : next_division(map, q_on, options.quantize_division);
            on = q_on;
        }
        notes.push_back({colour, drawing_channel(std::uint8_t(colour)),
                         std::uint8_t(n.band + band_note_offset), on, off});
    }
    separate_notes_of_one_key(notes);

    std::array<std::vector<TrackEvent>, 17> by_colour;
    for (const TimedNote& n : notes) {
        const auto velocity = std::uint8_t(std::clamp(settings.volume[std::size_t(n.channel)], 1, 127));
        auto& track = by_colour[std::size_t(n.colour)];
        track.push_back({n.on, 2, {std::uint8_t(0x90 | n.channel), n.key, velocity}});
        track.push_back({n.off, 1, {std::uint8_t(0x80 | n.channel), n.key, 0}});
    }

    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    int track_count = 1;
    for (int c = 1; c <= 16; ++c)
        track_count += by_colour[std::size_t(c)].empty() ? 0 : 1;
    put_be(out, std::uint32_t(track_count), 2);
    put_be(out, std::uint32_t(tpq), 2);
    put_track(out, conductor);
    for (int c = 1; c <= 16; ++c) {
        auto& track = by_colour[std::size_t(c)];
        if (track.empty()) continue;
        const int ch = drawing_channel(std::uint8_t(c));
        const std::string name = std::string(midi_track_name) + std::to_string(c);
        TrackEvent title{0, 0, {0xff, 0x03}};
        put_vlq(title.bytes, std::uint32_t(name.size()));
        title.bytes.insert(title.bytes.end(), name.begin(), name.end());
        track.push_back(std::move(title));
        track.push_back({0,
                         0,
                         {std::uint8_t(0xc0 | ch),
                          std::uint8_t(std::clamp(settings.program[std::size_t(ch)], 0, 127))}});
        track.push_back({0, 0, {std::uint8_t(0xb0 | ch), 7, 127}});
        put_track(out, track);
    }
    return out;
}

} // namespace pitkad
