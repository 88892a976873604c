#include "analysis/harmony.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pitkad {

namespace {

// How much of a lower note's level its harmonics are taken to account for.
constexpr double harmonic_share = 0.8;

struct Template {
    std::string label;
    PitchProfile weights{};
};

double cosine(const PitchProfile& a, const PitchProfile& b) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < 12; ++i) {
        ab += a[i] * b[i];
        aa += a[i] * a[i];
        bb += b[i] * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

double correlation(const PitchProfile& a, const PitchProfile& b) {
    const double ma = std::accumulate(a.begin(), a.end(), 0.0) / 12;
    const double mb = std::accumulate(b.begin(), b.end(), 0.0) / 12;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < 12; ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

std::vector<Template> chord_templates() {
    const struct {
        const char* quality;
        std::vector<int> tones;
    } qualities[] = {{"maj", {0, 4, 7}},
                     {"min", {0, 3, 7}},
                     {"7", {0, 4, 7, 10}},
                     {"maj7", {0, 4, 7, 11}},
                     {"min7", {0, 3, 7, 10}}};
    std::vector<Template> t;
    for (const auto& q : qualities)
        for (int r = 0; r < 12; ++r) {
            Template c{std::string(pitch_class_names[r]) + ":" + q.quality, {}};
            for (int tone : q.tones)
                c.weights[std::size_t((r + tone) % 12)] = tone == 0 ? 1.2 : 1.0;
            t.push_back(c);
        }
    return t;
}

std::vector<Template> key_templates() {
    // Krumhansl and Kessler's probe-tone ratings, from the tonic up.
    constexpr double major[12] = {6.35, 2.23, 3.48, 2.33, 4.38, 4.09,
                                  2.52, 5.19, 2.39, 3.66, 2.29, 2.88};
    constexpr double minor[12] = {6.33, 2.68, 3.52, 5.38, 2.60, 3.53,
                                  2.54, 4.75, 3.98, 2.69, 3.34, 3.17};
    std::vector<Template> t;
    for (int m = 0; m < 2; ++m)
        for (int r = 0; r < 12; ++r) {
            Template k{std::string(pitch_class_names[r]) + (m == 0 ? ":maj" : ":min"), {}};
            for (int i = 0; i < 12; ++i)
                k.weights[std::size_t((r + i) % 12)] = (m == 0 ? major : minor)[i];
            t.push_back(k);
        }
    return t;
}

// The best path of labels through the stretches: `fit(j, k)` scores label k
// for stretch j, and changing label costs `change`.
template <class Fit>
std::vector<int> viterbi(std::size_t stretches, std::size_t labels, double change, Fit fit) {
    std::vector<int> path(stretches, 0);
    if (stretches == 0) return path;
    std::vector<double> score(labels), next(labels);
    std::vector<std::vector<int>> from(stretches, std::vector<int>(labels, 0));
    for (std::size_t k = 0; k < labels; ++k)
        score[k] = fit(0, k);
    for (std::size_t j = 1; j < stretches; ++j) {
        const std::size_t best =
            std::size_t(std::max_element(score.begin(), score.end()) - score.begin());
        for (std::size_t k = 0; k < labels; ++k) {
            const bool stay = score[k] >= score[best] - change;
            next[k] = (stay ? score[k] : score[best] - change) + fit(j, k);
            from[j][k] = int(stay ? k : best);
        }
        score.swap(next);
    }
    path.back() = int(std::max_element(score.begin(), score.end()) - score.begin());
    for (std::size_t j = stretches - 1; j > 0; --j)
        path[j - 1] = from[j][std::size_t(path[j])];
    return path;
}

std::vector<HarmonySpan> merged(const std::vector<int>& bounds, const std::vector<int>& path,
                                const std::vector<std::string>& names) {
    std::vector<HarmonySpan> spans;
    for (std::size_t j = 0; j + 1 < bounds.size(); ++j) {
        const std::string& label = names[std::size_t(path[j])];
        if (!spans.empty() && spans.back().label == label)
            spans.back().end = bounds[j + 1];
        else
            spans.push_back({bounds[j], bounds[j + 1], label});
    }
    return spans;
}

// The profile of each stretch between consecutive bounds.
std::vector<PitchProfile> profiles_of(const SpectrogramStore& store,
                                      const std::vector<int>& bounds) {
    std::vector<PitchProfile> profiles;
    for (std::size_t j = 0; j + 1 < bounds.size(); ++j)
        profiles.push_back(pitch_profile(store, bounds[j], bounds[j + 1]));
    return profiles;
}

std::vector<std::string> labels_of(const std::vector<Template>& templates) {
    std::vector<std::string> names;
    for (const Template& t : templates)
        names.push_back(t.label);
    return names;
}

constexpr std::string_view letters = "CDEFGAB";
constexpr std::array<int, 7> natural_classes{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<const char*, 12> neutral_names{"C", "C#", "D",  "Eb", "E",  "F",
                                                    "F#", "G", "Ab", "A",  "Bb", "B"};
// The tonics as their signatures have them: five flats to six sharps.
constexpr std::array<const char*, 12> major_tonics{"C", "Db", "D",  "Eb", "E",  "F",
                                                   "F#", "G", "Ab", "A",  "Bb", "B"};
constexpr std::array<const char*, 12> minor_tonics{"C", "C#", "D",  "D#", "E",  "F",
                                                   "F#", "G", "G#", "A",  "Bb", "B"};
// Letters above the tonic for each interval: I, bII, II, bIII, III, IV,
// #IV, V, bVI, VI, bVII, VII.
constexpr std::array<int, 12> degree_letters{0, 1, 1, 2, 2, 3, 3, 4, 5, 5, 6, 6};

// `pc` named on the letter `letter` (0 = C), or "" when that takes more
// than one sign.
std::string named_on(int pc, int letter) {
    int sign = ((pc - natural_classes[std::size_t(letter)]) % 12 + 12) % 12;
    if (sign > 6) sign -= 12;
    if (sign < -1 || sign > 1) return {};
    return std::string(1, letters[std::size_t(letter)]) + (sign == 1 ? "#" : sign == -1 ? "b" : "");
}

// The label with its root named `root`; "N" and labels without a root as they are.
std::string with_root(const std::string& label, const std::string& root) {
    const auto colon = label.find(':');
    return colon == std::string::npos || root.empty() ? label : root + label.substr(colon);
}

int root_class(const std::string& label) {
    const auto colon = label.find(':');
    return colon == std::string::npos ? -1 : pitch_class_of(std::string_view(label).substr(0, colon));
}

} // namespace

int pitch_class_of(std::string_view name) {
    if (name.empty() || name.size() > 2) return -1;
    const auto letter = letters.find(name[0]);
    if (letter == std::string_view::npos) return -1;
    int pc = natural_classes[letter];
    if (name.size() == 2) {
        if (name[1] != '#' && name[1] != 'b') return -1;
        pc += name[1] == '#' ? 1 : -1;
    }
    return (pc + 12) % 12;
}

void spell_harmony(std::vector<HarmonySpan>& chords, std::vector<HarmonySpan>& keys) {
    for (HarmonySpan& k : keys) {
        const int pc = root_class(k.label);
        if (pc < 0) continue;
        const bool minor = k.label.ends_with(":min");
        k.label = with_root(k.label, (minor ? minor_tonics : major_tonics)[std::size_t(pc)]);
    }
    for (HarmonySpan& c : chords) {
        const int pc = root_class(c.label);
        if (pc < 0) continue;
        const auto key = std::find_if(keys.begin(), keys.end(), [&](const HarmonySpan& k) {
            return k.first <= c.first && c.first < k.end;
        });
        const int tonic = key == keys.end() ? -1 : root_class(key->label);
        std::string root;
        if (tonic >= 0) {
            const auto letter = letters.find(key->label[0]);
            const int degree = (pc - tonic + 12) % 12;
            root = named_on(pc, int(letter + std::size_t(degree_letters[std::size_t(degree)])) % 7);
        }
        c.label = with_root(c.label, root.empty() ? neutral_names[std::size_t(pc)] : root);
    }
}

PitchProfile pitch_profile(const SpectrogramStore& store, int first, int end) {
    PitchProfile p{};
    first = std::max(first, 0);
    end = std::min(end, store.held_frames());
    if (end <= first) return p;
    std::array<double, cells_per_frame> mean{};
    for (int t = first; t < end; ++t)
        for (int b = first_band; b <= last_band; ++b)
            mean[std::size_t(b)] += std::max(store.at(t, b), -100.0f);
    double loudest = -1e9;
    for (int b = first_band; b <= last_band; ++b) {
        mean[std::size_t(b)] /= end - first;
        loudest = std::max(loudest, mean[std::size_t(b)]);
    }
    // Silence has no profile, nor do bands without pitch.
    double quietest = 0;
    for (int b = first_band; b <= last_band; ++b)
        quietest = std::min(quietest, mean[std::size_t(b)]);
    if (loudest < -60 || loudest - quietest < pitchless_spread_db) return p;
    std::array<double, cells_per_frame> above{};
    for (int b = first_band; b <= last_band; ++b)
        above[std::size_t(b)] = std::max(0.0, mean[std::size_t(b)] - (loudest - 30.0));
    // A band where a lower note's 3rd or 5th harmonic falls (19 and 28
    // semitones up: its fifth and major third) keeps only what rises above
    // that note, so that harmonics do not turn a minor chord major.
    for (int b = last_band; b >= first_band; --b) {
        double under = 0;
        for (int interval : {19, 28})
            if (b - interval >= first_band)
                under = std::max(under, above[std::size_t(b - interval)]);
        const double own = std::max(0.0, above[std::size_t(b)] - harmonic_share * under);
        p[std::size_t((b + band_note_offset) % 12)] += own;
    }
    return p;
}

std::vector<HarmonySpan> suggest_chords(const SpectrogramStore& store,
                                        const std::vector<int>& bounds) {
    if (bounds.size() < 2) return {};
    const std::vector<Template> templates = chord_templates();
    const std::vector<PitchProfile> profiles = profiles_of(store, bounds);
    std::vector<std::string> names = labels_of(templates);
    names.push_back("N");
    const std::vector<int> path =
        viterbi(profiles.size(), names.size(), 0.15, [&](std::size_t j, std::size_t k) {
            const bool silent = std::all_of(profiles[j].begin(), profiles[j].end(),
                                            [](double v) { return v == 0; });
            if (k == templates.size()) return silent ? 1.0 : 0.3; // no chord
            return silent ? 0.0 : cosine(profiles[j], templates[k].weights);
        });
    return merged(bounds, path, names);
}

std::vector<HarmonySpan> suggest_keys(const SpectrogramStore& store,
                                      const std::vector<int>& bounds) {
    if (bounds.size() < 2) return {};
    const std::vector<Template> templates = key_templates();
    // A key is heard over several bars: each stretch is judged with its
    // neighbours, 16 on each side.
    const std::vector<PitchProfile> profiles = profiles_of(store, bounds);
    std::vector<PitchProfile> heard(profiles.size());
    for (std::size_t j = 0; j < profiles.size(); ++j)
        for (std::size_t i = j >= 16 ? j - 16 : 0; i < std::min(profiles.size(), j + 17); ++i)
            for (std::size_t c = 0; c < 12; ++c)
                heard[j][c] += profiles[i][c];
    // No pitch heard anywhere: no key.
    if (std::all_of(heard.begin(), heard.end(), [](const PitchProfile& p) {
            return std::all_of(p.begin(), p.end(), [](double v) { return v == 0; });
        }))
        return {};
    const std::vector<std::string> names = labels_of(templates);
    const std::vector<int> path =
        viterbi(heard.size(), names.size(), 2.0, [&](std::size_t j, std::size_t k) {
            return correlation(heard[j], templates[k].weights);
        });
    return merged(bounds, path, names);
}

} // namespace pitkad
