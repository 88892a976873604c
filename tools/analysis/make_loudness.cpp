// Writes the loudness correction table: for each band 2 … 75 (B1 … C8) the
// offset 40 − L_p(f) in dB, where L_p is the sound pressure level of the
// ISO 226:2003 equal-loudness contour of 40 phon at the band's nominal
// frequency 55 × 2^(b/12) Hz. The standard's parameters (α_f, L_U, T_f) are
// given at its 29 one-third-octave frequencies and interpolated linearly over
// log frequency. Usage: pitkad_make_loudness OUTPUT

#include "base/number_text.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int points = 29;
constexpr double freq[points] = {20,   25,   31.5, 40,   50,   63,   80,   100,   125,  160,
                                 200,  250,  315,  400,  500,  630,  800,  1000,  1250, 1600,
                                 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500};
constexpr double alpha_f[points] = {0.532, 0.506, 0.480, 0.455, 0.432, 0.409, 0.387, 0.367,
                                    0.349, 0.330, 0.315, 0.301, 0.288, 0.276, 0.267, 0.259,
                                    0.253, 0.250, 0.246, 0.244, 0.243, 0.243, 0.243, 0.242,
                                    0.242, 0.245, 0.254, 0.271, 0.301};
constexpr double l_u[points] = {-31.6, -27.2, -23.0, -19.1, -15.9, -13.0, -10.3, -8.1,  -6.2, -4.5,
                                -3.1,  -2.0,  -1.1,  -0.4,  0.0,   0.3,   0.5,   0.0,   -2.7, -4.1,
                                -1.0,  1.7,   2.5,   1.2,   -2.1,  -7.1,  -11.2, -10.7, -3.1};
constexpr double t_f[points] = {78.5, 68.7, 59.5, 51.1, 44.0, 37.5, 31.5, 26.5, 22.1, 17.9,
                                14.4, 11.4, 8.6,  6.2,  4.4,  3.0,  2.2,  2.4,  3.5,  1.7,
                                -1.3, -4.2, -6.0, -5.4, -1.5, 6.0,  12.6, 13.9, 12.3};

double interpolate(const double* table, double f) {
    if (f <= freq[0]) return table[0];
    for (int i = 1; i < points; ++i) {
        if (f <= freq[i]) {
            const double u = std::log(f / freq[i - 1]) / std::log(freq[i] / freq[i - 1]);
            return table[i - 1] + u * (table[i] - table[i - 1]);
        }
    }
    return table[points - 1];
}

// Sound pressure level of the loudness-level contour `phon` at frequency f.
double contour_level(double phon, double f) {
    const double af = interpolate(alpha_f, f);
    const double lu = interpolate(l_u, f);
    const double tf = interpolate(t_f, f);
    const double a = 4.47e-3 * (std::pow(10.0, 0.025 * phon) - 1.15) +
                     std::pow(0.4 * std::pow(10.0, (tf + lu) / 10.0 - 9.0), af);
    return 10.0 / af * std::log10(a) - lu + 94.0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: pitkad_make_loudness OUTPUT\n", stderr);
        return 2;
    }
    // The contour passes through 40 dB at 1 kHz by definition.
    if (std::abs(contour_level(40.0, 1000.0) - 40.0) > 0.05) {
        std::fputs("contour check failed\n", stderr);
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) return 1;
    for (int b = 2; b <= 75; ++b) {
        const double f = 55.0 * std::pow(2.0, b / 12.0);
        const std::string line =
            pitkad::format_number(40.0 - contour_level(40.0, f), std::chars_format::fixed, 2);
        std::fprintf(out, "%s\n", line.c_str());
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
