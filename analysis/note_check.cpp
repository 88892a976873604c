#include "analysis/note_check.h"

#include "analysis/band_tables.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>
#include <utility>

namespace pitkad {

namespace {

// Semitones from a fundamental to its partials: the octave below, then the
// 2nd … 8th harmonics.
constexpr std::array<int, partial_count> partial_steps{-12, 12, 19, 24, 28, 31, 34, 36};
constexpr std::size_t sub_octave = 0, second = 1, first_harmonic = 1;
// A partial's level under its fundamental when the notes tell too little.
constexpr HarmonicProfile default_profile{{-30, -6, -12, -15, -18, -20, -22, -24},
                                          {-24, 0, -6, -9, -12, -14, -16, -18}};
// Notes that make a group's own profile; fewer borrow every note's.
constexpr std::size_t profile_notes = 5;
// A group's partials around a band are learned from its notes within this
// many semitones of it: a spectrum changes across an instrument's range.
constexpr int register_span = 7;
// A note is judged on its first half second.
constexpr int judged_frames = 25;
// How far under the loudest band of its frames sound still counts.
constexpr float audible_range_db = 30.0f;
// A harmonic may be this much louder than the profile says before what is
// left of it counts as sound of its own.
constexpr float harmonic_slack_db = 3.0f;
// Missing notes: within this of their frames' loudest band, at least
// `missing_frames` long (gaps of up to `missing_gap` frames bridged), rising
// at least `missing_rise_db` into their start.
constexpr float missing_range_db = 20.0f;
constexpr int missing_frames = 8;
constexpr int missing_gap = 2;
constexpr float missing_rise_db = 6.0f;
// A run beside a note drawn a semitone away, starting from this many
// frames before it is struck, and this far under it, is its attack's.
constexpr int leakage_before = 6;
constexpr float leakage_db = 6.0f;
// Above the harmonics a drawn note explains, a run within this of its
// frames' loudest band.
constexpr float upper_range_db = 10.0f;
// What a note the decomposition hears, and nothing drawn covers, is
// trusted as a missing note.
constexpr float heard_confidence = 0.5f;
// A heard note's undrawn stretch after a drawn note of its pitch rises this
// much out of the drawn note's end when that pitch is struck again.
constexpr float restruck_rise_db = 3.0f;
// A quieter run counts when it stands this far above the bands beside it.
constexpr float clear_peak_db = 12.0f;
constexpr float silent_db = -60.0f;
// Sound that starts with a note rises this much into its first frames.
constexpr int onset_frames = 4;
constexpr float onset_rise_db = 6.0f;
// How far a band's sound stands above the bands beside it to count as a
// note's.
constexpr float peak_db = 3.0f;
// A note is weak this far under its frames' loudest band.
constexpr float weak_range_db = 40.0f;
// The octave above a note passes its loud second harmonic by this much
// when the note was drawn an octave low (a low reed's octave may pass its
// profile by half as much).
constexpr float octave_above_margin_db = 12.0f;
// How far an octave's sound must pass what the note itself explains.
constexpr float octave_margin_db = 6.0f;
// When the notes of a note's part struck just before and just after it lie
// within `line_near` semitones of its octave and at least `line_leap` from
// the note, the octave's sound need only pass what the note explains at its
// loud second harmonic (or the sound's) by `line_octave_margin_db`.
constexpr int line_near = 4;
constexpr int line_leap = 7;
constexpr float line_octave_margin_db = 2.0f;

float decibels(float power) {
    return power > 1e-10f ? 10.0f * std::log10(power) : empty_level;
}
float to_power(float db) {
    return std::pow(10.0f, db / 10.0f);
}
float clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}
// Frames from a frame's centre to the edge of band b's window, and one more.
int reach_frames(int band) {
    return window_length_of(band) / 2 / frame_step + 1;
}

// The value `share` of the way up the sorted values.
float quantile(std::vector<float>& v, double share) {
    const auto k = std::size_t(double(v.size() - 1) * share);
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(k), v.end());
    return v[k];
}

} // namespace

NoteChecker::NoteChecker(const SpectrogramStore& store)
    : frames_(store.held_frames()), heard_(suggest_notes(store, {false, false})) {
    power_.assign(std::size_t(frames_) * cells_per_frame, 0.0f);
    loudest_.assign(std::size_t(frames_), 0.0f);
    for (int t = 0; t < frames_; ++t) {
        // A frame without pitch is silence.
        const bool pitchless = store.pitchless(t);
        float loud = 0;
        for (int b = first_band; b <= last_band; ++b) {
            const float p =
                to_power(pitchless ? empty_level : std::max(store.at(t, b), empty_level));
            power_[cell(t, b)] = p;
            loud = std::max(loud, p);
        }
        loudest_[std::size_t(t)] = loud;
    }
}

