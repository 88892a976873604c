// Reading a Standard MIDI File (formats 0 and 1, ticks per quarter note or
// SMPTE division) into the drawing. The whole file is read and checked
// before the drawing is touched, so a refused file changes nothing.
#include "drawing/midi_file.h"

#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>

namespace pitkad {

namespace {

constexpr std::int64_t longest_track_ticks = std::numeric_limits<std::int32_t>::max();
constexpr double frame_us = double(frame_ms) * 1000.0;
constexpr int lowest_key = first_band + band_note_offset; // B1
constexpr int highest_key = last_band + band_note_offset; // C8

struct Fault {
    MidiRefusal reason;
};

// Kept small: a hostile file may hold millions of notes.
struct Note {
    std::int32_t on, off; // ticks
    std::uint16_t track;
    std::uint8_t channel, key, velocity;
};

// A program change, controller 7, tempo or time signature, with its place
// in the file for a stable order across tracks.
struct Control {
    std::int64_t tick;
    int track;
    int channel; // -1 for tempo and time signature
    int value;   // program, volume, microseconds per quarter, or numerator
    int power;   // time signature: denominator 2^power
};

struct ParsedFile {
    int division = 0;
    std::vector<Note> notes;
    std::vector<Control> programs, volumes, tempos, meters;
    std::vector<int> track_colour; // colour named by the track, 0 when none
    std::vector<std::string> track_name; // the track's name, empty when none
    std::vector<int> track_channel;      // the one channel of a track's notes, else -1
    std::optional<KeySignature> key;     // the first key signature
};

std::uint32_t be(std::span<const std::uint8_t> b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | b[at + std::size_t(i)];
    return v;
}

// A variable-length quantity of at most four bytes.
std::optional<std::uint32_t> read_vlq(std::span<const std::uint8_t> b, std::size_t& pos) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= b.size()) return std::nullopt;
        const std::uint8_t c = b[pos++];
        v = v << 7 | (c & 0x7f);
        if (!(c & 0x80)) return v;
    }
    return std::nullopt;
}

// "色 N" for N = 1 … 16, as the export names its tracks.
int colour_of_name(std::string_view name) {
    if (!name.starts_with(midi_track_name)) return 0;
    name.remove_prefix(midi_track_name.size());
    if (name.empty() || name.size() > 2) return 0;
    int n = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return name[0] != '0' && n >= 1 && n <= 16 ? n : 0;
}

