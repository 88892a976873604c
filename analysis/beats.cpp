#include "analysis/beats.h"

#include "base/vector_state.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pitkad {

namespace {

// Levels below this (dB under the recording's peak) count as silence.
constexpr float floor_db = -70.0f;
// Beats per minute looked for, and the tempo most likely a priori.
constexpr double slowest_bpm = 40, fastest_bpm = 220, likely_bpm = 120;
constexpr double frames_per_minute = 60.0 * 1000.0 / frame_ms;

float level(const SpectrogramStore& store, int t, int b) {
    return std::max(store.at(t, b), floor_db);
}

// The autocorrelation of `o` over [first, end) at `lag`.
double autocorrelation(const std::vector<double>& o, int first, int end, int lag) {
    double sum = 0;
    for (int t = first + lag; t < end; ++t)
        sum += o[std::size_t(t)] * o[std::size_t(t - lag)];
    return sum / std::max(1, end - first - lag);
}

// The beat period in frames (fractional) that best explains `o` over
// [first, end) among lags lo … hi, weighted towards the likely tempo. A
// lag's evidence is its autocorrelation plus half that at twice the lag: a
// beat's accents recur two beats on (half a bar) as well as one, where a
// period of 2/3 or 3/4 of the beat finds nothing at its double. The weight
// is a Rayleigh curve whose peak is the likely period: it falls off faster
// towards slow tempi than towards fast ones, where a log-normal weight
// left a groove with a backbeat (kick and snare alternating, so that two
// beats match better than one) at half its tempo from 118 to 150 bpm.
double best_period(const std::vector<double>& o, int first, int end, int lo, int hi) {
    const double likely = frames_per_minute / likely_bpm;
    std::vector<double> score(std::size_t(hi + 2), 0.0);
    int best = lo;
    for (int lag = lo; lag <= hi + 1; ++lag) {
        const double r = lag / likely;
        const double evidence =
            autocorrelation(o, first, end, lag) + 0.5 * autocorrelation(o, first, end, 2 * lag);
        score[std::size_t(lag)] = evidence * r * std::exp(0.5 * (1 - r * r));
        if (lag <= hi && score[std::size_t(lag)] > score[std::size_t(best)]) best = lag;
    }
    // Between lags: a parabola through the best and its neighbours.
    if (best > lo && best < hi) {
        const double a = score[std::size_t(best - 1)], b = score[std::size_t(best)],
                     c = score[std::size_t(best + 1)];
        const double d = a - 2 * b + c;
        if (d < 0) return best + 0.5 * (a - c) / d;
    }
    return best;
}

double cosine(const std::vector<double>& a, const std::vector<double>& b) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += a[i] * b[i];
        aa += a[i] * a[i];
        bb += b[i] * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 1.0;
}

} // namespace

std::vector<float> onset_strength(const SpectrogramStore& store) {
    const int frames = store.held_frames();
    std::vector<float> o(std::size_t(frames), 0.0f);
    // Before the recording is silence: sound there from the start rises
    // into frame 0.
    for (int t = 0; t < frames; ++t) {
        float rise = 0;
        for (int b = first_band; b <= last_band; ++b)
            rise += std::max(0.0f, level(store, t, b) - (t > 0 ? level(store, t - 1, b) : floor_db));
        o[std::size_t(t)] = rise;
    }
    return o;
}

std::vector<double> chroma_of(const SpectrogramStore& store, int first, int end) {
    std::vector<double> c(12, 0.0);
    first = std::max(first, 0);
    end = std::min(end, store.held_frames());
    for (int t = first; t < end; ++t)
        for (int b = first_band; b <= last_band; ++b) {
            const float v = level(store, t, b);
            if (v > floor_db)
                c[std::size_t((b + band_note_offset) % 12)] += std::pow(10.0, v / 10.0);
        }
    const double sum = std::accumulate(c.begin(), c.end(), 0.0);
    if (sum > 0)
        for (double& x : c)
            x /= sum;
    return c;
}

