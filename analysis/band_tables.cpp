#include "analysis/band_tables.h"

#include "base/vector_state.h"

#include <algorithm>
#include <cmath>

namespace pitkad {

namespace {

constexpr std::array<int, band_count> window_lengths = {
    25632, 24192, 22896, 21600, 20448, 19296, 18144, 17136, 16128, 15264, // 2-11
    14400, 13608, 12816, 12096, 11448, 10800, 10224, 9648,  9072,  8568,  // 12-21
    8064,  7632,  7200,  6816,  6408,  6048,  5712,  5400,  5112,  4824,  // 22-31
    4536,  4272,  4032,  3816,  3600,  3408,  3216,  3024,  2856,  2700,  // 32-41
    2544,  2400,  2268,  2136,  2016,  1908,  1800,  1704,  1608,  1512,  // 42-51
    1428,  1352,  1272,  1200,  1136,  1072,  1008,  952,   900,   848,   // 52-61
    800,   756,   716,   676,   636,   600,   568,   536,   504,   476,   // 62-71
    452,   424,   400,   380,                                             // 72-75
};

// The half-band filter: a Kaiser-windowed sinc (β = 13, 87 taps), flat to
// 4e-6 dB below a fifth of its input rate and at least 127 dB down above
// three tenths of it.
constexpr double halfband_beta = 13.0;
// The partition's steps: the step into level l rises over step_samples × 2^l
// samples, as the integral of a Kaiser window (β = 13): its spectrum is 130 dB
// down beyond step_width cycles per sample of the level it is summed at.
constexpr int step_samples = 16;
constexpr double step_beta = 13.0;
constexpr double step_width = 0.27;
// A band may be summed at a level while its centre, the step's spread and the
// window's main lobe stay under the filter's flat part (two fifths of the
// level's rate).
constexpr double flat_fraction = 0.4;

// The modified Bessel function I0 by its power series, Σ ((x/2)^k / k!)²:
// for the arguments here (up to 13) it converges to double precision in
// under 40 terms, many times faster than the library's general routine.
double bessel_i0(double x) {
    const double q = x * x / 4;
    double term = 1, sum = 1;
    for (int k = 1; term > sum * 1e-17; ++k) {
        term *= q / (double(k) * k);
        sum += term;
    }
    return sum;
}

// The Kaiser window's shape (not normalised) at x in [−1, 1].
double kaiser(double beta, double x) {
    return bessel_i0(beta * std::sqrt(std::max(0.0, 1.0 - x * x)));
}

std::array<double, halfband_taps> design_halfband() {
    std::array<double, halfband_taps> c{};
    double sum = 0;
    for (int k = 1; k <= halfband_taps; ++k) {
        const int n = 2 * k - 1;
        const double arg = M_PI * n / 2.0;
        c[std::size_t(k - 1)] =
            0.5 * std::sin(arg) / arg * kaiser(halfband_beta, n / (2.0 * halfband_taps));
        sum += 2 * c[std::size_t(k - 1)];
    }
    // The odd taps sum to 1/2: a constant passes unchanged.
    for (double& v : c)
        v *= 0.5 / sum;
    return c;
}

// The step's values at the midpoints (i + 1/2) / length, i = 0 … length − 1:
// the Kaiser window integrated by Simpson's rule, 8 panels per sample.
std::vector<double> step_values(int length) {
    constexpr int panels = 8;
    auto density = [](double u) { return kaiser(step_beta, 2 * u - 1); };
    std::vector<double> cumulative(std::size_t(length) + 1, 0.0);
    double total = 0;
    // Integrate up to each midpoint, then on to the end.
    double from = 0;
    for (int i = 0; i <= length; ++i) {
        const double to = i < length ? (i + 0.5) / length : 1.0;
        const double h = (to - from) / (2 * panels);
        double s = density(from) + density(to);
        for (int p = 1; p < 2 * panels; ++p)
            s += density(from + p * h) * (p % 2 == 1 ? 4 : 2);
        total += s * h / 3;
        cumulative[std::size_t(i)] = total;
        from = to;
    }
    std::vector<double> values(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        values[std::size_t(i)] = cumulative[std::size_t(i)] / total;
    return values;
}

// The step into level l rises from the window's edge over this many samples
// (16 of level l). All steps start at the edge, each reaching 1 sooner than
// the next, so piece l lies within the next step: 32 samples of its level.
int step_length(int level) {
    return step_samples << level;
}

// The top level that needs the fewest terms: an interior at 2^-L of the rate
// against the 32 terms of each lower level's edge pieces, two edges each.
int plan_top_level(int n) {
    const double centre = 36.0 / n; // cycles per sample
    int best = 0;
    double best_cost = n;
    for (int level = 1; level <= kernel_max_level; ++level) {
        const double scale = double(1 << level);
        if (centre * scale + step_width + 2 * scale / n > flat_fraction) break;
        if (2 * step_length(level) > n) break;
        const double cost = 2.0 * 2 * step_samples * level + n / scale;
        if (cost < best_cost) {
            best_cost = cost;
            best = level;
        }
    }
    return best;
}

// The partition's weight of the piece at `level` for a sample at distance d
// from the window's nearer edge: S(level) − S(level + 1), where S(0) = 1,
// S(top + 1) = 0 and S(l) rises over its step.
double partition(const std::vector<std::vector<double>>& steps, int level, int top, int d) {
    auto rise = [&](int l) {
        if (l == 0) return 1.0;
        if (l > top) return 0.0;
        if (d >= step_length(l)) return 1.0;
        return steps[std::size_t(l)][std::size_t(d)];
    };
    return rise(level) - rise(level + 1);
}

} // namespace

int window_length_of(int band) {
    if (band < first_band || band > last_band) return 0;
    return window_lengths[std::size_t(band - first_band)];
}

BandTables build_band_tables() {
    clear_upper_vector_state();
    BandTables t;
    const std::array<double, halfband_taps> taps = design_halfband();
    for (int k = 0; k < halfband_taps; ++k)
        t.halfband[std::size_t(k)] = float(taps[std::size_t(k)]);
    std::vector<std::vector<double>> steps(kernel_max_level + 1);
    for (int l = 1; l <= kernel_max_level; ++l)
        steps[std::size_t(l)] = step_values(step_length(l));

    // Room for every run's weights at once (a reallocation would copy
    // megabytes): each band's pieces hold its N offsets, plus the offsets in
    // two pieces where the partition steps (about 21 a run) and each run's
    // padding (under 16), so under 64 a run more.
    std::size_t room = 0;
    for (int b = first_band; b <= last_band; ++b) {
        const int runs = 3 * (1 << plan_top_level(window_length_of(b)));
        room += 2 * (std::size_t(window_length_of(b)) + std::size_t(64 * runs));
    }
    t.weights.reserve(room);

    for (int b = first_band; b <= last_band; ++b) {
        Band& bd = t.bands[std::size_t(b)];
        const int n = window_length_of(b);
        const int top = plan_top_level(n);
        bd.window_length = n;
        bd.top_level = top;
        bd.first_piece = int(t.pieces.size());
        t.max_level = std::max(t.max_level, top);

        // cos and sin of 2π j / N from a quarter turn of cosines (N is a
        // multiple of 4): cos over [0, N/4] gives the rest by symmetry.
        const int quarter = n / 4;
        std::vector<double> quarter_cos(std::size_t(quarter) + 1);
        for (int j = 0; j <= quarter; ++j)
            quarter_cos[std::size_t(j)] = std::cos(2 * M_PI * j / n);
        const double* c = quarter_cos.data();
        std::vector<double> turn_cos(static_cast<std::size_t>(n)), turn_sin(turn_cos.size());
        for (int r = 0; r < quarter; ++r) {
            turn_cos[std::size_t(r)] = c[r];
            turn_cos[std::size_t(quarter + r)] = -c[quarter - r];
            turn_cos[std::size_t(2 * quarter + r)] = -c[r];
            turn_cos[std::size_t(3 * quarter + r)] = c[quarter - r];
        }
        // sin x = cos(x − π/2): the cosines a quarter turn on.
        std::copy(turn_cos.begin() + 3 * quarter, turn_cos.end(), turn_sin.begin());
        std::copy(turn_cos.begin(), turn_cos.begin() + 3 * quarter, turn_sin.begin() + quarter);
        auto add_piece = [&](int level, int begin, int end) {
            const int scale = 1 << level;
            t.pieces.push_back({level, begin, end, int(t.runs.size())});
            for (int r = 0; r < scale; ++r) {
                KernelRun run;
                run.t_first = begin + ((r - begin) % scale + scale) % scale;
                run.count = run.t_first < end ? (end - 1 - run.t_first) / scale + 1 : 0;
                run.weights = int(t.weights.size());
                // Blocks of 16 real parts, then their 16 imaginary parts;
                // zeros past the run's end.
                const int padded =
                    (run.count + kernel_run_block - 1) / kernel_run_block * kernel_run_block;
                t.weights.resize(t.weights.size() + 2 * std::size_t(padded), 0.0f);
                float* block = t.weights.data() + run.weights;
                for (int k = 0; k < run.count; ++k) {
                    const int s = run.t_first + k * scale;
                    const int d = std::min(s, n - 1 - s);
                    // cos and sin of 2π j / N for the window (j = s) and the
                    // transform (j = 36 s mod N).
                    const double window = 27.0 / 23.0 - turn_cos[std::size_t(s)];
                    const std::size_t j = std::size_t((36LL * s) % n);
                    const double weight = scale * window * partition(steps, level, top, d);
                    float* at = block + (k / kernel_run_block) * 2 * kernel_run_block +
                                k % kernel_run_block;
                    at[0] = float(weight * turn_cos[j]);
                    at[kernel_run_block] = float(-weight * turn_sin[j]);
                }
                t.runs.push_back(run);
            }
        };
        // Edge pieces outside in, the interior (the whole window), then the
        // other edge's pieces. An edge piece spans 32 samples of its level
        // for every phase: the kernel sums it as two blocks.
        for (int l = 0; l < top; ++l)
            add_piece(l, 0, step_length(l + 1));
        add_piece(top, 0, n);
        for (int l = top - 1; l >= 0; --l)
            add_piece(l, n - step_length(l + 1), n);
        bd.piece_count = int(t.pieces.size()) - bd.first_piece;
    }
    return t;
}

int midi_note_of(int band) {
    return band + 33;
}

std::string note_name_of(int band) {
    static constexpr const char* names[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                              "F#", "G",  "G#", "A",  "A#", "B"};
    return std::string(names[(band + 9) % 12]) + std::to_string((band + 21) / 12);
}

double nominal_frequency_of(int band) {
    return 55.0 * std::pow(2.0, band / 12.0);
}

double centre_frequency_of(int band) {
    const int n = window_length_of(band);
    return n == 0 ? 0.0 : 36.0 * 44100.0 / n;
}

} // namespace pitkad
