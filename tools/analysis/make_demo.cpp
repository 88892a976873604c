// Writes the demo recording: a ten-bar tune in C major at 96 beats per
// minute (about 26 s), 44100 Hz, 16-bit stereo. A bell-like melody over a
// soft organ pad of the chords and a plucked bass, each with its own set of
// harmonics and envelope. Fully deterministic. Usage: pitkad_make_demo OUTPUT

#include "base/le_bytes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr double beat = 60.0 / 96.0;
constexpr int bars = 10;
constexpr double tail = 1.2;

struct Note {
    double start;  // beats from the start of the bar
    double length; // beats
    int midi;
};

double hz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

struct Voice {
    double amplitudes[8]; // harmonics 1 … 8
    double attack;        // s
    double decay;         // s, time constant of the fundamental (0: sustained)
    double release;       // s
    double pan;           // 0 left … 1 right
};

constexpr Voice bell = {{1.0, 0.55, 0.30, 0.22, 0.12, 0.08, 0.0, 0.0}, 0.004, 0.9, 0.08, 0.65};
constexpr Voice organ = {{1.0, 0.45, 0.25, 0.12, 0.08, 0.05, 0.03, 0.02}, 0.12, 0.0, 0.25, 0.35};
constexpr Voice bass = {{1.0, 0.6, 0.25, 0.1, 0.0, 0.0, 0.0, 0.0}, 0.01, 1.4, 0.1, 0.5};

// Adds one note of a voice into the stereo buffers.
void play(std::vector<double>& left, std::vector<double>& right, const Voice& v, double start_s,
          double length_s, int midi, double gain) {
    const double f0 = hz(midi);
    const std::size_t first = std::size_t(start_s * rate);
    const std::size_t count = std::size_t((length_s + v.release) * rate);
    for (std::size_t i = 0; i < count && first + i < left.size(); ++i) {
        const double t = double(i) / rate;
        double env = std::min(1.0, t / v.attack);
        if (t > length_s) env *= std::max(0.0, 1.0 - (t - length_s) / v.release);
        double s = 0.0;
        for (int k = 1; k <= 8; ++k) {
            const double a = v.amplitudes[k - 1];
            if (a == 0.0 || f0 * k > 16000.0) continue;
            // Higher partials die away faster in the decaying voices.
            const double fade = v.decay > 0.0 ? std::exp(-t * (0.6 + 0.4 * k) / v.decay) : 1.0;
            s += a * fade * std::sin(2.0 * M_PI * f0 * k * t + 0.3 * k);
        }
        s *= env * gain;
        left[first + i] += s * (1.0 - v.pan);
        right[first + i] += s * v.pan;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: pitkad_make_demo OUTPUT\n", stderr);
        return 2;
    }
    const std::vector<std::vector<Note>> melody = {
        {{0, 1, 76}, {1, 1, 79}, {2, 2, 84}},
        {{0, 1, 81}, {1, 0.5, 79}, {1.5, 0.5, 76}, {2, 2, 72}},
        {{0, 1, 77}, {1, 1, 81}, {2, 1, 84}, {3, 1, 81}},
        {{0, 2, 83}, {2, 1, 86}, {3, 1, 83}},
        {{0, 1, 84}, {1, 0.5, 83}, {1.5, 0.5, 81}, {2, 2, 79}},
        {{0, 1, 76}, {1, 1, 81}, {2, 1, 84}, {3, 1, 88}},
        {{0, 1, 77}, {1, 0.5, 76}, {1.5, 0.5, 74}, {2, 2, 81}},
        {{0, 1, 79}, {1, 1, 83}, {2, 1, 86}, {3, 1, 77}},
        {{0, 2, 76}, {2, 1, 74}, {3, 1, 71}},
        {{0, 4, 72}},
    };
    const std::vector<std::vector<int>> chords = {
        {60, 64, 67}, {57, 60, 64}, {53, 57, 60},     {55, 59, 62}, {60, 64, 67},
        {57, 60, 64}, {57, 62, 65}, {55, 59, 62, 65}, {55, 60, 64}, {48, 55, 60, 64},
    };
    const int roots[bars] = {36, 45, 41, 43, 36, 45, 38, 43, 36, 36};

    const double bar = 4 * beat;
    const std::size_t length = std::size_t((bars * bar + tail) * rate);
    std::vector<double> left(length, 0.0), right(length, 0.0);
    for (int b = 0; b < bars; ++b) {
        const double t0 = b * bar;
        for (const Note& n : melody[std::size_t(b)])
            play(left, right, bell, t0 + n.start * beat, n.length * beat * 0.92, n.midi, 0.55);
        for (int m : chords[std::size_t(b)])
            play(left, right, organ, t0, bar * 0.97, m, 0.16);
        for (int half = 0; half < 2; ++half)
            play(left, right, bass, t0 + half * 2 * beat, 2 * beat * 0.9, roots[b], 0.5);
    }

    double peak = 0.0;
    for (std::size_t i = 0; i < length; ++i)
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    const double scale = peak > 0.0 ? 0.8 * 32767.0 / peak : 0.0;

    const std::uint32_t data_bytes = std::uint32_t(length * 4);
    std::vector<std::uint8_t> out;
    out.reserve(44 + data_bytes);
    pitkad::le::append_tag(out, "RIFF");
    pitkad::le::append_u32(out, 36 + data_bytes);
    pitkad::le::append_tag(out, "WAVE");
    pitkad::le::append_tag(out, "fmt ");
    pitkad::le::append_u32(out, 16);
    pitkad::le::append_u16(out, 1); // PCM
    pitkad::le::append_u16(out, 2); // channels
    pitkad::le::append_u32(out, rate);
    pitkad::le::append_u32(out, rate * 4); // bytes per second
    pitkad::le::append_u16(out, 4);        // block align
    pitkad::le::append_u16(out, 16);       // bits
    pitkad::le::append_tag(out, "data");
    pitkad::le::append_u32(out, data_bytes);
    for (std::size_t i = 0; i < length; ++i) {
        pitkad::le::append_u16(out, std::uint16_t(std::int16_t(std::lround(left[i] * scale))));
        pitkad::le::append_u16(out, std::uint16_t(std::int16_t(std::lround(right[i] * scale))));
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) return 1;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !written) return 1;
    return 0;
}