NoteChecker::Frames NoteChecker::before_onset(Frames f) {
    return {std::max(f.first - onset_frames - 1, 0), std::max(f.first - 1, 0)};
}

NoteChecker::Frames NoteChecker::judged(const CheckNote& n) const {
    const int first = std::clamp(n.first, 0, frames_);
    const int end = std::clamp(std::min(n.end, n.first + judged_frames), first, frames_);
    return {first, end};
}

float NoteChecker::mean_level(Frames f, int band) const {
    if (f.first >= f.end || band < first_band || band > last_band) return empty_level;
    double sum = 0;
    for (int t = f.first; t < f.end; ++t)
        sum += power_[cell(t, band)];
    return decibels(float(sum / (f.end - f.first)));
}

bool NoteChecker::drawn_over(const Model& m, Frames f, int band) const {
    if (band < first_band || band > last_band) return true;
    for (int t = f.first; t < f.end; ++t)
        if (m.drawn[cell(t, band)] != 0) return true;
    return false;
}

float NoteChecker::loudness(Frames f) const {
    if (f.first >= f.end) return empty_level;
    double sum = 0;
    for (int t = f.first; t < f.end; ++t)
        sum += loudest_[std::size_t(t)];
    return decibels(float(sum / (f.end - f.first)));
}

NoteChecker::Model NoteChecker::model(std::span<const CheckNote> notes) const {
    Model m;
    m.fundamental.swap(kept_fundamental_);
    m.harmonics.swap(kept_harmonics_);
    m.loud_harmonics.swap(kept_loud_harmonics_);
    m.drawn.swap(kept_drawn_);
    const std::size_t cells = std::size_t(frames_) * cells_per_frame;
    m.drawn.assign(cells, 0);
    for (const CheckNote& n : notes) {
        if (n.band < first_band || n.band > last_band) continue;
        for (int t = std::max(n.first, 0); t < std::min(n.end, frames_); ++t)
            m.drawn[cell(t, n.band)] = std::uint8_t(std::min(m.drawn[cell(t, n.band)] + 1, 255));
    }

    // Each group's profile: per harmonic, the median of its level under the
    // fundamental over the notes that sound and whose harmonic band no
    // other note shares.
    std::map<int, std::array<std::vector<float>, partial_count>> samples;
    std::map<int, std::array<std::vector<std::pair<int, float>>, partial_count>> by_band;
    std::array<std::vector<float>, partial_count> all;
    for (const CheckNote& n : notes) {
        if (n.band < first_band || n.band > last_band) continue;
        const Frames f = judged(n);
        const float fundamental = mean_level(f, n.band);
        if (f.first >= f.end || fundamental < loudness(f) - audible_range_db) continue;
        for (std::size_t h = 0; h < partial_count; ++h) {
            const int x = n.band + partial_steps[h];
            if (x < first_band || x > last_band) continue;
            bool shared = false;
            for (int t = f.first; t < f.end && !shared; ++t)
                shared = m.drawn[cell(t, x)] != 0;
            // Only a partial that starts with the note is its own: sound
            // there before it belongs to something else.
            const float level = mean_level(f, x);
            const bool heard = level >= loudness(f) - audible_range_db;
            if (shared || (heard && f.first >= onset_frames + 1 &&
                           level - mean_level(before_onset(f), x) < onset_rise_db))
                continue;
            const float d = level - fundamental;
            samples[n.group][h].push_back(d);
            by_band[n.group][h].emplace_back(n.band, d);
            all[h].push_back(d);
        }
    }
    // The median and the 90th percentile of `s` into partial `h` of `p`,
    // when it holds enough samples.
    auto level = [](HarmonicProfile& p, std::size_t h, std::vector<float>& s) {
        if (s.size() < profile_notes) return;
        p.gain_db[h] = std::clamp(quantile(s, 0.5), -40.0f, 20.0f);
        p.loud_db[h] = std::clamp(quantile(s, 0.9), p.gain_db[h], 20.0f);
    };
    auto learn = [&](HarmonicProfile base, std::array<std::vector<float>, partial_count>& s) {
        Profile p{base, {}};
        for (std::size_t h = 0; h < partial_count; ++h) {
            level(p.db, h, s[h]);
            p.power[h] = to_power(p.db.gain_db[h]);
            p.loud_power[h] = to_power(p.db.loud_db[h]);
        }
        return p;
    };
    m.common = learn(default_profile, all);
    for (auto& [group, s] : samples)
        m.profiles.emplace_back(group, learn(m.common.db, s));
    // Around each band, from the group's notes near it; with too few, the
    // group's levels.
    std::vector<float> near;
    for (const auto& [group, s] : by_band) {
        std::vector<HarmonicProfile> bands(cells_per_frame, m.profile(group).db);
        for (int b = first_band; b <= last_band; ++b)
            for (std::size_t h = 0; h < partial_count; ++h) {
                near.clear();
                for (const auto& [band, d] : s[h])
                    if (std::abs(band - b) <= register_span) near.push_back(d);
                level(bands[std::size_t(b)], h, near);
            }
        m.registers.emplace_back(group, std::move(bands));
    }

    // What the notes explain: their own bands, and their harmonics.
    m.fundamental.assign(cells, 0.0f);
    m.harmonics.assign(cells, 0.0f);
    m.loud_harmonics.assign(cells, 0.0f);
    for (const CheckNote& n : notes) {
        if (n.band < first_band || n.band > last_band) continue;
        const Profile& p = m.profile(n.group);
        for (int t = std::max(n.first, 0); t < std::min(n.end, frames_); ++t) {
            const float fundamental = power_[cell(t, n.band)];
            m.fundamental[cell(t, n.band)] += fundamental;
            for (std::size_t h = 0; h < partial_count; ++h) {
                const int x = n.band + partial_steps[h];
                if (x < first_band || x > last_band) continue;
                m.harmonics[cell(t, x)] += fundamental * p.power[h];
                m.loud_harmonics[cell(t, x)] += fundamental * p.loud_power[h];
            }
        }
    }
    return m;
}

