// How soon the synthesizer sounds: the backend made as the program makes it
// (the General MIDI SoundFont found as at start-up), the port opened and
// the channels' programs sent as at start-up, then blocks of 256 frames
// rendered as the audio callback renders them. For each note: the time
// from its note-on to the end of the first block with a sample above
// silence, the blocks rendered until then, and the longest block. Also the
// time a program change takes where it is sent (it reads the program's
// samples there), the opening's time and the memory the process holds
// after it.
//
//   pitkad_bench_synth_latency [--cold]
//
// --cold asks the system to drop the SoundFont's cached pages first, so
// that samples come from the disk.

#include "midi/fluidsynth_backend.h"

#include "bench/proc_status.h"
#include <algorithm>
#include <chrono>
#include <cmath>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using pitkad::bench::status_mb;

using namespace pitkad;
using Clock = std::chrono::steady_clock;

constexpr int block = 256;

struct ProbeOutput final : SynthOutput {
    SynthSource* source = nullptr;
    int sample_rate() const override { return 44100; }
    void attach_synth(SynthSource* s) override { source = s; }
};

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Heard {
    double ms = -1;     // note-on to the end of the first sounding block
    int blocks = 0;     // blocks rendered until then, that one included
    double longest = 0; // the longest block, ms
};

// Renders blocks after `send` until one has a sample above silence (at most a second).
template <class Send> Heard until_heard(SynthSource& synth, Send send) {
    std::vector<float> l(block), r(block);
    Heard h;
    const auto start = Clock::now();
    send();
    for (int i = 0; i < 44100 / block; ++i) {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        const auto t = Clock::now();
        synth.render_add(l.data(), r.data(), block);
        h.longest = std::max(h.longest, ms(Clock::now() - t));
        ++h.blocks;
        const bool sound =
            std::any_of(l.begin(), l.end(), [](float v) { return std::fabs(v) > 1e-4f; });
        if (sound) {
            h.ms = ms(Clock::now() - start);
            return h;
        }
    }
    return h;
}

void silence(SynthSource& synth, int blocks) {
    std::vector<float> l(block), r(block);
    for (int i = 0; i < blocks; ++i)
        synth.render_add(l.data(), r.data(), block);
}

void report(const char* what, const Heard& h) {
    if (h.ms < 0)
        std::printf("%-46s silent after %d blocks\n", what, h.blocks);
    else
        std::printf("%-46s %7.2f ms  %2d blocks  longest block %6.2f ms\n", what, h.ms, h.blocks,
                    h.longest);
}

} // namespace

int main(int argc, char** argv) {
    const bool cold = argc > 1 && std::strcmp(argv[1], "--cold") == 0;
    const std::string sf = find_soundfont();
    if (sf.empty()) {
        std::fprintf(stderr, "no SoundFont installed\n");
        return 1;
    }
    if (cold) {
        const int fd = ::open(sf.c_str(), O_RDONLY);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
    std::printf("%s%s\n", sf.c_str(), cold ? " (pages dropped first)" : "");
    const double rss_before = status_mb("VmRSS:");
    ProbeOutput out;
    const auto t0 = Clock::now();
    std::string error;
    auto backend = FluidSynthBackend::open(sf, &out, &error);
    const double open_ms = ms(Clock::now() - t0);
    if (!backend) {
        std::fprintf(stderr, "cannot open the synthesizer: %s\n", error.c_str());
        return 1;
    }
    SynthSource& synth = *backend;
    std::printf("open: %.1f ms, resident %.1f MB more (%.1f MB in all)\n", open_ms,
                status_mb("VmRSS:") - rss_before, status_mb("VmRSS:"));

    // As at start-up: the port opens (controllers) and the programs go out.
    MidiChannelSettings channels;
    MidiPort port{channels};
    port.open(std::move(backend));
    port.set_midi_program();
    {
        const auto t = Clock::now();
        silence(synth, 1);
        std::printf("first block (start-up messages applied): %.2f ms\n", ms(Clock::now() - t));
    }
    silence(synth, 10);

    auto note = [&](int channel, int band) {
        return until_heard(synth, [&] { port.note_on(channel, band); });
    };
    auto off = [&](int channel, int band) {
        port.note_off(channel, band);
        silence(synth, 200);
    };
    report("start-up program, first note (ch 1)", note(1, 30));
    off(1, 30);
    report("start-up program, second note (ch 1)", note(1, 35));
    off(1, 35);
    report("start-up program, other channel (ch 5)", note(5, 30));
    off(5, 30);

    // A program never selected before, chosen as the settings dialog does:
    // the change is sent, the note later.
    channels.program[2] = 48; // String Ensemble 1
    port.set_midi_program();
    {
        std::vector<float> l(block), r(block);
        const auto t = Clock::now();
        synth.render_add(l.data(), r.data(), block);
        std::printf("block applying a program change (48 on ch 2): %.2f ms\n",
                    ms(Clock::now() - t));
    }
    silence(synth, 10);
    report("new program, first note (ch 2)", note(2, 30));
    off(2, 30);
    report("new program, second note (ch 2)", note(2, 35));
    off(2, 35);

    // The worst case: the change and the note in the same block.
    channels.program[3] = 73; // Flute
    port.set_midi_program();
    report("program change and note together (73 on ch 3)", note(3, 40));
    off(3, 40);
    report("same program, second note (ch 3)", note(3, 42));
    off(3, 42);

    // Every program in turn on one channel: the block that applies each change.
    {
        std::vector<double> took, sent;
        std::vector<float> l(block), r(block);
        for (int program = 0; program < 128; ++program) {
            channels.program[4] = program;
            const auto s = Clock::now();
            port.send(0xC4, program, 0);
            sent.push_back(ms(Clock::now() - s));
            const auto t = Clock::now();
            synth.render_add(l.data(), r.data(), block);
            took.push_back(ms(Clock::now() - t));
        }
        std::sort(took.begin(), took.end());
        std::sort(sent.begin(), sent.end());
        std::printf("program change blocks over the 128 programs: median %.2f ms, worst %.2f ms "
                    "(one block is %.2f ms)\n",
                    took[took.size() / 2], took.back(), 1000.0 * block / 44100);
        std::printf("sending the change (the samples read there): median %.2f ms, worst %.2f ms\n",
                    sent[sent.size() / 2], sent.back());
    }

    std::printf("resident at the end: %.1f MB (peak %.1f MB)\n", status_mb("VmRSS:"),
                status_mb("VmHWM:"));
    return 0;
}
