// Writing the drawing as a Standard MIDI File (format 1, 480 ticks per
// quarter note), with the tempo map planned from the line marks.
#include "drawing/midi_file.h"

#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
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
// Each interval's shortest length (us) is that of its unit at 400 BPM; a
// group is measured against its first interval's.
std::vector<IntervalGroup> group_intervals(const std::vector<std::int64_t>& frames,
                                           const std::vector<std::int64_t>& shortest_us) {
    std::vector<IntervalGroup> groups;
    IntervalGroup pending{-1, -1, 0};
    auto long_enough = [&](std::int64_t f, int first) {
        return f * frame_us >= shortest_us[std::size_t(first)];
    };
    for (int i = 0; i < int(frames.size()); ++i) {
        const std::int64_t d = frames[std::size_t(i)];
        if (long_enough(d, i)) {
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
            if (long_enough(pending.frames, pending.first)) {
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
// quarter_us: its length in ticks, whole beats of beat_ticks (or, when the
// pickup is too short for one beat within 400 BPM, sixteenths … 128ths),
// never outside the tempo limits.
std::int64_t pickup_ticks(std::int64_t pre_us, std::int64_t quarter_us, std::int64_t beat_ticks) {
    const double ideal = double(pre_us) * double(tpq) / double(quarter_us);
    for (std::int64_t grid : {beat_ticks, std::int64_t(120), std::int64_t(60), std::int64_t(30),
                              std::int64_t(15)}) {
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
    if (steady_bars && !line_us.empty() && us >= line_us.front()) {
        // Between lines in proportion; after the last at the last tempo.
        const auto next = std::upper_bound(line_us.begin(), line_us.end(), us);
        const auto i = std::size_t(next - line_us.begin()) - 1;
        if (next == line_us.end())
            return line_ticks.back() + div_round((us - line_us.back()) * tpq, tempos.back().quarter_us);
        return line_ticks[i] + div_round((us - line_us[i]) * (line_ticks[i + 1] - line_ticks[i]),
                                         line_us[i + 1] - line_us[i]);
    }
    if (!tempos.empty() && tempo_starts.size() == tempos.size()) {
        // The last tempo starting at or before the point.
        const std::int64_t x = us * tpq;
        const auto after = std::upper_bound(tempo_starts.begin(), tempo_starts.end(), x);
        const std::size_t i = after == tempo_starts.begin() ? 0 : std::size_t(after - tempo_starts.begin()) - 1;
        return tempos[i].tick +
               div_round(std::max<std::int64_t>(0, x - tempo_starts[i]), tempos[i].quarter_us);
    }
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

namespace {

// Ticks of a whole note.
constexpr std::int64_t whole_ticks = 4 * tpq;

// The meter of each line: the default until the first line at or after a
// meter mark, that mark's meter from there on.
std::vector<MeterMark> meters_of_lines(const std::vector<int>& line_frames,
                                       const std::vector<MeterMark>& marks, int beats_per_bar) {
    std::vector<MeterMark> out;
    MeterMark now{0, beats_per_bar, 4};
    std::size_t m = 0;
    for (int f : line_frames) {
        while (m < marks.size() && marks[m].frame <= f)
            now = marks[m++];
        out.push_back(now);
    }
    return out;
}

// One beat of a meter: a dotted quarter in 6/8, 9/8 and 12/8, else the
// denominator's note.
std::int64_t beat_ticks(int numerator, int denominator) {
    const std::int64_t note = whole_ticks / denominator;
    return MeterMark{0, numerator, denominator}.compound() ? 3 * note : note;
}
std::int64_t bar_ticks(int numerator, int denominator) {
    return numerator * (whole_ticks / denominator);
}
std::int64_t bar_ticks(const MidiTempoMap::TimeSignature& ts) {
    return bar_ticks(ts.numerator, 1 << ts.denominator_power);
}

// A time signature for a bar of `ticks`: in the meter's own note when it
// divides, else in 128th notes, reduced.
int power_of(int denominator) {
    int power = 0;
    while ((1 << power) < denominator)
        ++power;
    return power;
}

MidiTempoMap::TimeSignature partial_signature(std::int64_t tick, std::int64_t ticks,
                                              int denominator) {
    const std::int64_t note = whole_ticks / denominator;
    if (ticks % note == 0) return {tick, int(ticks / note), power_of(denominator)};
    int numerator = int(ticks / 15), power = 7;
    while (numerator % 2 == 0 && power > 0) {
        numerator /= 2;
        --power;
    }
    return {tick, numerator, power};
}

// One tempo per bar, at its start: the median of the tempos in force over
// it. The lines keep their ticks (see MidiTempoMap::tick_at).
std::vector<MidiTempoMap::Tempo> tempo_per_bar(const MidiTempoMap& map) {
    constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();
    const std::int64_t last = map.tempos.back().tick;
    std::vector<std::int64_t> starts;
    for (std::size_t i = 0; i < map.time_signatures.size(); ++i) {
        const auto& ts = map.time_signatures[i];
        const std::int64_t end =
            i + 1 < map.time_signatures.size() ? map.time_signatures[i + 1].tick : never;
        const std::int64_t len = bar_ticks(ts);
        for (std::int64_t b = ts.tick; b < end && b <= last && len > 0; b += len)
            starts.push_back(b);
    }
    std::vector<MidiTempoMap::Tempo> out;
    std::size_t t = 0;
    for (std::size_t j = 0; j < starts.size(); ++j) {
        const std::int64_t b = starts[j], e = j + 1 < starts.size() ? starts[j + 1] : never;
        while (t + 1 < map.tempos.size() && map.tempos[t + 1].tick <= b)
            ++t;
        std::vector<std::int64_t> v{map.tempos[t].quarter_us};
        for (std::size_t u = t + 1; u < map.tempos.size() && map.tempos[u].tick < e; ++u)
            v.push_back(map.tempos[u].quarter_us);
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
        const std::int64_t median = v[v.size() / 2];
        if (out.empty() || out.back().quarter_us != median) out.push_back({b, median});
    }
    return out;
}

} // namespace

MidiTempoMap plan_midi_tempo_map(const std::vector<int>& line_frames,
                                 const MidiExportOptions& options,
                                 const std::vector<MeterMark>& meter_marks) {
    const int beats_per_bar = std::clamp(options.beats_per_bar, 2, 7);
    const int k = int(line_frames.size());
    const std::vector<MeterMark> meters = meters_of_lines(line_frames, meter_marks, beats_per_bar);
    const auto unit_of = [&](int i) {
        const MeterMark& m = meters[std::size_t(i)];
        return options.lines_are_bars ? bar_ticks(m.numerator, m.denominator)
                                      : beat_ticks(m.numerator, m.denominator);
    };

    // Ticks of each line from the first.
    std::vector<std::int64_t> lengths; // interval lengths in frames
    std::vector<std::int64_t> shortest; // the shortest allowed length of each, in us
    for (int i = 0; i + 1 < k; ++i) {
        lengths.push_back(
            std::max(1, line_frames[std::size_t(i + 1)] - line_frames[std::size_t(i)]));
        shortest.push_back(div_round(unit_of(i) * midi_fastest_quarter_us, tpq));
    }
    std::vector<std::int64_t> rel(std::size_t(std::max(k, 1)), 0);
    for (const IntervalGroup& g : group_intervals(lengths, shortest)) {
        const std::int64_t us = g.frames * frame_us;
        const std::int64_t unit = unit_of(g.first);
        std::int64_t ticks;
        if (us * tpq >= unit * midi_fastest_quarter_us) {
            // Whole units, as few as keep the tempo at or above 20 BPM.
            const std::int64_t slowest = unit * midi_slowest_quarter_us; // us * tpq of a unit
            ticks = std::max<std::int64_t>(1, (us * tpq + slowest - 1) / slowest) * unit;
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
    const MeterMark first_meter = k > 0 ? meters.front() : MeterMark{0, beats_per_bar, 4};
    std::int64_t pickup = 0;
    if (k >= 1 && line_frames.front() > 0) {
        const std::int64_t pre_us = std::int64_t(line_frames.front()) * frame_us;
        pickup = pickup_ticks(pre_us, first_tempo,
                              beat_ticks(first_meter.numerator, first_meter.denominator));
        map.tempos.push_back({0, clamp_tempo(div_round(pre_us * tpq, pickup))});
    }
    if (k == 0) map.tempos.push_back({0, default_quarter_us});
    for (int i = 0; i < k; ++i) {
        const std::int64_t tick = pickup + rel[std::size_t(i)];
        map.line_ticks.push_back(tick);
        map.tempos.push_back({tick, i + 1 < k ? interval_tempo[std::size_t(i)] : last_tempo});
    }

    // Bars: the first line starts one. A pickup that is not whole bars opens
    // with a bar of its own length; each meter runs from its line, its last
    // bar cut short by a signature of its own when the next meter comes
    // before the bar is full.
    const std::int64_t first_bar = bar_ticks(first_meter.numerator, first_meter.denominator);
    const std::int64_t partial = pickup % first_bar;
    if (partial != 0)
        map.time_signatures.push_back(partial_signature(0, partial, first_meter.denominator));
    std::int64_t since = partial; // where the meter in force began
    MeterMark meter = first_meter;
    const auto close_meter = [&](std::int64_t at) {
        const std::int64_t bar = bar_ticks(meter.numerator, meter.denominator);
        const std::int64_t rest = (at - since) % bar;
        if (rest == 0) return;
        // Less than one bar of it: that bar's signature is the cut one.
        if (at - rest == since) map.time_signatures.pop_back();
        map.time_signatures.push_back(partial_signature(at - rest, rest, meter.denominator));
    };
    map.time_signatures.push_back({since, meter.numerator, power_of(meter.denominator)});
    for (int i = 1; i < k; ++i) {
        const MeterMark& m = meters[std::size_t(i)];
        if (m.numerator == meter.numerator && m.denominator == meter.denominator) continue;
        const std::int64_t at = map.line_ticks[std::size_t(i)];
        close_meter(at);
        meter = m;
        since = at;
        map.time_signatures.push_back({since, meter.numerator, power_of(meter.denominator)});
    }
    for (int f : line_frames)
        map.line_us.push_back(std::int64_t(f) * frame_us);
    if (options.tempo == MidiTempoMarks::per_bar && k >= 2) {
        map.tempos = tempo_per_bar(map);
        map.steady_bars = true;
    }
    std::int64_t start = 0;
    for (std::size_t i = 0; i < map.tempos.size(); ++i) {
        if (i > 0) start += (map.tempos[i].tick - map.tempos[i - 1].tick) * map.tempos[i - 1].quarter_us;
        map.tempo_starts.push_back(start);
    }
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
    const MidiTempoMap map = plan_midi_tempo_map(lines, options, draw.annotations.meters);
    const auto& signatures = map.time_signatures;
    std::vector<LineCount> counts;
    counts.reserve(lines.size());
    std::size_t s = 0;
    std::int64_t bars_before = 0; // whole or cut bars before signature s
    for (std::size_t i = 0; i < lines.size() && i < map.line_ticks.size(); ++i) {
        const std::int64_t t = map.line_ticks[i];
        while (s + 1 < signatures.size() && signatures[s + 1].tick <= t) {
            const std::int64_t len = signatures[s + 1].tick - signatures[s].tick;
            bars_before += (len + bar_ticks(signatures[s]) - 1) / bar_ticks(signatures[s]);
            ++s;
        }
        const auto& ts = signatures[s];
        const std::int64_t in = t - ts.tick;
        const std::int64_t whole = in / bar_ticks(ts);
        const std::int64_t beat = beat_ticks(ts.numerator, 1 << ts.denominator_power);
        counts.push_back({lines[i], int(bars_before + whole + 1),
                          int((in - whole * bar_ticks(ts)) / beat + 1)});
    }
    return counts;
}

std::vector<std::uint8_t> build_midi_file(const DrawData& draw, int frame_count,
                                          const MidiChannelSettings& settings,
                                          const MidiExportOptions& options) {
    const int frames = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    const std::vector<int> lines = line_mark_frames(draw, frames);
    const DrawAnnotations& notes_of = draw.annotations;
    const MidiTempoMap map = plan_midi_tempo_map(lines, options, notes_of.meters);

    std::vector<TrackEvent> conductor;
    for (const auto& ts : map.time_signatures) {
        // MIDI clocks (24 a quarter) per beat: 36 for a dotted quarter.
        const auto clocks = std::uint8_t(
            24 * beat_ticks(ts.numerator, 1 << ts.denominator_power) / tpq);
        conductor.push_back({ts.tick,
                             0,
                             {0xff, 0x58, 0x04, std::uint8_t(ts.numerator),
                              std::uint8_t(ts.denominator_power), clocks, 8}});
    }
    // The key signature, in the first track and again in each track of
    // notes, where score editors look for it.
    std::optional<TrackEvent> key;
    if (notes_of.key)
        key = TrackEvent{0,
                         0,
                         {0xff, 0x59, 0x02, std::uint8_t(std::int8_t(notes_of.key->fifths)),
                          std::uint8_t(notes_of.key->minor)}};
    if (key) conductor.push_back(*key);
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
        // The track's name, or "色 N"; a named track also says its colour
        // in an event only this program reads, so it comes back as colour N.
        const std::string& own = notes_of.track_names[std::size_t(c - 1)];
        const std::string name = own.empty() ? std::string(midi_track_name) + std::to_string(c) : own;
        TrackEvent title{0, 0, {0xff, 0x03}};
        put_vlq(title.bytes, std::uint32_t(name.size()));
        title.bytes.insert(title.bytes.end(), name.begin(), name.end());
        track.push_back(std::move(title));
        if (!own.empty())
            track.push_back({0, 0, {0xff, 0x7f, std::uint8_t(colour_tag.size() + 1)}});
        if (!own.empty()) {
            auto& tag = track.back().bytes;
            tag.insert(tag.end(), colour_tag.begin(), colour_tag.end());
            tag.push_back(std::uint8_t(c));
        }
        track.push_back({0,
                         0,
                         {std::uint8_t(0xc0 | ch),
                          std::uint8_t(std::clamp(settings.program[std::size_t(ch)], 0, 127))}});
        track.push_back({0, 0, {std::uint8_t(0xb0 | ch), 7, 127}});
        if (key) track.push_back(*key);
        put_track(out, track);
    }
    return out;
}

} // namespace pitkad