const HarmonicProfile& NoteChecker::Model::around(int group, int band) const {
    if (band >= first_band && band <= last_band)
        for (const auto& [g, bands] : registers)
            if (g == group) return bands[std::size_t(band)];
    return profile(group).db;
}

const NoteChecker::Profile& NoteChecker::Model::profile(int group) const {
    for (const auto& [g, p] : profiles)
        if (g == group) return p;
    return common;
}

// Mean power over `f` at `band` that the notes other than `self` leave
// unexplained, in dB.
float NoteChecker::unexplained(const Model& m, const CheckNote& self, Frames f, int band,
                               bool loud) const {
    if (f.first >= f.end || band < first_band || band > last_band) return empty_level;
    const Profile& p = m.profile(self.group);
    const auto& gains = loud ? p.loud_power : p.power;
    const std::vector<float>& harmonics = loud ? m.loud_harmonics : m.harmonics;
    float own_gain = band == self.band ? 1.0f : 0.0f;
    for (std::size_t h = 0; h < partial_count; ++h)
        if (self.band + partial_steps[h] == band) own_gain += gains[h];
    double sum = 0;
    for (int t = f.first; t < f.end; ++t) {
        const std::size_t c = cell(t, band);
        const float own = own_gain * power_[cell(t, self.band)];
        const float others = m.fundamental[c] + harmonics[c] - own;
        sum += std::max(power_[c] - std::max(others, 0.0f), 0.0f);
    }
    return decibels(float(sum / (f.end - f.first)));
}

namespace {

// Whether sound `d` dB over a note, an octave below it, is more likely a
// note whose second harmonic the note was drawn on (`second_db` under its
// fundamental) than the note's own sub-octave (`sub_db` under the note).
bool above_own_sub(float d, float sub_db, float second_db) {
    const float as_sub = sub_db, as_fundamental = -second_db;
    if (as_fundamental <= as_sub + octave_margin_db) return d >= as_sub + octave_margin_db;
    return d >= (as_sub + as_fundamental) / 2;
}

} // namespace