std::optional<Fault> read_track(std::span<const std::uint8_t> body, int track, ParsedFile& file,
                                std::int64_t& events) {
    std::array<int, 16 * 128> open; // index into file.notes of the sounding note, or -1
    open.fill(-1);
    std::size_t pos = 0;
    std::int64_t tick = 0;
    int status = 0;
    bool ended = false;
    int named_colour = 0;
    bool named = false;
    std::string name;
    std::uint16_t channels = 0;
    auto end_note = [&](int ch, int key) {
        int& i = open[std::size_t(ch * 128 + key)];
        if (i >= 0) file.notes[std::size_t(i)].off = std::int32_t(tick);
        i = -1;
    };

    while (pos < body.size() && !ended) {
        if (++events > midi_file_event_cap) return Fault{MidiRefusal::too_many};
        const auto delta = read_vlq(body, pos);
        if (!delta) return Fault{MidiRefusal::bad_event};
        tick += *delta;
        if (tick > longest_track_ticks) return Fault{MidiRefusal::too_long};
        if (pos >= body.size()) return Fault{MidiRefusal::unterminated};
        const std::uint8_t lead = body[pos];
        if (lead == 0xff) {
            if (pos + 2 > body.size()) return Fault{MidiRefusal::bad_event};
            const std::uint8_t type = body[pos + 1];
            pos += 2;
            const auto length = read_vlq(body, pos);
            if (!length || *length > body.size() - pos) return Fault{MidiRefusal::bad_event};
            const auto data = body.subspan(pos, *length);
            pos += *length;
            if (type == 0x2f) {
                ended = true;
            } else if (type == 0x51 && data.size() == 3) {
                const int q = int(be(data, 0, 3));
                if (q > 0) file.tempos.push_back({tick, track, -1, q, 0});
            } else if (type == 0x58 && data.size() >= 2) {
                if (data[0] >= 1 && data[1] <= 6)
                    file.meters.push_back({tick, track, -1, data[0], data[1]});
            } else if (type == 0x03 && !named) {
                named = true;
                name.assign(reinterpret_cast<const char*>(data.data()), data.size());
                if (const int c = colour_of_name(name)) {
                    named_colour = c;
                    name.clear();
                }
            } else if (type == 0x7f && data.size() == colour_tag.size() + 1 &&
                       std::equal(colour_tag.begin(), colour_tag.end(), data.begin()) &&
                       data.back() >= 1 && data.back() <= 16) {
                named_colour = data.back();
            } else if (type == 0x59 && data.size() == 2 && !file.key) {
                const int fifths = std::int8_t(data[0]);
                if (fifths >= -7 && fifths <= 7 && data[1] <= 1)
                    file.key = KeySignature{fifths, data[1] == 1};
            }
            continue;
        }
        if (lead == 0xf0 || lead == 0xf7) {
            ++pos;
            const auto length = read_vlq(body, pos);
            if (!length || *length > body.size() - pos) return Fault{MidiRefusal::bad_event};
            pos += *length;
            continue;
        }
        if (lead > 0xf0) return Fault{MidiRefusal::bad_event};
        if (lead & 0x80) {
            status = lead;
            ++pos;
        } else if (status == 0) {
            return Fault{MidiRefusal::no_status};
        }
        const int kind = status >> 4, ch = status & 0x0f;
        const std::size_t count = (kind == 0xc || kind == 0xd) ? 1 : 2;
        if (pos + count > body.size()) return Fault{MidiRefusal::bad_event};
        const int d1 = body[pos], d2 = count == 2 ? body[pos + 1] : 0;
        if (d1 > 127 || d2 > 127) return Fault{MidiRefusal::bad_event};
        pos += count;
        if (kind == 0x9 && d2 > 0) {
            end_note(ch, d1);
            open[std::size_t(ch * 128 + d1)] = int(file.notes.size());
            file.notes.push_back({std::int32_t(tick), -1, std::uint16_t(track), std::uint8_t(ch),
                                  std::uint8_t(d1), std::uint8_t(d2)});
            channels |= std::uint16_t(1u << ch);
        } else if (kind == 0x8 || kind == 0x9) {
            end_note(ch, d1);
        } else if (kind == 0xc) {
            file.programs.push_back({tick, track, ch, d1, 0});
        } else if (kind == 0xb && d1 == 7) {
            file.volumes.push_back({tick, track, ch, d2, 0});
        }
    }
    if (!ended) return Fault{MidiRefusal::unterminated};
    for (int i = 0; i < 16 * 128; ++i)
        if (open[std::size_t(i)] >= 0)
            file.notes[std::size_t(open[std::size_t(i)])].off = std::int32_t(tick);
    // The name gives the colour only when every note is on that colour's channel.
    if (named_colour != 0 && channels != 0 &&
        channels != (1u << drawing_channel(std::uint8_t(named_colour))))
        named_colour = 0;
    file.track_colour.push_back(named_colour);
    file.track_channel.push_back(std::has_single_bit(channels) ? std::countr_zero(channels) : -1);
    file.track_name.push_back(name.size() <= std::size_t(annotation_text_max) ? name : std::string());
    return std::nullopt;
}

