// Writes the fuzz targets' starting inputs into OUTDIR/<target>/: one small
// valid file of each format, made by the program's own writers.
#include "analysis/analyse_wav.h"
#include "analysis/analysis_cache.h"
#include "analysis/band_tables.h"
#include "control/settings_file.h"
#include "drawing/draw_file.h"
#include "drawing/midi_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/seed_files.h"
#include "view/bmp_file.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using namespace pitkad;

namespace {

void put(const fs::path& dir, const char* name, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(dir);
    fuzz::write_file(dir / name, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> read_all(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR LOUDNESS.DAT\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    const auto wav = seeds::small_wav();
    put(out / "wav", "tone.wav", wav);

    // The cache the analysis writes for that recording.
    const fs::path work = fuzz::scratch();
    fuzz::write_file(work / "song.wav", wav.data(), wav.size());
    auto store = std::make_unique<SpectrogramStore>();
    if (!analyse_wav(work / "song.wav", *store, build_band_tables(), {}, 1).ok ||
        !write_analysis_cache(work / "song.wav", *store))
        return 1;
    put(out / "cache", "song.pkd", read_all(cache_name_for(work / "song.wav")));

    auto drawing = std::make_unique<DrawData>();
    for (int f = 3; f < 12; ++f) (*drawing)[f].note_cell(40) = 2;
    (*drawing)[5].line_mark() = 1;
    MidiChannelSettings channels;
    channels.program[1] = 40;
    put(out / "drawing", "song.pkc", build_draw_file(*drawing, 12, channels));
    add_marker(drawing->annotations, 4, "Verse");
    set_meter(drawing->annotations, 5, MeterMark{5, 6, 8});
    drawing->annotations.key = KeySignature{-2, true};
    drawing->annotations.track_names[1] = "Bass";
    put(out / "drawing", "annotated.pkc", build_draw_file(*drawing, 12, channels));
    // For the export: lines every 25 frames, a meter mark, a selected note.
    for (int f = 0; f < 200; f += 25) (*drawing)[f].line_mark() = 1;
    (*drawing)[60].note_cell(30) = 5 | draw_selected_bit;
    put(out / "export", "lines.pkc", build_draw_file(*drawing, 200, channels));
    drawing->annotations.clear();

    // A MIDI file with a pickup, two lines and notes in two colours.
    for (int f = 20; f < 30; ++f) (*drawing)[f].note_cell(60) = 9;
    (*drawing)[30].line_mark() = 1;
    put(out / "midi", "song.mid", build_midi_file(*drawing, 40, channels, {}));

    // A drawing to check: parts in three colours, an octave, the lowest and
    // the highest rows, and a note past the recording's end.
    drawing->clear();
    for (int f = 10; f < 60; ++f) (*drawing)[f].note_cell(40) = 9;
    for (int f = 20; f < 50; ++f) (*drawing)[f].note_cell(52) = 1;
    for (int f = 0; f < 30; ++f) (*drawing)[f].note_cell(first_band) = 16;
    for (int f = 70; f < 90; ++f) (*drawing)[f].note_cell(last_band) = 3;
    for (int f = 110; f < 140; ++f) (*drawing)[f].note_cell(45) = 9;
    put(out / "check", "parts.pkc", build_draw_file(*drawing, 120, channels));

    // Levels for the suggestions: 600 frames, a C major chord struck every
    // 25 frames (a beat at 120 bpm) that fades over the beat.
    std::vector<std::uint8_t> levels{600 % 256, 600 / 256};
    for (int t = 0; t < 25; ++t)
        for (int b = 0; b < cells_per_frame; ++b) {
            const int note = (b + band_note_offset) % 12;
            const bool chord = b >= 20 && b < 50 && (note == 0 || note == 4 || note == 7);
            levels.push_back(std::uint8_t(chord ? 95 - t : 20));
        }
    put(out / "suggest", "chords.bin", levels);

    Bgr24Image image(5, 3, 0x40); // rows padded to four bytes
    image.pixel(4, 2)[0] = 0xff;
    put(out / "bitmap", "small.bmp", encode_bmp24(image));

    put(out / "loudness", "loudness.dat", read_all(argv[2]));

    const fs::path ini = work / "PitkaD.ini";
    fuzz::write_file(ini, reinterpret_cast<const std::uint8_t*>("; kept\n[Other]\nA=1\n"), 20);
    if (!SettingsFile(QString::fromStdString(ini.string())).save(Settings{})) return 1;
    put(out / "settings", "PitkaD.ini", read_all(ini));
    fs::remove_all(work);
    // A note model's description in small: a placeholder times weights
    // from the shard (its 16 bytes last).
    const std::string model =
        R"({"format":"graph-model","modelTopology":{"node":[)"
        R"({"name":"in","op":"Placeholder","attr":{"dtype":{"type":"DT_FLOAT"},)"
        R"("shape":{"shape":{"dim":[{"size":"-1"},{"size":"4"}]}}}},)"
        R"({"name":"w","op":"Const","attr":{"dtype":{"type":"DT_FLOAT"}}},)"
        R"({"name":"out","op":"Mul","input":["in","w"],"attr":{"T":{"type":"DT_FLOAT"}}}]},)"
        R"("weightsManifest":[{"paths":["w.bin"],"weights":[{"name":"w","shape":[4],"dtype":"float32"}]}]})";
    std::vector<std::uint8_t> model_bytes(model.begin(), model.end());
    for (float v : {1.0f, 0.5f, -2.0f, 4.0f}) {
        std::uint8_t b[4];
        std::memcpy(b, &v, 4);
        model_bytes.insert(model_bytes.end(), b, b + 4);
    }
    put(out / "model", "model.json", model_bytes);
    return 0;
}