NoteFinding NoteChecker::judge(const Model& m, const CheckNote& n, int line) const {
    const int b = n.band;
    if (b < first_band || b > last_band) return {NoteVerdict::weak, 1.0f, b};
    const Frames f = judged(n);
    if (f.first >= f.end) return {NoteVerdict::weak, 1.0f, b};
    const HarmonicProfile& p = m.profile(n.group).db;
    // The partials as the group's notes around the note have them, and as
    // those around its octave below do (where the note it stands for would
    // be, were it drawn over that note's second harmonic).
    const HarmonicProfile& here = m.around(n.group, b);
    const HarmonicProfile& below = m.around(n.group, b - 12);
    const float own = mean_level(f, b);
    const float floor = std::max(loudness(f) - audible_range_db, silent_db);
    auto u = [&](int band, bool loud = false) { return unexplained(m, n, f, band, loud); };
    // Unexplained sound at `band` that stands above the bands beside it, as
    // a note does and noise does not.
    auto sounds = [&](int band, float least, bool loud = false) {
        const float level = u(band, loud);
        return level >= least && level >= u(band - 1, loud) + peak_db &&
                       level >= u(band + 1, loud) + peak_db
                   ? level
                   : empty_level;
    };

    // A semitone off: the neighbour louder than the note's own band.
    float best = empty_level;
    int best_band = b;
    for (int d : {-1, 1}) {
        const float level = sounds(b + d, floor);
        if (level >= own + 3.0f && level > best) best = level, best_band = b + d;
    }
    if (best_band != b) return {NoteVerdict::neighbour, clamp01((best - own) / 12.0f), best_band};

    // Unexplained sound at `band` that starts with the note: it rises into
    // the note's first frames rather than ringing on from before.
    // A note struck again dips and rises: the rise is from the quietest
    // frame around the start to the loudest just after it.
    auto starts = [&](int band, bool loud = false) {
        if (f.first < onset_frames + 1) return true;
        float dip = 0, peak = empty_level;
        for (int t = f.first - onset_frames - 1; t < std::min(f.first + 2, f.end); ++t)
            dip = std::min(dip, unexplained(m, n, {t, t + 1}, band, loud));
        for (int t = f.first; t < std::min(f.first + onset_frames + 2, f.end); ++t)
            peak = std::max(peak, unexplained(m, n, {t, t + 1}, band, loud));
        return peak - dip >= onset_rise_db;
    };

    // An octave low: sound an octave above (none past the top row, however
    // faint the note) starting with the note, clearly louder than the note
    // and than its own second harmonic would make it.
    const float above = sounds(b + 12, floor);
    const float own_second =
        here.loud_db[second] + (line == 12 ? line_octave_margin_db : octave_above_margin_db);
    if (above > empty_level && above >= own + own_second && starts(b + 12))
        return {NoteVerdict::octave, clamp01((above - own - own_second) / 12.0f + 0.5f), b + 12};
    // Over the second harmonic of a lower note nobody drew, which starts
    // with it, is as loud as that harmonic needs, and is more than the
    // note's own sub-octave.
    const int low = b - 12;
    // With the part's line there, the sound an octave below starting with
    // the note and passing what its loud second harmonic explains is enough.
    if (line == -12) {
        const float level = sounds(low, floor, true);
        const float least = own - below.loud_db[second] + line_octave_margin_db;
        if (level > empty_level && level >= least && starts(low, true))
            return {NoteVerdict::octave, clamp01((level - least) / 12.0f + 0.5f), low};
    }
    // A fundamental far under its overtones still counts here: the note
    // drawn on its harmonic is the evidence.
    const float level =
        sounds(low, std::max(own - below.loud_db[second] - octave_margin_db, silent_db), true);
    if (level > empty_level && own <= level + below.loud_db[second] + octave_margin_db &&
        level >= own - below.loud_db[second] - octave_margin_db &&
        above_own_sub(level - own, p.gain_db[sub_octave], below.gain_db[second]) &&
        starts(low, true))
        return {NoteVerdict::octave,
                clamp01((level + below.loud_db[second] + octave_margin_db - own) / 12.0f), low};

    // How loud the note is: its own band, or what its 2nd … 4th harmonics
    // tell of it, two of them at least, when they sound (some instruments'
    // fundamentals are far softer than their overtones).
    std::array<float, 3> told{empty_level, empty_level, empty_level};
    for (std::size_t i = 0; i < told.size(); ++i) {
        const int x = b + partial_steps[second + i];
        const float level = mean_level(f, x);
        if (x <= last_band && level >= silent_db) told[i] = level - p.gain_db[second + i];
    }
    std::sort(told.begin(), told.end());
    const float strength = std::max(own, told[1]);
    const float below_level = mean_level(f, b - 1), above_level = mean_level(f, b + 1);
    const float beside = std::max(below_level, above_level);
    const float weak_floor = std::max(loudness(f) - weak_range_db, silent_db);
    // Loud enough, but under a band a semitone away that no note is drawn
    // on: the note is that band's sound misplaced, to be moved there.
    const int louder = above_level > below_level ? b + 1 : b - 1;
    if (strength >= weak_floor && own < beside - 6.0f && !drawn_over(m, f, louder))
        return {NoteVerdict::neighbour, clamp01((beside - 6.0f - own) / 12.0f), louder};
    if (strength < weak_floor || own < beside - 6.0f)
        return {NoteVerdict::weak,
                clamp01(std::max(weak_floor - strength, beside - 6.0f - own) / 12.0f), b};
    return {NoteVerdict::ok, clamp01((strength - weak_floor) / 20.0f), b};
}

