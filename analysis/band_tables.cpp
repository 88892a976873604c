#include "analysis/band_tables.h"

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

constexpr std::array<int, 9> folds = {36, 18, 12, 9, 6, 4, 3, 2, 1};

constexpr long double pi_l = 3.141592653589793238462643383279502884L;

bool full_quarter_run(int fold) {
    return fold == 36 || fold == 12 || fold == 4;
}

} // namespace

int window_length_of(int band) {
    if (band < first_band || band > last_band) return 0;
    return window_lengths[std::size_t(band - first_band)];
}

BandTables build_band_tables() {
    BandTables t;
    int window_total = 0;
    int coef_total = 0;
    for (int b = first_band; b <= last_band; ++b) {
        Band& bd = t.bands[std::size_t(b)];
        bd.window_length = window_length_of(b);
        bd.quarter = bd.window_length / 4;
        for (int d : folds) {
            if (bd.quarter % d == 0) {
                bd.fold = d;
                break;
            }
        }
        bd.count_v = bd.quarter / bd.fold;
        bd.pairs_h = full_quarter_run(bd.fold) ? bd.count_v : bd.count_v / 2;

        // Angles in extended precision, then rounded to single once.
        const long double four_q = 4.0L * bd.quarter;
        bd.window_offset = window_total;
        for (int j = 0; j <= bd.quarter; ++j)
            t.window_cos.push_back(float(std::cos(j * (2.0L * pi_l) / four_q)));
        window_total += bd.quarter + 1;

        bd.coef_offset = coef_total;
        if (full_quarter_run(bd.fold)) {
            for (int j = 0; j <= bd.count_v; ++j)
                t.coef.push_back(float(std::cos(j * (72.0L * pi_l) / four_q)));
            coef_total += bd.count_v + 1;
        } else {
            for (int j = 1; j <= bd.pairs_h; ++j) {
                const long double angle = j * (72.0L * pi_l) / four_q;
                t.coef.push_back(float(std::cos(angle)));
                t.coef.push_back(float(std::sin(angle)));
            }
            coef_total += 2 * bd.pairs_h;
        }
    }
    const long double base = 27.0L / 23.0L;
    t.window_low.reserve(t.window_cos.size());
    t.window_high.reserve(t.window_cos.size());
    for (float g : t.window_cos) {
        t.window_low.push_back(float(base - g));
        t.window_high.push_back(float(base + g));
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
