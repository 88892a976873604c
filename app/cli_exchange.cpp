#include "app/cli_exchange.h"

#include "app/cli_recording.h"
#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "drawing/csv_export.h"
#include "drawing/draw_file.h"
#include "drawing/midi_file.h"

#include "analysis/analysis_messages.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace pitkad {

namespace {

constexpr const char* export_midi_usage =
    PITKAD_TR("PitkaD", "使い方: pitkad --export-midi ファイル -o 出力.mid [--lines beats|bars]\n"
                        "       [--beats-per-bar N] [--quantise N]\n");
constexpr const char* import_midi_usage = PITKAD_TR(
    "PitkaD", "使い方: pitkad --import-midi 入力.mid ファイル [--lines beats|bars] [--replace]\n");
constexpr const char* export_csv_usage = PITKAD_TR(
    "PitkaD", "使い方: pitkad --export-csv ファイル -o 出力.csv [--notes 音符.csv] [--loudness]\n");

int usage(const char* text) {
    print_usage(text);
    return 2;
}

int fail(const std::string& file, std::string_view message) {
    print_file_error(file, message);
    return 1;
}

std::optional<int> number(const char* text, int lo, int hi) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) return std::nullopt;
    return int(v);
}

// The arguments as positional files and options; each option name is
// known, and those that take a value have one.
struct Args {
    std::vector<std::string> files;
    std::string out, lines, notes;
    std::optional<int> beats_per_bar, quantise;
    bool replace = false;
    bool loudness = false;
};

std::optional<Args> parse(int argc, char** argv, std::string_view allowed) {
    Args a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takes_value = arg == "-o" || arg == "--lines" || arg == "--notes" ||
                                 arg == "--beats-per-bar" || arg == "--quantise";
        if (!arg.empty() && arg[0] == '-' && allowed.find(" " + arg + " ") == std::string::npos)
            return std::nullopt;
        if (takes_value && i + 1 >= argc) return std::nullopt;
        if (arg == "-o")
            a.out = argv[++i];
        else if (arg == "--notes")
            a.notes = argv[++i];
        else if (arg == "--lines") {
            a.lines = argv[++i];
            if (a.lines != "beats" && a.lines != "bars") return std::nullopt;
        } else if (arg == "--beats-per-bar") {
            if (!(a.beats_per_bar = number(argv[++i], 2, 7))) return std::nullopt;
        } else if (arg == "--quantise") {
            if (!(a.quantise = number(argv[++i], 2, 256))) return std::nullopt;
        } else if (arg == "--replace")
            a.replace = true;
        else if (arg == "--loudness")
            a.loudness = true;
        else if (!arg.empty() && arg[0] != '-')
            a.files.push_back(arg);
        else
            return std::nullopt;
    }
    return a;
}

bool write_text(const std::string& path, const std::string& text) {
    return write_file_atomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace

int run_export_midi_cli(int argc, char** argv) {
    const auto a = parse(argc, argv, " -o --lines --beats-per-bar --quantise ");
    if (!a || a->files.size() != 1 || a->out.empty()) return usage(export_midi_usage);
    const auto doc = open_for_command_line(a->files[0], false);
    if (!doc) return 1;
    MidiExportOptions options;
    options.lines_are_bars = a->lines == "bars";
    options.beats_per_bar = a->beats_per_bar.value_or(4);
    options.quantize_division = a->quantise.value_or(0);
    const auto bytes =
        build_midi_file(doc->drawing, doc->store.frame_count, doc->channel_settings, options);
    if (!write_file_atomically(a->out, bytes)) return fail(a->out, "cannot write");
    std::printf("%s: %zu bytes\n", a->out.c_str(), bytes.size());
    return 0;
}

int run_import_midi_cli(int argc, char** argv) {
    const auto a = parse(argc, argv, " --lines --replace ");
    if (!a || a->files.size() != 2) return usage(import_midi_usage);
    const std::string& midi_path = a->files[0];
    const std::string& recording = a->files[1];
    const auto doc = open_for_command_line(recording, false);
    if (!doc) return 1;
    // A drawing file that cannot be read has ended the command already.
    std::error_code ec;
    if (std::filesystem::exists(doc->draw_file, ec) && !a->replace)
        return fail(doc->draw_file, "a drawing exists; --replace replaces it");
    const auto bytes = read_file_bytes(midi_path, midi_file_max_bytes);
    if (!bytes) return fail(midi_path, messages::cannot_open);
    MidiImportOptions options;
    options.lines = a->lines == "beats"  ? MidiImportLines::beats
                    : a->lines == "bars" ? MidiImportLines::bars
                                         : MidiImportLines::none;
    const MidiImportResult r = import_midi_file(*bytes, doc->drawing, doc->store.frame_count,
                                                doc->channel_settings, options);
    if (!r.ok) return fail(midi_path, r.message);
    if (!save_draw_data(doc->draw_file, doc->drawing, doc->store.frame_count,
                        doc->channel_settings))
        return fail(doc->draw_file, "cannot write");
    std::printf("%s: %s\n", doc->draw_file.c_str(), r.message.c_str());
    return 0;
}

int run_export_csv_cli(int argc, char** argv) {
    const auto a = parse(argc, argv, " -o --notes --loudness ");
    if (!a || a->files.size() != 1 || a->out.empty()) return usage(export_csv_usage);
    const auto doc = open_for_command_line(a->files[0], a->loudness);
    if (!doc) return 1;
    if (!write_text(a->out, analysis_csv(doc->store))) return fail(a->out, "cannot write");
    if (!a->notes.empty() && !write_text(a->notes, notes_csv(doc->drawing, doc->store.frame_count)))
        return fail(a->notes, "cannot write");
    std::printf("%s: %d frames\n", a->out.c_str(), doc->store.frame_count);
    return 0;
}

} // namespace pitkad