std::vector<MissingNote> NoteChecker::find_missing(const Model& m) const {
    // Left unexplained, with room for harmonics louder than the profile.
    const float slack = to_power(harmonic_slack_db);
    auto left = [&](int t, int b) {
        if (b < first_band || b > last_band) return 0.0f;
        const std::size_t c = cell(t, b);
        return std::max(power_[c] - m.fundamental[c] - slack * m.loud_harmonics[c], 0.0f);
    };
    const float range = to_power(-audible_range_db), silent = to_power(silent_db);
    struct Run {
        MissingNote note;
        float level; // dB, the run's mean residual
    };
    std::vector<Run> found;
    // A band's run of frames [start, last]: kept when it is long, rises
    // into its start and is loud enough.
    auto close = [&](int b, int start, int last, double sum) {
        const int end = last + 1;
        // The rise into the run: its loudest early frame against the
        // quietest just before (silence before the recording).
        float early = empty_level, before = 0;
        for (int t = start; t < std::min(start + onset_frames + 1, end); ++t)
            early = std::max(early, decibels(power_[cell(t, b)]));
        for (int t = start - onset_frames - 1; t < start; ++t)
            before = std::min(before, t < 0 ? empty_level : decibels(power_[cell(t, b)]));
        // A drawn note ending here leaves its ringing, not a new note.
        bool tail = false;
        for (int t = std::max(start - 3, 0); t < start && !tail; ++t)
            tail = m.drawn[cell(t, b)] != 0;
        const float level = decibels(float(sum / (end - start)));
        const Frames run{start, end};
        // A band's window reaches half its length before a frame, and a
        // low band's is a semitone wide: a drawn note's band shows its
        // sound before it starts, and its attack spreads into the bands
        // beside it. A run there is the drawn note's, not one of its own:
        // one that starts within that reach of a note drawn on its band, or
        // that starts as a note drawn a semitone away is struck (from
        // leakage_before frames before the run to that note's reach after
        // it) and stays leakage_db under it.
        for (int t = end; t < std::min(end + reach_frames(b), frames_) && !tail; ++t)
            tail = m.drawn[cell(t, b)] != 0 && start >= t - reach_frames(b);
        for (int d : {-1, 1}) {
            const int side = b + d;
            if (side < first_band || side > last_band || tail) continue;
            bool struck = false;
            for (int t = std::max(start - leakage_before, 0);
                 t <= std::min(start + reach_frames(side), frames_ - 1) && !struck; ++t)
                struck = m.drawn[cell(t, side)] != 0 && (t == 0 || m.drawn[cell(t - 1, side)] == 0);
            if (struck && mean_level(run, side) >= level + leakage_db) tail = true;
        }
        // Quieter than its frames' loudest by up to the audible range
        // when it stands well above the bands beside it.
        const bool loud =
            level >= loudness(run) - missing_range_db ||
            level >= std::max(mean_level(run, b - 1), mean_level(run, b + 1)) + clear_peak_db;
        if (end - start >= missing_frames && early - before >= missing_rise_db && !tail && loud)
            found.push_back({{start, end, b, 0.0f}, level});
    };
    // Frame by frame, every band's run at once: the cells of a frame lie
    // together, where a pass along one band would stride through memory.
    struct Open {
        int start = -1, last = -1;
        double sum = 0;
    };
    std::array<Open, cells_per_frame> runs{};
    std::array<float, cells_per_frame + 1> here{};
    for (int t = 0; t < frames_; ++t) {
        for (int b = first_band - 1; b <= last_band + 1; ++b)
            here[std::size_t(b)] = left(t, b);
        const float least = std::max(silent, range * loudest_[std::size_t(t)]);
        for (int b = first_band; b <= last_band; ++b) {
            const float r = here[std::size_t(b)];
            Open& o = runs[std::size_t(b)];
            const bool on = m.drawn[cell(t, b)] == 0 && r >= least &&
                            r >= here[std::size_t(b - 1)] && r >= here[std::size_t(b + 1)];
            if (on) {
                if (o.start < 0) o.start = t;
                o.last = t;
                o.sum += r;
            } else if (o.start >= 0 && t - o.last > missing_gap) {
                close(b, o.start, o.last, o.sum);
                o = {};
            }
        }
    }
    for (int b = first_band; b <= last_band; ++b)
        if (const Open& o = runs[std::size_t(b)]; o.start >= 0) close(b, o.start, o.last, o.sum);
    // Band by band, each band's runs in order, as the harmonics below need.
    std::sort(found.begin(), found.end(), [](const Run& x, const Run& y) {
        return std::tie(x.note.band, x.note.first) < std::tie(y.note.band, y.note.first);
    });
    // A run over a harmonic of a louder run below it is part of that note.
    // Found band by band, so the runs below a run come before it.
    std::vector<Run> kept;
    std::vector<MissingNote> missing;
    for (const Run& c : found) {
        bool harmonic = false;
        for (const Run& low : kept) {
            for (std::size_t h = first_harmonic; h < partial_count && !harmonic; ++h) {
                if (low.note.band + partial_steps[h] != c.note.band) continue;
                const int overlap =
                    std::min(low.note.end, c.note.end) - std::max(low.note.first, c.note.first);
                harmonic = 2 * overlap >= c.note.end - c.note.first &&
                           c.level <= low.level + m.common.db.loud_db[h] + octave_margin_db;
            }
            if (harmonic) break;
        }
        if (harmonic) continue;
        kept.push_back(c);
        // Above the 8th harmonic of a drawn note, the upper partials crowd
        // together: only a loud run there is a note of its own.
        const Frames run{c.note.first, c.note.end};
        const float over_loudest = c.level - loudness(run);
        bool upper_partials = false;
        for (int t = run.first; t < run.end && !upper_partials; ++t)
            for (int b = first_band; b < c.note.band - partial_steps.back() && !upper_partials; ++b)
                upper_partials = m.drawn[cell(t, b)] != 0;
        if (upper_partials && over_loudest < -upper_range_db) continue;
        // Confidence from how far the run stands above its frames' floor, or
        // above the bands beside it.
        const float beside =
            std::max(mean_level(run, c.note.band - 1), mean_level(run, c.note.band + 1));
        MissingNote n = c.note;
        n.confidence = clamp01(std::max((over_loudest + missing_range_db) / 15.0f,
                                        (c.level - beside - clear_peak_db) / 15.0f + 0.2f));
        missing.push_back(n);
    }
    return missing;
}

