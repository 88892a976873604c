#include "analysis/note_check.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace pitkad {

namespace {

// Semitones from a fundamental to its 2nd … 8th harmonics.
constexpr std::array<int, harmonic_count> harmonic_steps{12, 19, 24, 28, 31, 34, 36};
// A harmonic's level under its fundamental when the notes tell too little.
constexpr HarmonicProfile default_profile{{-6, -12, -15, -18, -20, -22, -24}};
// Notes that make a group's own profile; fewer borrow every note's.
constexpr std::size_t profile_notes = 5;
// A note is judged on its first half second.
constexpr int judged_frames = 25;
// How far under the loudest band of its frames sound still counts.
constexpr float audible_range_db = 30.0f;
// A harmonic may be this much louder than the profile says before what is
// left of it counts as sound of its own.
constexpr float harmonic_slack_db = 9.0f;
// Missing notes: within this of their frames' loudest band, at least
// `missing_frames` long (gaps of up to `missing_gap` frames bridged), rising
// at least `missing_rise_db` into their start.
constexpr float missing_range_db = 25.0f;
constexpr int missing_frames = 5;
constexpr int missing_gap = 2;
constexpr float missing_rise_db = 6.0f;
constexpr float silent_db = -60.0f;

float decibels(float power) { return power > 1e-10f ? 10.0f * std::log10(power) : empty_level; }
float to_power(float db) { return std::pow(10.0f, db / 10.0f); }
float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float median(std::vector<float>& v) {
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace

NoteChecker::NoteChecker(const SpectrogramStore& store) : frames_(store.held_frames()) {
    power_.assign(std::size_t(frames_) * cells_per_frame, 0.0f);
    loudest_.assign(std::size_t(frames_), 0.0f);
    for (int t = 0; t < frames_; ++t) {
        float loud = 0;
        for (int b = first_band; b <= last_band; ++b) {
            const float p = to_power(std::max(store.at(t, b), empty_level));
            power_[cell(t, b)] = p;
            loud = std::max(loud, p);
        }
        loudest_[std::size_t(t)] = loud;
    }
}

NoteChecker::Frames NoteChecker::judged(const CheckNote& n) const {
    const int first = std::clamp(n.first, 0, frames_);
    const int end = std::clamp(std::min(n.end, n.first + judged_frames), first, frames_);
    return {first, end};
}

float NoteChecker::mean_level(Frames f, int band) const {
    if (f.first >= f.end || band < first_band || band > last_band) return empty_level;
    double sum = 0;
    for (int t = f.first; t < f.end; ++t) sum += power_[cell(t, band)];
    return decibels(float(sum / (f.end - f.first)));
}

float NoteChecker::loudness(Frames f) const {
    if (f.first >= f.end) return empty_level;
    double sum = 0;
    for (int t = f.first; t < f.end; ++t) sum += loudest_[std::size_t(t)];
    return decibels(float(sum / (f.end - f.first)));
}

NoteChecker::Model NoteChecker::model(std::span<const CheckNote> notes) const {
    Model m;
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
    std::map<int, std::array<std::vector<float>, harmonic_count>> samples;
    std::array<std::vector<float>, harmonic_count> all;
    for (const CheckNote& n : notes) {
        if (n.band < first_band || n.band > last_band) continue;
        const Frames f = judged(n);
        const float fundamental = mean_level(f, n.band);
        if (f.first >= f.end || fundamental < loudness(f) - audible_range_db) continue;
        for (std::size_t h = 0; h < harmonic_count; ++h) {
            const int x = n.band + harmonic_steps[h];
            if (x > last_band) break;
            bool shared = false;
            for (int t = f.first; t < f.end && !shared; ++t) shared = m.drawn[cell(t, x)] != 0;
            if (shared) continue;
            const float d = mean_level(f, x) - fundamental;
            samples[n.group][h].push_back(d);
            all[h].push_back(d);
        }
    }
    auto learn = [](HarmonicProfile base, std::array<std::vector<float>, harmonic_count>& s) {
        Profile p{base, {}};
        for (std::size_t h = 0; h < harmonic_count; ++h) {
            if (s[h].size() >= profile_notes)
                p.db.gain_db[h] = std::clamp(median(s[h]), -40.0f, 6.0f);
            p.power[h] = to_power(p.db.gain_db[h]);
        }
        return p;
    };
    m.common = learn(default_profile, all);
    for (auto& [group, s] : samples) m.profiles.emplace_back(group, learn(m.common.db, s));

    // What the notes explain: their own bands, and their harmonics.
    m.fundamental.assign(cells, 0.0f);
    m.harmonics.assign(cells, 0.0f);
    for (const CheckNote& n : notes) {
        if (n.band < first_band || n.band > last_band) continue;
        const Profile& p = m.profile(n.group);
        for (int t = std::max(n.first, 0); t < std::min(n.end, frames_); ++t) {
            const float fundamental = power_[cell(t, n.band)];
            m.fundamental[cell(t, n.band)] += fundamental;
            for (std::size_t h = 0; h < harmonic_count; ++h) {
                const int x = n.band + harmonic_steps[h];
                if (x > last_band) break;
                m.harmonics[cell(t, x)] += fundamental * p.power[h];
            }
        }
    }
    return m;
}

const NoteChecker::Profile& NoteChecker::Model::profile(int group) const {
    for (const auto& [g, p] : profiles)
        if (g == group) return p;
    return common;
}

// Mean power over `f` at `band` that the notes other than `self` leave
// unexplained, in dB.
float NoteChecker::unexplained(const Model& m, const CheckNote& self, Frames f, int band) const {
    if (f.first >= f.end || band < first_band || band > last_band) return empty_level;
    const Profile& p = m.profile(self.group);
    float own_gain = band == self.band ? 1.0f : 0.0f;
    for (std::size_t h = 0; h < harmonic_count; ++h)
        if (self.band + harmonic_steps[h] == band) own_gain += p.power[h];
    double sum = 0;
    for (int t = f.first; t < f.end; ++t) {
        const std::size_t c = cell(t, band);
        const float own = own_gain * power_[cell(t, self.band)];
        const float others = m.fundamental[c] + m.harmonics[c] - own;
        sum += std::max(power_[c] - std::max(others, 0.0f), 0.0f);
    }
    return decibels(float(sum / (f.end - f.first)));
}

NoteFinding NoteChecker::judge(const Model& m, const CheckNote& n) const {
    const int b = n.band;
    if (b < first_band || b > last_band) return {NoteVerdict::weak, 1.0f, b};
    const Frames f = judged(n);
    if (f.first >= f.end) return {NoteVerdict::weak, 1.0f, b};
    const HarmonicProfile& p = m.profile(n.group).db;
    const float own = mean_level(f, b);
    const float floor = std::max(loudness(f) - audible_range_db, silent_db);
    auto u = [&](int band) { return unexplained(m, n, f, band); };
    // Unexplained sound at `band` that stands above the bands beside it.
    auto sounds = [&](int band) {
        const float level = u(band);
        return level >= floor && level >= u(band - 1) && level >= u(band + 1)
                   ? level
                   : empty_level;
    };

    // A semitone off: the neighbour louder than the note's own band.
    float best = empty_level;
    int best_band = b;
    for (int d : {-1, 1}) {
        const float level = sounds(b + d);
        if (level >= own + 3.0f && level > best) best = level, best_band = b + d;
    }
    if (best_band != b) return {NoteVerdict::neighbour, clamp01((best - own) / 12.0f), best_band};

    // An octave low: the octave above louder than the note's own second
    // harmonic would make it.
    const float above = sounds(b + 12);
    if (above >= own + p.gain_db[0] + 6.0f)
        return {NoteVerdict::octave, clamp01((above - own - p.gain_db[0]) / 12.0f), b + 12};
    // Over a harmonic of a lower note nobody drew.
    for (std::size_t h : {0u, 1u, 2u}) {
        const int low = b - harmonic_steps[h];
        const float level = sounds(low);
        if (level > empty_level && own <= level + p.gain_db[h] + harmonic_slack_db)
            return {NoteVerdict::octave, clamp01((level + p.gain_db[h] + harmonic_slack_db - own) / 12.0f),
                    low};
    }

    const float beside = std::max(mean_level(f, b - 1), mean_level(f, b + 1));
    if (own < floor || own < beside - 6.0f)
        return {NoteVerdict::weak, clamp01(std::max(floor - own, beside - 6.0f - own) / 12.0f), b};
    return {NoteVerdict::ok, clamp01((own - floor) / 20.0f), b};
}

std::vector<MissingNote> NoteChecker::find_missing(const Model& m) const {
    // Left unexplained, with room for harmonics louder than the profile.
    const float slack = to_power(harmonic_slack_db);
    auto left = [&](int t, int b) {
        if (b < first_band || b > last_band) return 0.0f;
        const std::size_t c = cell(t, b);
        return std::max(power_[c] - m.fundamental[c] - slack * m.harmonics[c], 0.0f);
    };
    const float range = to_power(-missing_range_db), silent = to_power(silent_db);
    struct Run {
        MissingNote note;
        float level; // dB, the run's mean residual
    };
    std::vector<Run> found;
    for (int b = first_band; b <= last_band; ++b) {
        int start = -1, last = -1;
        double sum = 0;
        auto close = [&] {
            if (start < 0) return;
            const int end = last + 1;
            const int before = std::max(start - 3, 0);
            const float rise = decibels(power_[cell(std::min(start + 2, frames_ - 1), b)]) -
                               decibels(power_[cell(before, b)]);
            // A drawn note ending here leaves its ringing, not a new note.
            bool tail = false;
            for (int t = before; t < start && !tail; ++t) tail = m.drawn[cell(t, b)] != 0;
            if (end - start >= missing_frames && rise >= missing_rise_db && !tail) {
                const float level = decibels(float(sum / (end - start)));
                found.push_back({{start, end, b, 0.0f}, level});
            }
            start = -1;
            sum = 0;
        };
        for (int t = 0; t < frames_; ++t) {
            const float r = left(t, b);
            const bool on = m.drawn[cell(t, b)] == 0 && r >= silent && r >= range * loudest_[std::size_t(t)] &&
                            r >= left(t, b - 1) && r >= left(t, b + 1);
            if (on) {
                if (start < 0) start = t;
                last = t;
                sum += r;
            } else if (start >= 0 && t - last > missing_gap) {
                close();
            }
        }
        close();
    }
    // A run over a harmonic of a louder run below it is part of that note.
    // Found band by band, so the runs below a run come before it.
    std::vector<Run> kept;
    std::vector<MissingNote> missing;
    for (const Run& c : found) {
        bool harmonic = false;
        for (const Run& low : kept) {
            for (std::size_t h = 0; h < harmonic_count && !harmonic; ++h) {
                if (low.note.band + harmonic_steps[h] != c.note.band) continue;
                const int overlap = std::min(low.note.end, c.note.end) - std::max(low.note.first, c.note.first);
                harmonic = 2 * overlap >= c.note.end - c.note.first &&
                           c.level <= low.level + m.common.db.gain_db[h] + harmonic_slack_db;
            }
            if (harmonic) break;
        }
        if (harmonic) continue;
        kept.push_back(c);
        // Confidence from how far the run stands above its frames' floor.
        MissingNote n = c.note;
        n.confidence = clamp01((c.level - (loudness({n.first, n.end}) - missing_range_db)) / 15.0f);
        missing.push_back(n);
    }
    std::sort(missing.begin(), missing.end(), [](const MissingNote& a, const MissingNote& b) {
        return a.first != b.first ? a.first < b.first : a.band < b.band;
    });
    return missing;
}

NoteCheckResult NoteChecker::check(std::span<const CheckNote> notes) const {
    const Model m = model(notes);
    NoteCheckResult r;
    r.notes.reserve(notes.size());
    for (const CheckNote& n : notes) r.notes.push_back(judge(m, n));
    r.missing = find_missing(m);
    // Sound a flagged note stands for is not missing as well: it is the
    // same mistake.
    std::erase_if(r.missing, [&](const MissingNote& miss) {
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const CheckNote& n = notes[i];
            const int overlap = std::min(n.end, miss.end) - std::max(n.first, miss.first);
            if (r.notes[i].verdict != NoteVerdict::ok && r.notes[i].sounding_band == miss.band &&
                2 * overlap >= miss.end - miss.first)
                return true;
        }
        return false;
    });
    return r;
}

std::vector<float> NoteChecker::residual(std::span<const CheckNote> notes) const {
    const Model m = model(notes);
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