BeatSuggestion suggest_beats(const SpectrogramStore& store) {
    clear_upper_vector_state();
    BeatSuggestion s;
    const int frames = store.held_frames();
    const std::vector<float> raw = onset_strength(store);
    if (frames < 200) return s;
    const double mean = std::accumulate(raw.begin(), raw.end(), 0.0) / frames;
    // Less its mean over half a second on either side. Bowed and blown tones
    // waver and swell, leaving a floor of small rises that follows the
    // loudness of the passage; that floor correlates with itself at every
    // lag and would leave the choice of tempo to the prior, not the accents.
    constexpr int reach = 25;
    std::vector<double> sums(std::size_t(frames) + 1, 0.0);
    for (int t = 0; t < frames; ++t)
        sums[std::size_t(t) + 1] = sums[std::size_t(t)] + raw[std::size_t(t)];
    std::vector<double> o(static_cast<std::size_t>(frames));
    for (int t = 0; t < frames; ++t) {
        const int a = std::max(0, t - reach), b = std::min(frames, t + reach + 1);
        o[std::size_t(t)] =
            raw[std::size_t(t)] - (sums[std::size_t(b)] - sums[std::size_t(a)]) / (b - a);
    }
    // Normalised: mean 0, spread 1.
    const double o_mean = std::accumulate(o.begin(), o.end(), 0.0) / frames;
    double var = 0;
    for (double v : o)
        var += (v - o_mean) * (v - o_mean);
    const double spread = std::sqrt(var / frames);
    if (spread <= 0) return s;
    for (double& v : o)
        v = (v - o_mean) / spread;

    // The tempo of the whole, then of each stretch of 8 s around it, so
    // that the beat may speed up or slow down.
    const int lo = int(frames_per_minute / fastest_bpm), hi = int(frames_per_minute / slowest_bpm);
    // For the tempo, each onset spread over the frames beside it: where the
    // beat falls between whole frames (140 bpm is 21.4 frames), a sharp
    // onset's likeness to itself one beat on is split between the two lags
    // around it, while two beats on may fall on one.
    std::vector<double> spread_onsets(o.size());
    for (int t = 0; t < frames; ++t)
        spread_onsets[std::size_t(t)] =
            0.5 * o[std::size_t(t)] + 0.25 * (o[std::size_t(std::max(t - 1, 0))] +
                                              o[std::size_t(std::min(t + 1, frames - 1))]);
    const double whole = best_period(spread_onsets, 0, frames, lo, hi);
    constexpr int stretch = 400, hop = 50;
    std::vector<double> period(std::size_t(frames), whole);
    if (frames > stretch) {
        const int near_lo = std::max(lo, int(whole * 0.7)),
                  near_hi = std::min(hi, int(whole * 1.45));
        std::vector<std::pair<int, double>> local;
        for (int first = 0; first + stretch / 2 <= frames; first += hop) {
            const int end = std::min(frames, first + stretch);
            local.emplace_back((first + end) / 2,
                               best_period(spread_onsets, first, end, near_lo, near_hi));
        }
        for (int t = 0; t < frames; ++t) {
            // The nearest stretches' periods, interpolated.
            auto it = std::lower_bound(local.begin(), local.end(), t,
                                       [](const auto& p, int f) { return p.first < f; });
            if (it == local.begin())
                period[std::size_t(t)] = it->second;
            else if (it == local.end())
                period[std::size_t(t)] = local.back().second;
            else {
                const auto& a = *(it - 1);
                const double w = double(t - a.first) / (it->first - a.first);
                period[std::size_t(t)] = a.second + w * (it->second - a.second);
            }
        }
    }

    // The best path of beats: each beat's score is its onset plus the best
    // earlier beat's, less a penalty for an interval far from the period.
    constexpr double tightness = 100;
    std::vector<double> score(static_cast<std::size_t>(frames));
    std::vector<int> previous(std::size_t(frames), -1);
    for (int t = 0; t < frames; ++t) {
        const double p = period[std::size_t(t)];
        double best = 0;
        int from = -1;
        for (int q = t - int(std::round(2 * p)); q <= t - int(std::round(p / 2)); ++q) {
            if (q < 0) continue;
            const double miss = std::log((t - q) / p);
            const double v = score[std::size_t(q)] - tightness * miss * miss;
            if (from < 0 || v > best) {
                best = v;
                from = q;
            }
        }
        score[std::size_t(t)] = o[std::size_t(t)] + (from >= 0 ? best : 0);
        previous[std::size_t(t)] = from;
    }
    // The path ends at the best beat within the last period.
    int last = frames - 1;
    for (int t = std::max(0, frames - int(period.back()) - 1); t < frames; ++t)
        if (score[std::size_t(t)] > score[std::size_t(last)]) last = t;
    for (int t = last; t >= 0; t = previous[std::size_t(t)])
        s.beats.push_back(t);
    std::reverse(s.beats.begin(), s.beats.end());
    // Beats before the music starts or after it ends are dropped.
    auto weak = [&](int t) {
        double sum = 0;
        for (int d = -2; d <= 2; ++d)
            sum += raw[std::size_t(std::clamp(t + d, 0, frames - 1))];
        return sum / 5 < 0.25 * mean;
    };
    while (!s.beats.empty() && weak(s.beats.front()))
        s.beats.erase(s.beats.begin());
    while (!s.beats.empty() && weak(s.beats.back()))
        s.beats.pop_back();
    if (s.beats.size() < 4) return s;

    // Downbeats: where the harmony changes most, every 3 or 4 beats.
    const std::size_t n = s.beats.size();
    std::vector<std::vector<double>> chroma(n);
    for (std::size_t j = 0; j < n; ++j)
        chroma[j] = chroma_of(store, s.beats[j], j + 1 < n ? s.beats[j + 1] : frames);
    std::vector<double> change(n, 0.0);
    for (std::size_t j = 1; j < n; ++j)
        change[j] = 1.0 - cosine(chroma[j - 1], chroma[j]);
    double best = -1;
    for (int meter : {4, 3}) {
        for (int phase = 0; phase < meter; ++phase) {
            double sum = 0;
            int count = 0;
            for (std::size_t j = std::size_t(phase); j < n; j += std::size_t(meter)) {
                sum += change[j];
                ++count;
            }
            // Four beats a bar unless three fit clearly better.
            const double v = (count > 0 ? sum / count : 0) * (meter == 4 ? 1.1 : 1.0);
            if (v > best) {
                best = v;
                s.beats_per_bar = meter;
                s.downbeats.clear();
                for (std::size_t j = std::size_t(phase); j < n; j += std::size_t(meter))
                    s.downbeats.push_back(s.beats[j]);
            }
        }
    }
    // A beat lost or added (in a slowing at a phrase's end, say) turns the
    // phase of the bars after it: the downbeats are the best path through
    // the positions in the bar, each beat moving one on, or to any other
    // position at the cost of what eight bars at the chosen phase gain.
    const int m = s.beats_per_bar;
    const double mean_change = std::accumulate(change.begin(), change.end(), 0.0) / double(n);
    double down_sum = 0;
    for (std::size_t j = 0; j < n; ++j)
        if (std::binary_search(s.downbeats.begin(), s.downbeats.end(), s.beats[j]))
            down_sum += change[j];
    const double gain = down_sum / double(s.downbeats.size()) - mean_change;
    if (gain <= 0) return s;
    const double cost = 8 * gain;
    std::vector<std::vector<double>> total(n, std::vector<double>(std::size_t(m), 0.0));
    std::vector<std::vector<int>> from(n, std::vector<int>(std::size_t(m), 0));
    for (std::size_t j = 0; j < n; ++j) {
        int best_k = 0;
        if (j > 0)
            for (int k = 1; k < m; ++k)
                if (total[j - 1][std::size_t(k)] > total[j - 1][std::size_t(best_k)]) best_k = k;
        for (int k = 0; k < m; ++k) {
            double v = 0;
            int f = (k + m - 1) % m;
            if (j > 0) {
                v = total[j - 1][std::size_t(f)];
                if (total[j - 1][std::size_t(best_k)] - cost > v) {
                    v = total[j - 1][std::size_t(best_k)] - cost;
                    f = best_k;
                }
            }
            total[j][std::size_t(k)] = v + (k == 0 ? change[j] - mean_change : 0.0);
            from[j][std::size_t(k)] = f;
        }
    }
    int k = 0;
    for (int q = 1; q < m; ++q)
        if (total[n - 1][std::size_t(q)] > total[n - 1][std::size_t(k)]) k = q;
    s.downbeats.clear();
    for (std::size_t j = n; j-- > 0;) {
        if (k == 0) s.downbeats.push_back(s.beats[j]);
        k = from[j][std::size_t(k)];
    }
    std::reverse(s.downbeats.begin(), s.downbeats.end());
    return s;
}

} // namespace pitkad