void NoteChecker::add_heard(const Model& m, std::span<const CheckNote> notes,
                            std::vector<MissingNote>& missing) const {
    // The notes by start, and the missing runs found so far by band.
    std::vector<const CheckNote*> by_start;
    by_start.reserve(notes.size());
    for (const CheckNote& n : notes)
        by_start.push_back(&n);
    std::sort(by_start.begin(), by_start.end(),
              [](const CheckNote* a, const CheckNote* b) { return a->first < b->first; });
    std::vector<std::vector<std::pair<int, int>>> runs(cells_per_frame);
    for (const MissingNote& x : missing)
        runs[std::size_t(x.band)].emplace_back(x.first, x.end);
    for (const SuggestedNote& h : heard_) {
        // Drawn on its band as it starts, or for half of it. A note drawn
        // only later on is the next note of that pitch, which the
        // decomposition joined to this one: what sounds before it is missing.
        const int first = std::max(h.first, 0), end = std::min(h.end, frames_);
        int drawn_frames = 0, until = end;
        for (int t = first; t < end; ++t)
            if (m.drawn[cell(t, h.band)] != 0) {
                ++drawn_frames;
                until = std::min(until, t);
            }
        bool drawn = until < first + onset_frames || 2 * drawn_frames >= end - first;
        // Over a strong harmonic of a drawn note struck with it: the
        // decomposition takes a string's or a reed's loud octave or twelfth
        // for a note of its own.
        auto it = std::lower_bound(by_start.begin(), by_start.end(), h.first - (onset_frames - 1),
                                   [](const CheckNote* n, int first) { return n->first < first; });
        for (; it != by_start.end() && (*it)->first <= h.first + onset_frames - 1 && !drawn; ++it) {
            const CheckNote& n = **it;
            const Profile& g = m.profile(n.group);
            for (std::size_t k = second; k < partial_count && !drawn; ++k) {
                if (n.band + partial_steps[k] != h.band || g.db.loud_db[k] < 0.0f) continue;
                // No louder than that harmonic comes from the note's own
                // fundamental, over the frames both sound: a note struck
                // on it passes that level.
                const Frames f{std::max(first, n.first),
                               std::min({end, n.end, first + judged_frames})};
                drawn = f.first >= f.end ||
                        mean_level(f, h.band) <= mean_level(f, n.band) + g.db.loud_db[k];
            }
        }
        // A residual run at its band already lists it when the run starts
        // with it or covers half of it; a run that only overlaps it is
        // another note of that pitch.
        const auto& known = runs[std::size_t(h.band)];
        const bool found = std::any_of(known.begin(), known.end(), [&](const auto& x) {
            const int overlap = std::min(x.second, h.end) - std::max(x.first, h.first);
            return std::abs(x.first - h.first) <= onset_frames + 1 ||
                   2 * overlap >= h.end - h.first;
        });
        if (!drawn && !found) missing.push_back({h.first, until, h.band, heard_confidence});
        // After a drawn note the decomposition joined to it, a stretch
        // undrawn long enough, that rises out of the drawn note's end, is
        // the same pitch struck again.
        for (int t = until; t < end;) {
            if (m.drawn[cell(t, h.band)] != 0) {
                ++t;
                continue;
            }
            int stop = t;
            while (stop < end && m.drawn[cell(stop, h.band)] == 0)
                ++stop;
            if (t > first && stop - t >= missing_frames) {
                float early = empty_level, dip = 0;
                for (int k = t; k < std::min(t + onset_frames + 1, stop); ++k)
                    early = std::max(early, decibels(power_[cell(k, h.band)]));
                for (int k = std::max(t - 2, 0); k < t + 2; ++k)
                    dip = std::min(dip, decibels(power_[cell(k, h.band)]));
                const bool known_run = std::any_of(known.begin(), known.end(), [&](const auto& x) {
                    return x.first < stop && t < x.second;
                });
                if (early - dip >= restruck_rise_db && !known_run)
                    missing.push_back({t, stop, h.band, heard_confidence});
            }
            t = stop;
        }
    }
}