std::optional<Fault> read_file(std::span<const std::uint8_t> b, ParsedFile& file) {
    if (b.size() < 14 || !(b[0] == 'M' && b[1] == 'T' && b[2] == 'h' && b[3] == 'd'))
        return Fault{MidiRefusal::not_smf};
    const std::uint32_t header = be(b, 4, 4);
    if (header < 6 || header > b.size() - 8) return Fault{MidiRefusal::bad_chunk};
    const int format = int(be(b, 8, 2));
    const int tracks = int(be(b, 10, 2));
    file.division = int(be(b, 12, 2));
    if (format > 1) return Fault{MidiRefusal::bad_format};
    if (file.division & 0x8000) {
        const int fps = -int(std::int8_t(file.division >> 8));
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || (file.division & 0xff) == 0)
            return Fault{MidiRefusal::bad_division};
    } else if (file.division == 0) {
        return Fault{MidiRefusal::bad_division};
    }
    if (tracks == 0) return Fault{MidiRefusal::missing_tracks};

    std::size_t pos = 8 + header;
    int read = 0;
    std::int64_t events = 0;
    while (read < tracks) {
        if (pos == b.size()) return Fault{MidiRefusal::missing_tracks};
        if (b.size() - pos < 8) return Fault{MidiRefusal::bad_chunk};
        const std::uint32_t length = be(b, pos + 4, 4);
        if (length > b.size() - pos - 8) return Fault{MidiRefusal::bad_chunk};
        if (b[pos] == 'M' && b[pos + 1] == 'T' && b[pos + 2] == 'r' && b[pos + 3] == 'k') {
            if (auto fault = read_track(b.subspan(pos + 8, length), read, file, events))
                return fault;
            ++read;
        }
        pos += 8 + std::size_t(length);
    }
    return std::nullopt;
}

// Where ticks lie in time (microseconds) and in quarter notes, from the
// division and the tempo map. With SMPTE division ticks are time and the
// tempo map only places the beats.
class Timeline {
  public:
    Timeline(int division, std::vector<Control> tempos) {
        smpte_ = (division & 0x8000) != 0;
        if (smpte_) {
            const int fps = -int(std::int8_t(division >> 8));
            const double rate = fps == 29 ? 30000.0 / 1001.0 : fps;
            tick_us_ = 1e6 / (rate * (division & 0xff));
        } else {
            tpq_ = division;
        }
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const Control& a, const Control& b) { return a.tick < b.tick; });
        segments_.push_back({0, 0, 0, 500000});
        for (const Control& t : tempos) {
            Segment s{double(t.tick), us_at(t.tick), q_at(t.tick), double(t.value)};
            if (s.tick == segments_.back().tick) segments_.pop_back();
            segments_.push_back(s);
        }
    }

    double us_at(std::int64_t tick) const {
        if (smpte_) return double(tick) * tick_us_;
        const Segment& s = find(&Segment::tick, double(tick));
        return s.us + (double(tick) - s.tick) * s.quarter_us / tpq_;
    }
    double q_at(std::int64_t tick) const {
        if (!smpte_) return double(tick) / tpq_;
        return q_at_us(us_at(tick));
    }
    double q_at_us(double us) const {
        const Segment& s = find(&Segment::us, us);
        return s.q + (us - s.us) / s.quarter_us;
    }
    double us_at_q(double q) const {
        const Segment& s = find(&Segment::q, q);
        return s.us + (q - s.q) * s.quarter_us;
    }

  private:
    struct Segment {
        double tick, us, q, quarter_us;
    };
    // The last segment starting at or before v on the given axis.
    const Segment& find(double Segment::*axis, double v) const {
        auto it = std::upper_bound(segments_.begin(), segments_.end(), v,
                                   [axis](double x, const Segment& s) { return x < s.*axis; });
        return it == segments_.begin() ? segments_.front() : *(it - 1);
    }

    bool smpte_ = false;
    double tick_us_ = 0;
    int tpq_ = 1;
    std::vector<Segment> segments_;
};

constexpr int drum_channel = 9; // MIDI channel 10

// The colour of a channel (status nibble): channels 2 … 8 the bright
// colours 9 … 15 that sound on those channels, channel 1 white and channel 9
// silver (both on the drawing's channel 8), channels 11 … 16 the darker
// colours 2 … 7. Never colour 1, black on the black graph.
int channel_colour(int channel) {
    if (channel == 0) return 16;
    if (channel <= 7) return channel + 8;
    if (channel == 8) return 8;
    return channel - 8;
}