namespace {

// The notes of each part (group) by onset, so that a part's line around a
// moment is found by search, not by a pass over every note: the check after
// each edit of a long drawing stays near linear in its notes.
class PartLines {
  public:
    explicit PartLines(std::span<const CheckNote> notes) {
        for (const CheckNote& n : notes) {
            auto it = std::find_if(parts_.begin(), parts_.end(),
                                   [&](const Part& p) { return p.group == n.group; });
            if (it == parts_.end()) it = parts_.insert(parts_.end(), Part{n.group, {}, {}});
            it->notes.push_back(&n);
        }
        for (Part& p : parts_) {
            std::stable_sort(
                p.notes.begin(), p.notes.end(),
                [](const CheckNote* a, const CheckNote* b) { return a->first < b->first; });
            int latest = std::numeric_limits<int>::min();
            for (const CheckNote* n : p.notes)
                p.end_so_far.push_back(latest = std::max(latest, n->end));
        }
    }

    // +12 when the notes of the note's part struck just before and just
    // after it both lie near its octave above and far from the note itself
    // (a note drawn an octave low leaves its line and comes straight back),
    // -12 for the octave below, 0 otherwise.
    int line_octave(const CheckNote& n) const {
        const Part& p = part(n.group);
        const auto [before, after] = neighbour_onsets(p, n.first);
        if (before == std::numeric_limits<int>::min() || after == std::numeric_limits<int>::max())
            return 0;
        for (int dir : {12, -12}) {
            bool fits = true;
            for (int at : {before, after}) {
                // The nearest of the notes struck at `at`, to the note and to its octave.
                int to_note = std::numeric_limits<int>::max(), to_octave = to_note;
                for (const CheckNote* o : struck_at(p, at)) {
                    to_note = std::min(to_note, std::abs(o->band - n.band));
                    to_octave = std::min(to_octave, std::abs(o->band - n.band - dir));
                }
                fits = fits && to_note >= line_leap && to_octave <= line_near;
            }
            if (fits) return dir;
        }
        return 0;
    }

    // Whether a part other than the note's, with no note sounding as it
    // starts (one struck up to two frames after it counts as sounding with
    // it), has its line nearer `band` than the note's own part.
    bool other_part_nearer(const CheckNote& n, int band) const {
        const int own = line_distance(part(n.group), n.first, band);
        return std::any_of(parts_.begin(), parts_.end(), [&](const Part& p) {
            if (p.group == n.group) return false;
            const auto struck =
                std::upper_bound(p.notes.begin(), p.notes.end(), n.first + 2,
                                 [](int t, const CheckNote* o) { return t < o->first; });
            const std::size_t count = std::size_t(struck - p.notes.begin());
            const bool sounding = count > 0 && p.end_so_far[count - 1] > n.first;
            return !sounding && line_distance(p, n.first, band) < own;
        });
    }

  private:
    struct Part {
        int group = 0;
        std::vector<const CheckNote*> notes; // by onset
        std::vector<int> end_so_far;         // the latest end of notes[0 … i]
    };

    // Every note's part is listed.
    const Part& part(int group) const {
        return *std::find_if(parts_.begin(), parts_.end(),
                             [&](const Part& p) { return p.group == group; });
    }
    // The part's notes struck at `first`.
    static std::span<const CheckNote* const> struck_at(const Part& p, int first) {
        const auto lo = std::lower_bound(p.notes.begin(), p.notes.end(), first,
                                         [](const CheckNote* o, int t) { return o->first < t; });
        const auto hi = std::upper_bound(lo, p.notes.end(), first,
                                         [](int t, const CheckNote* o) { return t < o->first; });
        return {lo, hi};
    }
    // The onsets of the part's notes struck last before `first` and first
    // after it: INT_MIN and INT_MAX without such notes.
    static std::pair<int, int> neighbour_onsets(const Part& p, int first) {
        const auto at = struck_at(p, first);
        const auto lo = p.notes.begin() + (at.data() - p.notes.data());
        const auto hi = lo + std::ptrdiff_t(at.size());
        return {lo == p.notes.begin() ? std::numeric_limits<int>::min() : (*(lo - 1))->first,
                hi == p.notes.end() ? std::numeric_limits<int>::max() : (*hi)->first};
    }
    // How near `band` lie the part's notes struck last before `first` and
    // first after it (its line there); INT_MAX without such notes.
    static int line_distance(const Part& p, int first, int band) {
        const auto [before, after] = neighbour_onsets(p, first);
        int d = std::numeric_limits<int>::max();
        for (int at : {before, after})
            for (const CheckNote* o : struck_at(p, at))
                d = std::min(d, std::abs(o->band - band));
        return d;
    }

    std::vector<Part> parts_;
};

} // namespace

NoteCheckResult NoteChecker::check(std::span<const CheckNote> notes,
                                   std::vector<float>* residual) const {
    Model m = model(notes);
    // The model's memory is kept for the next check, whatever way this ends,
    // up to a recording of frame_limit frames (57 MB); a longer one's would
    // be held for as long as it is checked.
    struct Keep {
        const NoteChecker& checker;
        Model& m;
        ~Keep() {
            if (checker.frames_ > frame_limit) return;
            checker.kept_fundamental_.swap(m.fundamental);
            checker.kept_harmonics_.swap(m.harmonics);
            checker.kept_loud_harmonics_.swap(m.loud_harmonics);
            checker.kept_drawn_.swap(m.drawn);
        }
    } keep{*this, m};
    if (residual) *residual = residual_of(m);
    const PartLines lines(notes);
    NoteCheckResult r;
    r.notes.reserve(notes.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        NoteFinding f = judge(m, notes[i]);
        // A note that leaves its part's line by an octave and comes straight
        // back needs less sound at that octave to be flagged.
        const bool passed = f.verdict == NoteVerdict::ok || f.verdict == NoteVerdict::weak;
        if (const int line = passed ? lines.line_octave(notes[i]) : 0; line != 0) {
            const NoteFinding again = judge(m, notes[i], line);
            if (again.verdict == NoteVerdict::octave) f = again;
        }
        r.notes.push_back(f);
    }
    r.missing = find_missing(m);
    add_heard(m, notes, r.missing);
    // Sound a flagged note stands for is not missing as well: it is the
    // same mistake. Not so for a note flagged an octave off when another
    // part, silent as it starts, has its line nearer that sound than the
    // note's own part: that part's note was left out, and its sound is what
    // flagged the note.
    std::vector<CheckNote> stands_for; // the flagged notes, at their sound's band
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const NoteFinding& f = r.notes[i];
        if (f.verdict == NoteVerdict::ok) continue;
        if (f.verdict == NoteVerdict::octave && lines.other_part_nearer(notes[i], f.sounding_band))
            continue;
        stands_for.push_back({notes[i].first, notes[i].end, f.sounding_band});
    }
    std::erase_if(r.missing, [&](const MissingNote& miss) {
        return std::any_of(stands_for.begin(), stands_for.end(), [&](const CheckNote& n) {
            const int overlap = std::min(n.end, miss.end) - std::max(n.first, miss.first);
            return n.band == miss.band && 2 * overlap >= miss.end - miss.first;
        });
    });
    std::sort(r.missing.begin(), r.missing.end(), [](const MissingNote& a, const MissingNote& b) {
        return a.first != b.first ? a.first < b.first : a.band < b.band;
    });
    return r;
}

std::vector<float> NoteChecker::residual_of(const Model& m) const {
    std::vector<float> out(std::size_t(frames_) * cells_per_frame, empty_level);
    for (int t = 0; t < frames_; ++t)
        for (int b = first_band; b <= last_band; ++b) {
            const std::size_t c = cell(t, b);
            out[c] = std::max(decibels(power_[c] - m.fundamental[c] - m.harmonics[c]), empty_level);
        }
    return out;
}

NoteCheckResult check_notes(const SpectrogramStore& store, std::span<const CheckNote> notes) {
    return NoteChecker(store).check(notes);
}

} // namespace pitkad