// Frames of every beat (or bar) up to end_us, from the time signatures
// (4/4 until the first). The beat is the signature's denominator note.
std::vector<int> beat_frames(const ParsedFile& file, const Timeline& time, bool bars, int frames) {
    std::vector<Control> meters = file.meters;
    std::stable_sort(meters.begin(), meters.end(),
                     [](const Control& a, const Control& b) { return a.tick < b.tick; });
    if (meters.empty() || meters.front().tick > 0) meters.insert(meters.begin(), {0, 0, -1, 4, 2});
    std::vector<int> out;
    const double end_us = frames * frame_us;
    // Beats that would land on a frame already marked are skipped, so the
    // work stays within a few steps per frame even at absurd tempos; the
    // budget is a last guard.
    std::int64_t budget = midi_file_event_cap;
    for (std::size_t i = 0; i < meters.size() && budget > 0; ++i) {
        const double start = time.q_at(meters[i].tick);
        const double stop = i + 1 < meters.size() ? time.q_at(meters[i + 1].tick)
                                                  : std::numeric_limits<double>::infinity();
        const double beat = 4.0 / double(1 << meters[i].power);
        const int step = bars ? meters[i].value : 1;
        for (std::int64_t j = 0; budget > 0; --budget) {
            const double q = start + double(j) * beat;
            if (q >= stop - 1e-9) break;
            const double us = time.us_at_q(q);
            if (us >= end_us) break;
            const auto f = std::llround(us / frame_us);
            if (f >= 0 && f < frames && (out.empty() || out.back() != int(f)))
                out.push_back(int(f));
            // The first beat that rounds to a later frame.
            const double next_q = time.q_at_us((double(f) + 0.5) * frame_us);
            const auto skip = std::int64_t(std::ceil((next_q - start) / beat - 1e-9));
            j = std::max(j + step, (skip + step - 1) / step * step);
        }
    }
    return out;
}

} // namespace

MidiImportResult import_midi_file(std::span<const std::uint8_t> bytes, DrawData& draw,
                                  int frame_count, MidiChannelSettings& settings,
                                  const MidiImportOptions& options) {
    MidiImportResult result;
    ParsedFile file;
    if (auto fault = read_file(bytes, file)) {
        result.refusal = fault->reason;
        return result;
    }
    const int frames = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    const Timeline time(file.division, file.tempos);

    // Notes in the order they start; a later one draws over an earlier one.
    std::stable_sort(file.notes.begin(), file.notes.end(),
                     [](const Note& a, const Note& b) { return a.on < b.on; });
    // 0: the note is not drawn (drums, unless asked for).
    auto colour_of = [&](const Note& n) {
        if (n.channel == drum_channel) return std::clamp(options.drums_colour, 0, 16);
        const int named = file.track_colour[std::size_t(n.track)];
        return named != 0 ? named : channel_colour(n.channel);
    };

    if (options.replace)
        for (int f = 0; f < frames; ++f)
            draw[f] = draw_frame{};
    // A later note draws over an earlier one. The notes are painted from the
    // last to start back to the first, each filling only the frames of its
    // key that no later note has taken: every cell is written once, however
    // many notes are held over it. Per key, a skip table gives the next frame
    // not yet taken (path halving keeps the look-ups short).
    std::vector<std::vector<int>> next_free(std::size_t(highest_key + 1));
    // Per key, the colour of a note that begins at each frame (0: none).
    std::vector<std::vector<std::uint8_t>> began(std::size_t(highest_key + 1));
    std::vector<int> mine; // the frames one note takes
    auto find_free = [](std::vector<int>& next, int f) {
        while (next[std::size_t(f)] != f) {
            next[std::size_t(f)] = next[std::size_t(next[std::size_t(f)])];
            f = next[std::size_t(f)];
        }
        return f;
    };
    for (auto it = file.notes.rbegin(); it != file.notes.rend(); ++it) {
        const Note& n = *it;
        const auto colour = std::uint8_t(colour_of(n));
        if (colour == 0) {
            ++result.drums;
            continue;
        }
        if (n.key < lowest_key || n.key > highest_key) {
            ++result.out_of_range;
            continue;
        }
        const auto first = std::llround(time.us_at(n.on) / frame_us);
        const auto end = std::llround(time.us_at(n.off) / frame_us);
        if (first >= frames) {
            ++result.past_end;
            continue;
        }
        ++result.placed;
        const auto last = std::min<long long>(std::max(first, end - 1), frames - 1);
        if (first < 0 || last < first) continue;
        std::vector<int>& next = next_free[std::size_t(n.key)];
        if (next.empty()) {
            next.resize(std::size_t(frames) + 1);
            std::iota(next.begin(), next.end(), 0);
        }
        std::vector<std::uint8_t>& starts = began[std::size_t(n.key)];
        if (starts.empty()) starts.assign(std::size_t(frames) + 1, 0);
        // The free frames of its span, but the one just before a later note
        // of its colour that begins there: a note struck again keeps one
        // empty frame before it, or the two would read back as one.
        mine.clear();
        for (int f = find_free(next, int(first)); f <= last; f = find_free(next, f + 1))
            mine.push_back(f);
        if (mine.size() > 1) {
            const std::vector<int> all = mine;
            std::erase_if(mine, [&](int f) { return starts[std::size_t(f) + 1] == colour; });
            if (mine.empty()) mine = all; // too short to give a frame up
        }
        for (int f : mine) {
            draw[f].note_cell(n.key - band_note_offset) = colour;
            next[std::size_t(f)] = f + 1;
        }
        if (!mine.empty() && mine.front() == first) starts[std::size_t(first)] = colour;
    }
    // The notes the drawing holds now: each run of one colour in frames the
    // import wrote. Notes held over or struck on top of another of their
    // key and colour became part of it.
    for (int key = lowest_key; key <= highest_key; ++key) {
        const std::vector<int>& next = next_free[std::size_t(key)];
        if (next.empty()) continue;
        std::uint8_t before = 0;
        for (int f = 0; f < frames; ++f) {
            const std::uint8_t v =
                next[std::size_t(f)] != f ? draw[f].note_cell(key - band_note_offset) : 0;
            if (v != 0 && v != before) ++result.notes;
            before = v;
        }
    }
    result.merged = std::max(0, result.placed - result.notes);

    DrawAnnotations& notes_of = draw.annotations;
    if (options.replace) notes_of.track_names = {};
    for (std::size_t t = 0; t < file.track_name.size(); ++t) {
        const int ch = file.track_channel[t];
        const int colour = file.track_colour[t] != 0 ? file.track_colour[t]
                           : ch >= 0 && ch != drum_channel ? channel_colour(ch)
                                                           : 0;
        if (colour != 0 && !file.track_name[t].empty() &&
            notes_of.track_names[std::size_t(colour - 1)].empty())
            notes_of.track_names[std::size_t(colour - 1)] = file.track_name[t];
    }
    if (file.key) notes_of.key = file.key;

    if (options.lines != MidiImportLines::none) {
        const auto line = std::uint8_t(std::clamp(options.line_colour, 1, 16));
        for (int f : beat_frames(file, time, options.lines == MidiImportLines::bars, frames)) {
            draw[f].line_mark() = line;
            ++result.lines;
        }
    }

    // Programs: the first change on a channel that feeds each table channel.
    // Volumes: what the first note of each table channel sounds at, its
    // velocity scaled by the controller 7 then in force.
    auto by_time = [](const Control& a, const Control& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.track < b.track;
    };
    std::stable_sort(file.programs.begin(), file.programs.end(), by_time);
    std::stable_sort(file.volumes.begin(), file.volumes.end(), by_time);
    std::array<bool, 16> program_set{}, volume_set{};
    for (const Control& p : file.programs) {
        if (p.channel == drum_channel) continue; // a drum kit, not an instrument
        const int t = drawing_channel(std::uint8_t(channel_colour(p.channel)));
        if (!program_set[std::size_t(t)]) settings.program[std::size_t(t)] = p.value;
        program_set[std::size_t(t)] = true;
    }
    for (const Note& n : file.notes) {
        if (n.channel == drum_channel) continue;
        const int t = drawing_channel(std::uint8_t(colour_of(n)));
        if (volume_set[std::size_t(t)]) continue;
        volume_set[std::size_t(t)] = true;
        int controller = 127;
        for (const Control& v : file.volumes) {
            if (v.tick > n.on) break;
            if (v.channel == n.channel) controller = v.value;
        }
        settings.volume[std::size_t(t)] = int(std::lround(n.velocity * controller / 127.0));
    }
    draw.modified = true;

    result.ok = true;
    result.lines_asked = options.lines != MidiImportLines::none;
    return result;
}

} // namespace pitkad
